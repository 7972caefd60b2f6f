#include "simulator/fat32format.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return sim::fat32format::toolMain(QCoreApplication::arguments().mid(1));
}
