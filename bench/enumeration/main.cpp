// Enumeration cost: getDisks plus getPartitions for every disk, on machines of 1, 8 and 24
// disks with 16 partitions each. Prints min / median / max wall time and the work per pass:
// WMI queries, namespace connections, machine-file parses and exclusive file locks.

#include "support/benchmachine.h"
#include "support/benchstats.h"
#include "countingplatform.h"

#include "simulator/machine.h"
#include "storage/windowsstoragemanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTextStream>

#include <vector>

namespace {

constexpr int PartitionsPerDisk = 16;

sim::Machine buildMachine(int diskCount)
{
    return benchMachine(diskCount, PartitionsPerDisk, sim::kMiB, 'D');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;

    QTextStream out(stdout);
    out << "disks  partitions  records  ms min / median / max  queries  connections  parses  excl. locks  (per pass)\n";

    for (const int diskCount : {1, 8, 24}) {
        QTemporaryDir dir;
        const QString path = dir.path() + QStringLiteral("/machine.json");
        QString error;
        if (!sim::MachineStore(path).write(buildMachine(diskCount), &error)) {
            out << "cannot write machine: " << error << "\n";
            return 1;
        }
        qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(path));

        CountingPlatform counting(platform::current());
        WindowsStorageManager manager(counting);
        if (!manager.initialize()) {
            out << "initialize failed\n";
            return 1;
        }

        std::vector<double> times;
        int records = 0;
        int queries = 0;
        int connections = 0;
        quint64 parses = 0, locks = 0;
        for (int run = 0; run < runs; ++run) {
            counting.queries = 0;
            counting.connections = 0;
            const StoreCounts counts;
            QElapsedTimer timer;
            timer.start();
            records = 0;
            const QList<QVariantMap> disks = manager.getDisks();
            for (const QVariantMap &disk : disks)
                records += manager.getPartitions(disk.value(DiskKey::Id).toString()).size();
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
            queries = counting.queries;
            connections = counting.connections;
            parses = counts.parses();
            locks = counts.exclusiveLocks();
        }
        out << qSetFieldWidth(5) << diskCount << qSetFieldWidth(12) << diskCount * PartitionsPerDisk
            << qSetFieldWidth(9) << records << qSetFieldWidth(23) << spreadOf(times).text() << qSetFieldWidth(9)
            << queries << qSetFieldWidth(13) << connections << qSetFieldWidth(8) << parses << qSetFieldWidth(13)
            << locks << qSetFieldWidth(0) << "\n";
        out.flush();
    }
    return 0;
}
