#include "appresources.h"
#include "common/records.h"
#include "mainwindow.h"
#include "platform/platform.h"

#include <QApplication>
#include <QIcon>

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

    MainWindow window;
    window.show();
    return app.exec();
}
