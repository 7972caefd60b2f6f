// sim_machine_writer PATH TAG COUNT: appends COUNT marker faults ("TAG-0" ...) to the machine
// file, one locked read-modify-write each.
#include "simulator/machine.h"

#include <QCoreApplication>
#include <QJsonObject>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    sim::MachineStore store(args[1]);
    for (int i = 0; i < args[3].toInt(); ++i) {
        QString error;
        const bool ok = store.modify([&](sim::Machine &m) {
            m.faults.append(QJsonObject{{QStringLiteral("target"), QStringLiteral("test.marker")},
                                        {QStringLiteral("match"), QStringLiteral("%1-%2").arg(args[2]).arg(i)}});
            return true;
        }, &error);
        if (!ok) {
            qCritical("%s", qPrintable(error));
            return 1;
        }
    }
    return 0;
}
