#include "platform/simulated/simulatedplatform.h"
#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QMutex>
#include <QScopeGuard>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;

std::atomic<int> ownManagers{0};

void countOwnManagers(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message == QStringLiteral("在工作线程中初始化WindowsStorageManager..."))
        ++ownManagers;
}

// Disk 0: EFI and C:, the running system. Disk 1, MBR: E: NTFS 10 GiB (active), 5 GiB free,
// F: FAT32 4 GiB, R: a 1 GiB RAW volume, free space after.
void buildMachine(TestMachine &tm)
{
    tm.setTimeScale(0.01);
    tm.addDisk(0, 100 * GiB);
    tm.addPartition(0, MiB, 100 * MiB, "EFI", TestMachine::Vol("FAT32", "", "", 0, 512));
    tm.addPartition(0, 101 * MiB, 50 * GiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C", 20 * GiB));
    tm.addDisk(1, 100 * GiB, "MBR");
    tm.addPartition(1, MiB, 10 * GiB, "Primary", TestMachine::Vol("NTFS", "Data", "E", GiB));
    tm.partition(1, 1).active = true;
    tm.addPartition(1, 15 * GiB, 4 * GiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F", GiB));
    tm.addPartition(1, 19 * GiB, GiB, "Primary", TestMachine::Vol("", "", "R"));
}

// Every partition as "id offset+size fs label letter serial active".
QMap<QString, QString> render(const sim::Machine &m)
{
    QMap<QString, QString> out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            out[QStringLiteral("%1:%2").arg(d.number).arg(p.number)] = QStringLiteral("%1+%2 %3 %4 %5 %6 %7")
                .arg(p.offset).arg(p.size).arg(v.fileSystem, v.label, v.letter, v.serial).arg(p.active);
        }
    return out;
}

} // namespace

class TestResizeJob : public QObject
{
    Q_OBJECT

private slots:
    // The thread that owns the dialog's manager is in the single-threaded apartment, as the GUI
    // thread is: a direct call from the worker's thread would fail.
    void initTestCase() { QVERIFY(platform::succeeded(platform::current().enterGuiThreadApartment())); }
    void cleanupTestCase() { platform::simulated::leaveApartment(); }

    void job_data()
    {
        QTest::addColumn<QString>("job");      // "resize" or "ntfs"
        QTest::addColumn<bool>("own");         // no manager handed over: the worker makes its own
        QTest::addColumn<QString>("target");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("result");   // a trailing "*" compares the start only
        QTest::addColumn<QString>("changed");  // "id size fs label serial(same|new)", or empty

        const QString resized = QStringLiteral("ok Partition resized successfully");
        const QString convertOnly = QStringLiteral(R"({"target":"tool.diskpart","match":"format fs=ntfs","exitCode":0})");
        auto row = [](const char *name, const char *job, bool own, const char *target, qint64 size, const QString &fault,
                      const char *progress, const QString &result, const char *changed) {
            QTest::newRow(name) << job << own << target << size << fault << progress << result << changed;
        };
        row("NTFS grows", "resize", false, "1:1", 12 * GiB, "", "5,25,65,60,90,100", resized, "1:1 12884901888 NTFS Data same");
        row("FAT32 converted, then shrunk", "resize", false, "1:2", 3 * GiB, "", "5,15,25,20,40,60,80,45,55,65,60,90,100", resized,
            "1:2 3221225472 NTFS Data new");
        row("own manager: FAT32", "resize", true, "1:2", 2 * GiB, "", "5,15,25,20,40,60,80,45,55,65,60,90,100", resized,
            "1:2 2147483648 NTFS Data new");
        row("own manager: undetectable", "resize", true, "1:3", 5 * GiB, "", "5,10,65,60,90,100", resized, "1:3 5368709120   same");
        row("conversion leaves FAT32", "resize", false, "1:2", 3 * GiB, convertOnly, "5,15,25,20,40,60,80,45",
            "failed Failed to convert FAT32 to NTFS", "");
        row("below the bytes in use", "resize", false, "1:1", 512 * MiB, "", "5,25,65,60,90", "failed Failed to resize partition", "");
        row("size 0", "resize", false, "1:1", 0, "", "5", "failed Failed to resize partition: The new size must be at least 1 MB", "");
        row("nothing there", "resize", true, "1:9", GiB, "", "5", "failed Failed to resize partition: Partition 1:9 was not found", "");
        row("beyond the free space: no conversion", "resize", false, "1:2", 5 * GiB, "", "5",
            "failed Failed to resize partition: The new size is larger than the partition and the unallocated space after it "
            "(at most 4294967296 bytes)", "");
        row("the running system", "resize", false, "0:2", 40 * GiB, "", "5", "failed Failed to resize partition: *", "");
        row("already NTFS", "ntfs", false, "1:1", 0, "", "5,100", "ok Already NTFS, no conversion needed", "");
        row("by id", "ntfs", true, "1:2", 0, "", "5,10,20,40,60,80,90,100", "ok diskpart格式化成功完成", "1:2 4294967296 NTFS Data new");
        row("by letter, always", "ntfs", false, "E:", 0, "", "5,10,90,100", "ok diskpart格式化成功完成", "1:1 10737418240 NTFS Data new");
        row("script fails", "ntfs", false, "1:2", 0, R"({"target":"tool.diskpart","exitCode":5})", "5,10,20,40,60,80",
            "failed diskpart格式化命令执行失败", "");
        row("neither", "ntfs", false, "E", 0, "", "5,10", "failed Invalid parameter: neither drive letter nor partition ID", "");
    }

