// Enumeration cost on machines of 1, 8 and 24 disks with 16 partitions each, two ways: getDisks
// plus getPartitions for every disk, and the one pass the tree's refresh makes (getDiskLayouts).
// Each with the provider answering at once and with the round-trip latency of
// docs/simulated-machine.md. Prints min / median / max wall time and the work per pass: WMI
// queries, namespace connections, machine-file parses and exclusive file locks.
// Usage: bench_enumeration [runs [runs with latency]]

#include "support/benchmachine.h"
#include "support/benchstats.h"

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

int perDisk(WindowsStorageManager &manager)
{
    int records = 0;
    for (const QVariantMap &disk : manager.getDisks())
        records += manager.getPartitions(disk.value(DiskKey::Id).toString()).size();
    return records;
}

int onePass(WindowsStorageManager &manager)
{
    int records = 0;
    for (const DiskLayout &layout : manager.getDiskLayouts())
        records += layout.partitions.size();
    return records;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    // The per-disk calls take seconds a pass with the latency model.
    const int slowRuns = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 3;

    QTextStream out(stdout);
    out << "way       latency  disks  records  runs      ms min / median / max  queries  connections  parses  excl. "
           "locks  (per pass)\n";

    for (const bool latency : {false, true}) {
        for (const int diskCount : {1, 8, 24}) {
            QTemporaryDir dir;
            const QString path = dir.path() + QStringLiteral("/machine.json");
            sim::Machine machine = benchMachine(diskCount, PartitionsPerDisk, sim::kMiB, 'D');
            if (latency)
                withLatencyModel(machine);
            QString error;
            if (!sim::MachineStore(path).write(machine, &error)) {
                out << "cannot write machine: " << error << "\n";
                return 1;
            }
            qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(path));

            WindowsStorageManager manager;
            if (!manager.initialize()) {
                out << "initialize failed\n";
                return 1;
            }
            for (const bool one : {false, true}) {
                const int n = latency && !one ? slowRuns : runs;
                std::vector<double> times;
                int records = 0;
                RoundTrips trips;
                quint64 parses = 0, locks = 0;
                for (int run = 0; run < n; ++run) {
                    const RoundTrips before = RoundTrips::now();
                    const StoreCounts counts;
                    QElapsedTimer timer;
                    timer.start();
                    records = one ? onePass(manager) : perDisk(manager);
                    times.push_back(double(timer.nsecsElapsed()) / 1e6);
                    trips = RoundTrips::now() - before;
                    parses = counts.parses();
                    locks = counts.exclusiveLocks();
                }
                out << (one ? "one pass" : "per disk") << qSetFieldWidth(9) << (latency ? "on" : "off")
                    << qSetFieldWidth(7) << diskCount << qSetFieldWidth(9) << records << qSetFieldWidth(6) << n
                    << qSetFieldWidth(27) << spreadOf(times).text() << qSetFieldWidth(9) << trips.queries
                    << qSetFieldWidth(13) << trips.connections << qSetFieldWidth(8) << parses << qSetFieldWidth(13)
                    << locks << qSetFieldWidth(0) << "\n";
                out.flush();
            }
        }
    }
    return 0;
}
