// Start-up and refresh cost of the main window, on the offscreen platform.
//  1. Cold start: starts build/bin/tessaline on a copy of the demo machine and times it until
//     the first tree rebuild reports "refreshDiskList completed"; reads the process's peak
//     resident memory (through the platform) before ending it.
//  2. Manual refresh: in this process, a window on machines of 1, 8 and 24 disks with 16
//     partitions each, with the provider answering at once and with the round-trip latency of
//     docs/simulated-machine.md; times onRefreshClicked (reconnect, enumerate, rebuild the tree)
//     and counts its WMI queries and connections, machine-file parses and exclusive file locks;
//     then times the same reconnect and enumeration alone, to tell the tree's share from the
//     storage layer's.
// Prints min / median / max. Usage: bench_startup [runs]

#include "app/mainwindow.h"
#include "support/benchmachine.h"
#include "support/benchstats.h"
#include "common/records.h"
#include "simulator/machine.h"
#include "platform/processmemory.h"
#include "storage/windowsstoragemanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>


#include <algorithm>
#include <vector>

namespace {

QTextStream out(stdout);

// Peak resident set of a running process, in KiB, or -1.
long peakResidentKiB(qint64 pid)
{
    const std::int64_t bytes = platform::peakResidentBytes(pid);
    return bytes < 0 ? -1 : long(bytes / 1024);
}

bool coldStart(const QString &app, const QString &machinePath, double *ms, long *peakKiB)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TESSALINE_SIM_MACHINE"), machinePath);
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);

    QElapsedTimer timer;
    timer.start();
    process.start(app, {});
    if (!process.waitForStarted(10000))
        return false;
    QByteArray seen;
    bool done = false;
    while (!done && timer.elapsed() < 30000) {
        if (!process.waitForReadyRead(30000 - int(timer.elapsed())))
            break;
        seen += process.readAll();
        done = seen.contains("refreshDiskList completed");
    }
    *ms = double(timer.nsecsElapsed()) / 1e6;
    *peakKiB = peakResidentKiB(process.processId());
    process.kill();
    process.waitForFinished(5000);
    return done;
}

sim::Machine benchDisks(int disks, bool latency)
{
    sim::Machine machine = benchMachine(disks, 16, 100 * sim::kMiB, 'C');
    machine.timeScale = 0.001;
    if (latency)
        withLatencyModel(machine);
    return machine;
}

struct RefreshFigures
{
    Spread refresh, enumeration;
    int rows = 0;
    quint64 parses = 0, locks = 0;
    RoundTrips trips;
};

// A window on the machine at `path`: its manual refreshes, then the storage layer's share.
bool measureRefresh(const QString &path, int disks, int runs, RefreshFigures *figures)
{
    qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(path));
    MainWindow window;
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    QElapsedTimer wait;
    wait.start();
    while (tree->topLevelItemCount() < disks && wait.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (tree->topLevelItemCount() < disks)
        return false;

    std::vector<double> refreshes;
    for (int i = 0; i < runs; ++i) {
        const StoreCounts counts;
        const RoundTrips before = RoundTrips::now();
        QElapsedTimer timer;
        timer.start();
        window.onRefreshClicked();
        refreshes.push_back(double(timer.nsecsElapsed()) / 1e6);
        figures->trips = RoundTrips::now() - before;
        figures->parses = counts.parses();
        figures->locks = counts.exclusiveLocks();
        QApplication::processEvents(); // let the rebuilt rows lay out and paint between runs
        figures->rows = 0;
        for (int d = 0; d < tree->topLevelItemCount(); ++d)
            figures->rows += 1 + tree->topLevelItem(d)->childCount();
    }
    std::vector<double> enumerations;
    WindowsStorageManager storage;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        storage.initialize();
        storage.getDisks();
        storage.getDiskLayouts();
        enumerations.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    figures->refresh = spreadOf(refreshes);
    figures->enumeration = spreadOf(enumerations);
    return true;
}

void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type >= QtWarningMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 7;

    QTemporaryDir dir;
    const QString demoPath = dir.filePath(QStringLiteral("demo.json"));
    if (!sim::MachineStore(demoPath).write(sim::demoMachine())) {
        out << "cannot write the demo machine\n";
        return 1;
    }

    const QString app = QCoreApplication::applicationDirPath() + QStringLiteral("/tessaline");
    std::vector<double> starts;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        double ms = 0;
        long kib = -1;
        if (!coldStart(app, demoPath, &ms, &kib)) {
            out << "cold start did not reach the first refresh\n";
            return 1;
        }
        starts.push_back(ms);
        peak = std::max(peak, kib);
    }
    out << QStringLiteral("cold start to first refresh (demo machine, offscreen), ms min / median / max over %1 runs: "
                          "%2, peak RSS %3 MiB\n")
               .arg(runs)
               .arg(spreadOf(starts).text())
               .arg(double(peak) / 1024.0, 0, 'f', 1);
    out.flush();

    qInstallMessageHandler(quiet);
    registerRecordMetaTypes();
    const int diskCounts[3] = {1, 8, 24};
    for (const bool latency : {false, true}) {
        RefreshFigures figures[3];
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(QStringLiteral("machine-%1-%2.json").arg(diskCounts[i]).arg(latency));
            if (!sim::MachineStore(path).write(benchDisks(diskCounts[i], latency))) {
                out << "cannot write the bench machine\n";
                return 1;
            }
            if (!measureRefresh(path, diskCounts[i], runs, &figures[i])) {
                out << "the " << diskCounts[i] << "-disk machine did not load\n";
                return 1;
            }
            const RefreshFigures &f = figures[i];
            out << QStringLiteral("manual refresh, latency %1, %2 disk(s) x 16 partitions (%3 rows), ms min / median / max "
                                  "over %4 runs: %5; per refresh %6 queries, %7 connections, %8 machine-file parses, "
                                  "%9 exclusive locks\n")
                       .arg(latency ? QStringLiteral("on") : QStringLiteral("off"))
                       .arg(diskCounts[i])
                       .arg(f.rows)
                       .arg(runs)
                       .arg(f.refresh.text())
                       .arg(f.trips.queries)
                       .arg(f.trips.connections)
                       .arg(f.parses)
                       .arg(f.locks)
                << QStringLiteral("  of which reconnect and enumeration: %1\n").arg(f.enumeration.text());
            out.flush();
        }
        out << QStringLiteral("latency %1: 24-disk refresh / 1-disk refresh (medians): %2x\n")
                   .arg(latency ? QStringLiteral("on") : QStringLiteral("off"))
                   .arg(figures[2].refresh.median / std::max(figures[0].refresh.median, 1e-3), 0, 'f', 2);
    }
    out << QStringLiteral("bench process peak RSS %1 MiB\n").arg(double(peakResidentKiB(0)) / 1024.0, 0, 'f', 1);
    return 0;
}