    // The job end to end on the machine, started as the dialogs start it; afterwards only the
    // target may have changed, and the active flag has stayed where it was.
    void job()
    {
        QFETCH(QString, job);
        QFETCH(bool, own);
        QFETCH(QString, target);
        QFETCH(qint64, size);
        QFETCH(QString, fault);
        QFETCH(QString, progress);
        QFETCH(QString, result);
        QFETCH(QString, changed);
        TestMachine tm;
        buildMachine(tm);
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        const QMap<QString, QString> before = render(tm.read());

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QThread thread;
        auto *worker = new DiskOperationWorker;
        worker->m_storageManager = own ? nullptr : &manager;
        QStringList reports;
        QString end;
        int ends = 0;
        connect(worker, &DiskOperationWorker::operationProgress, this, [&](int p) { reports << QString::number(p); });
        connect(worker, &DiskOperationWorker::operationCompleted, this,
                [&](bool ok, const QString &m) { ++ends; end = (ok ? QStringLiteral("ok ") : QStringLiteral("failed ")) + m; });
        worker->moveToThread(&thread);
        connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
        const auto stop = qScopeGuard([&] { thread.quit(); thread.wait(); });
        ownManagers = 0;
        const QtMessageHandler previous = qInstallMessageHandler(countOwnManagers);
        const bool invoked = job == QLatin1String("resize")
            ? QMetaObject::invokeMethod(worker, "resizePartitionCompleteAsync", Qt::QueuedConnection,
                                        Q_ARG(QString, target), Q_ARG(qint64, size))
            : QMetaObject::invokeMethod(worker, "formatPartitionToNTFSAsync", Qt::QueuedConnection, Q_ARG(QString, target));
        const bool ended = invoked && QTest::qWaitFor([&] { return !end.isEmpty(); }, 20000);
        qInstallMessageHandler(previous);
        QVERIFY(ended);
        QTest::qWait(20); // a second end would have arrived by now
        QCOMPARE(ends, 1);
        QCOMPARE(reports.join(u','), progress);
        if (result.endsWith(u'*'))
            QVERIFY2(end.startsWith(result.chopped(1)), qPrintable(end));
        else
            QCOMPARE(end, result);
        QCOMPARE(ownManagers.load(), own ? 1 : 0);

        QMap<QString, QString> expected = before;
        QMap<QString, QString> after = render(tm.read());
        if (!changed.isEmpty()) {
            const QStringList c = changed.split(u' ');
            const QStringList was = before.value(c.at(0)).split(u' ');
            const QStringList now = after.value(c.at(0)).split(u' ');
            QCOMPARE(now.at(4) == was.at(4), c.at(4) == QLatin1String("same"));
            expected[c.at(0)] = QStringList{was.at(0).section(u'+', 0, 0) + u'+' + c.at(1), c.at(2), c.at(3), was.at(3), now.at(4),
                                            was.at(5)}.join(u' ');
        }
        QCOMPARE(after, expected);
    }
};

QTEST_GUILESS_MAIN(TestResizeJob)
#include "tst_resizejob.moc"
