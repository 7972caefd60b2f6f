#include "appresources.h"
#include "common/records.h"
#include "mainwindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initAppResources();
    app.setWindowIcon(QIcon(QStringLiteral(":/icon/resources/logo.png")));
    registerRecordMetaTypes();

    MainWindow window;
    window.show();
    return app.exec();
}
