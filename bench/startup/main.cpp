// Start-up and refresh cost of the main window, on the offscreen platform.
//  1. Cold start: starts build/bin/tessaline on a copy of the demo machine and times it until
//     the first tree rebuild reports "refreshDiskList completed"; reads the process's peak
//     resident memory (VmHWM) before ending it.
//  2. Manual refresh: in this process, a window on a machine of 24 disks with 16 partitions
//     each; times onRefreshClicked (reconnect, enumerate, rebuild the tree), and the same
//     reconnect and enumeration alone, to tell the tree's share from the storage layer's.
// Prints medians. Usage: bench_startup [runs]

#include "app/mainwindow.h"
#include "support/benchmachine.h"
#include "common/records.h"
#include "simulator/machine.h"
#include "storage/windowsstoragemanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace {

QTextStream out(stdout);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Peak resident set of a running process, in KiB, or -1.
long peakResidentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
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

sim::Machine bigMachine()
{
    sim::Machine machine = benchMachine(24, 16, 100 * sim::kMiB, 'C');
    machine.timeScale = 0.001;
    return machine;
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
    out << QStringLiteral("cold start to first refresh (demo machine, offscreen): median %1 ms over %2 runs, "
                          "peak RSS %3 MiB\n")
               .arg(median(starts), 0, 'f', 1)
               .arg(runs)
               .arg(double(peak) / 1024.0, 0, 'f', 1);
    out.flush();

    const QString bigPath = dir.filePath(QStringLiteral("big.json"));
    if (!sim::MachineStore(bigPath).write(bigMachine())) {
        out << "cannot write the 24-disk machine\n";
        return 1;
    }
    qputenv("TESSALINE_SIM_MACHINE", QFile::encodeName(bigPath));
    qInstallMessageHandler(quiet);
    registerRecordMetaTypes();

    MainWindow window;
    window.show();
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    QElapsedTimer wait;
    wait.start();
    while (tree->topLevelItemCount() < 24 && wait.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (tree->topLevelItemCount() < 24) {
        out << "the 24-disk machine did not load\n";
        return 1;
    }

    std::vector<double> refreshes;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.onRefreshClicked();
        // The previous rows' cell widgets go with deleteLater, which an event loop would run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        refreshes.push_back(double(timer.nsecsElapsed()) / 1e6);
        QApplication::processEvents(); // let the rebuilt rows lay out and paint between runs
        rows = 0;
        for (int d = 0; d < tree->topLevelItemCount(); ++d)
            rows += 1 + tree->topLevelItem(d)->childCount();
    }
    // The storage layer's share: the same reconnect and enumeration without the tree.
    std::vector<double> enumerations;
    WindowsStorageManager storage;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        storage.initialize();
        storage.getDisks();
        for (const QVariantMap &disk : storage.getDisks())
            storage.getPartitions(disk.value(DiskKey::Id).toString());
        enumerations.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << QStringLiteral("manual refresh, 24 disks x 16 partitions (%1 rows): median %2 ms over %3 runs, "
                          "peak RSS %4 MiB; of which reconnect and enumeration: median %5 ms\n")
               .arg(rows)
               .arg(median(refreshes), 0, 'f', 1)
               .arg(runs)
               .arg(double(usage.ru_maxrss) / 1024.0, 0, 'f', 1)
               .arg(median(enumerations), 0, 'f', 1);
    return 0;
}
