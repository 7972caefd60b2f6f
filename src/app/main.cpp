#include "appresources.h"
#include "common/records.h"
#include "mainwindow.h"
#include "platform/platform.h"
#include "translations.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Before anything asks the platform: "--simulated" picks the simulated machine.
    platform::chooseFromArguments(argc, argv);
    QApplication app(argc, argv);
    // Where the GUI framework puts this thread on Windows: every COM object made here is bound
    // to it, and a worker thread must not call it directly.
    platform::current().enterGuiThreadApartment();
    initAppResources();
    app.setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    registerRecordMetaTypes();

    // "--language en|zh_CN|source" overrides the user's UI language.
    const QString requested = translations::requestedLanguage(QCoreApplication::arguments());
    if (!translations::use(requested.isEmpty() ? translations::catalogueFor(translations::systemUiLanguages())
                                               : requested)) {
        QTextStream(stderr) << "--language takes one of: " << translations::available().join(QStringLiteral(", "))
                            << Qt::endl;
        return 2;
    }

    MainWindow window;
    window.show();
    return app.exec();
}
