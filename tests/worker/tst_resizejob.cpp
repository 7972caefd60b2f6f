#include "platform/simulated/simulatedplatform.h"
#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QScopeGuard>
#include <QtTest>

namespace {

constexpr qint64 MiB = sim::kMiB;
constexpr qint64 GiB = sim::kGiB;

std::atomic<int> ownManagers{0};

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

// Every partition by id as "offset+size fs label letter active", and its serial apart.
QMap<QString, QString> render(const sim::Machine &m, QMap<QString, QString> *serials)
{
    QMap<QString, QString> out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            const QString id = QStringLiteral("%1:%2").arg(d.number).arg(p.number);
            out[id] = QStringLiteral("%1+%2 %3 %4 %5 %6").arg(p.offset).arg(p.size).arg(v.fileSystem, v.label, v.letter).arg(p.active);
            (*serials)[id] = v.serial;
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
        QTest::addColumn<QString>("call");     // "resize id size", "ntfs target"; a leading "own" hands over no manager
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("progress");
        QTest::addColumn<QString>("result");   // a trailing "*" compares the start only
        QTest::addColumn<QString>("changed");  // "id offset+size fs label letter active serial(same|new)"
        const QString ok = QStringLiteral("ok Partition resized successfully"), formatted = QStringLiteral("ok diskpart格式化成功完成");
        const QString fat32 = QStringLiteral("5,15,25,20,40,60,80,45,55,65,60,90,100"), refused = QStringLiteral("failed Failed to resize partition: ");
        auto row = [](const char *name, const char *call, const QString &progress, const QString &result, const char *changed = "",
                      const char *fault = "") { QTest::newRow(name) << call << fault << progress << result << changed; };
        row("NTFS grows", "resize 1:1 12884901888", "5,25,65,60,90,100", ok, "1:1 1048576+12884901888 NTFS Data E 1 same");
        row("FAT32 converted, then shrunk", "resize 1:2 3221225472", fat32, ok, "1:2 16106127360+3221225472 NTFS Data F 0 new");
        row("own manager: FAT32", "own resize 1:2 2147483648", fat32, ok, "1:2 16106127360+2147483648 NTFS Data F 0 new");
        row("own manager: undetectable", "own resize 1:3 5368709120", "5,10,65,60,90,100", ok, "1:3 20401094656+5368709120   R 0 same");
        row("conversion leaves FAT32", "resize 1:2 3221225472", "5,15,25,20,40,60,80,45", "failed Failed to convert FAT32 to NTFS", "",
            "{\"target\":\"tool.diskpart\",\"match\":\"format fs=ntfs\",\"exitCode\":0}");
        row("below the bytes in use", "resize 1:1 536870912", "5,25,65,60,90", "failed Failed to resize partition");
        row("size 0", "resize 1:1 0", "5", refused + "The new size must be at least 1 MB");
        row("nothing there", "own resize 1:9 1073741824", "5", refused + "Partition 1:9 was not found");
        row("beyond the free space: no conversion", "resize 1:2 5368709120", "5",
            refused + "The new size is larger than the partition and the unallocated space after it (at most 4294967296 bytes)");
        row("the running system", "resize 0:2 42949672960", "5", refused + "*");
        row("already NTFS", "ntfs 1:1", "5,100", "ok Already NTFS, no conversion needed");
        row("by id", "own ntfs 1:2", "5,10,20,40,60,80,90,100", formatted, "1:2 16106127360+4294967296 NTFS Data F 0 new");
        row("by letter, always", "ntfs E:", "5,10,90,100", formatted, "1:1 1048576+10737418240 NTFS Data E 1 new");
        row("script fails", "ntfs 1:2", "5,10,20,40,60,80", "failed diskpart格式化命令执行失败", "", "{\"target\":\"tool.diskpart\",\"exitCode\":5}");
        row("neither", "ntfs E", "5,10", "failed Invalid parameter: neither drive letter nor partition ID");
    }

    // The job end to end on the machine, started as the dialogs start it; afterwards only the
    // target may have changed, and the active flag has stayed where it was.
    void job()
    {
        QFETCH(QString, call);
        QFETCH(QString, fault);
        QFETCH(QString, progress);
        QFETCH(QString, result);
        QFETCH(QString, changed);
        TestMachine tm;
        buildMachine(tm);
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        QMap<QString, QString> serials, serialsAfter;
        QMap<QString, QString> expected = render(tm.read(), &serials);

        WindowsStorageManager manager;
        QVERIFY(manager.initialize());
        QThread thread;
        auto *worker = new DiskOperationWorker;
        QStringList args = call.split(u' ');
        const bool own = args.first() == QLatin1String("own");
        if (own)
            args.removeFirst();
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
        const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
            ownManagers += m == QStringLiteral("在工作线程中初始化WindowsStorageManager...");
        });
        const bool invoked = args.size() == 3
            ? QMetaObject::invokeMethod(worker, "resizePartitionCompleteAsync", Qt::QueuedConnection,
                                        Q_ARG(QString, args.at(1)), Q_ARG(qint64, args.at(2).toLongLong()))
            : QMetaObject::invokeMethod(worker, "formatPartitionToNTFSAsync", Qt::QueuedConnection, Q_ARG(QString, args.at(1)));
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

        const QMap<QString, QString> after = render(tm.read(), &serialsAfter);
        if (!changed.isEmpty()) {
            const QString id = changed.section(u' ', 0, 0);
            expected[id] = changed.section(u' ', 1, -2);
            QCOMPARE(serialsAfter.value(id) == serials.value(id), changed.endsWith(QLatin1String("same")));
            serials[id] = serialsAfter.value(id);
        }
        QCOMPARE(serialsAfter, serials);
        QCOMPARE(after, expected);
    }
};

QTEST_GUILESS_MAIN(TestResizeJob)
#include "tst_resizejob.moc"
