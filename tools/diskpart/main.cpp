#include "simulator/diskpart.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return sim::diskpart::toolMain(QCoreApplication::arguments().mid(1));
}
