#include "simulator/cmdshell.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return sim::cmdshell::fsutilMain(QCoreApplication::arguments().mid(1));
}
