#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

const qint64 M = sim::kMiB, G = sim::kGiB;

// "letter @offsetMiB sizeMiB fs label serial" for each partition of disk 0; a new volume's serial
// shows as "new".
QStringList disk0(const sim::Machine &m)
{
    return partitionsOf(m, 0, QStringLiteral("letter @ mib fs label serial"), QStringLiteral("0000-"));
}

SplitPartitionOptions splitD(qint64 keep, qint64 fresh, const QString &letter)
{
    SplitPartitionOptions o;
    o.partitionId = QStringLiteral("0:2");
    o.originalSizeBytes = 10 * G;
    o.keepSizeBytes = keep;
    o.newSizeBytes = fresh;
    o.newFileSystem = QStringLiteral("NTFS");
    o.newVolumeLabel = QStringLiteral("Media");
    o.newDriveLetter = letter;
    return o;
}

} // namespace

class TestSplitJob : public QObject
{
    Q_OBJECT

private slots:
    // The job on a 100 GiB disk: C:, D: (10 GiB, the one split), E:, then 65 GiB free, more than a
    // split of D: frees. Each row ends with the progress, the one end report and the disk after.
    void split_data()
    {
        QTest::addColumn<QString>("dFileSystem");
        QTest::addColumn<SplitPartitionOptions>("options");
        QTest::addColumn<QString>("fault"); // a fault per line; "cancel": before it starts, "cancel@N": at progress N
        QTest::addColumn<int>("steps");     // how many of the progress reports 5, 10, 15, 25, 50, 100, 100 come
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("layout");

        const QString c = QStringLiteral("C @1 20480 NTFS Windows 0000-0001");
        const QString d = QStringLiteral("D @20481 10240 NTFS Data 0000-0002");
        const QString shrunk = QStringLiteral("D @20481 6144 NTFS Data 0000-0002");
        const QString e = QStringLiteral("E @30721 5120 NTFS Games 0000-0003");
        const QStringList untouched{c, d, e};
        const QString done = QStringLiteral("1 Partition splitting completed successfully!\n\nOriginal partition has been adjusted to: ");
        auto row = [](const char *name, const SplitPartitionOptions &o, int steps, const QString &end, const QStringList &layout,
                      const QString &fault = QString(), const QString &fs = QStringLiteral("NTFS")) {
            QTest::newRow(name) << fs << o << fault << steps << end << layout;
        };
        auto with = [](SplitPartitionOptions o, const std::function<void(SplitPartitionOptions &)> &change) {
            change(o);
            return o;
        };
        // A bare letter becomes "K:" in the request, and the letter step takes it; the keep size
        // is not a whole MiB, so the shrink takes the MiB below it.
        row("bare letter, new partition right after D:, file system left to the job",
            with(splitD(6 * G + 1000, 4 * G - 1000, "K"), [](auto &o) { o.newFileSystem.clear(); }), 7,
            done + "6.00 GB\nNew partition has been created: 4.00 GB (K)\nFile System: NTFS\nLabel: Media",
            {c, shrunk, "K @26625 4096 NTFS Media new", e});
        row("letter with colon, unformatted", with(splitD(6 * G, 4 * G - 64 * M, "L:"), [](auto &o) { o.formatNewPartition = false; }), 7,
            done + "6.00 GB\nNew partition has been created: 4.00 GB (L:)", {c, shrunk, "L @26625 4096   new", e});
        // Free space follows E:: the new partition fills what E: gave up and ends where E: ended.
        row("E: before free space",
            with(splitD(3 * G, 2 * G, "K"), [](auto &o) { o.partitionId = "0:3"; o.originalSizeBytes = 5 * G; }), 7,
            done + "3.00 GB\nNew partition has been created: 2.00 GB (K)\nFile System: NTFS\nLabel: Media",
            {c, d, "E @30721 3072 NTFS Games 0000-0003", "K @33793 2048 NTFS Media new"});
        row("D: is not the size the plan was made for", with(splitD(6 * G, 4 * G, "K"), [](auto &o) { o.originalSizeBytes += M; }), 3,
            "0 The disk layout changed since you chose this partition. The list has been refreshed; please choose again.", untouched);
        // A letter in use is not given; the end says so instead of naming it.
        row("letter in use", splitD(6 * G, 4 * G, "E"), 7,
            done + "6.00 GB\nNew partition has been created: 4.00 GB\nFile System: NTFS\nLabel: Media\n\n"
            "Partition 1 did not get the letter E: (it is in use or cannot be given); it has no letter.", {c, shrunk, " @26625 4096 NTFS Media new", e});
        row("letter left to the system", splitD(6 * G, 4 * G, ""), 7,
            done + "6.00 GB\nNew partition has been created: 4.00 GB\nFile System: NTFS\nLabel: Media", {c, shrunk, "F @26625 4096 NTFS Media new", e});
        // A failure past the shrink leaves nothing half-made: D: grows back, a new partition goes.
        row("creation fails after the shrink", splitD(6 * G, 4 * G, "K"), 5,
            "0 Failed to create new partition: 创建第 1 个分区失败: Media (Not Supported (code 1))\n"
            "D: (Data) has its old size (10.00 GB) back; the disk is as it was.",
            untouched, R"({"target":"wmi.method","match":"MSFT_Disk.CreatePartition","returnValue":1})");
        // When even the way back fails, the end says what the disk holds.
        row("format and the way back fail", splitD(6 * G, 4 * G, "K"), 5,
            "0 The new partition could not be formatted: diskpart ended with exit code 4: Virtual Disk Service error: "
            "The device is not ready.\nThe new partition K: could not be removed: it stays on the disk, and D: (Data) keeps its smaller size.",
            {c, shrunk, "K @26625 4096   new", e},
            R"({"target":"tool.diskpart","match":"format","exitCode":4,"output":"Virtual Disk Service error:\nThe device is not ready."})" "\n"
            R"({"target":"tool.diskpart","match":"delete partition","exitCode":5})");
        row("FAT32 refused before any change", splitD(6 * G, 4 * G, "K"), 3,
            "0 A FAT32 partition cannot be shrunk, so it cannot be split. Only NTFS partitions can be split.",
            {c, "D @20481 10240 FAT32 Data 0000-0002", e}, QString(), "FAT32");
        row("recovery partition refused", splitD(6 * G, 4 * G, "K"), 3,
            "0 D: (Data) is a recovery partition. It holds the Windows recovery environment: without it, Windows can "
            "no longer repair or reset itself.\n\nThis partition cannot be split.", untouched, QString(), "Recovery:NTFS");
        row("keep below 100 MiB", splitD(100 * M - 1, 10 * G - 100 * M, "K"), 2,
            "0 拆分条件验证失败: Keep partition size requires at least 100 MB", untouched);
        // 100 MiB passes the size rule; the provider's floor (1 % above the bytes used) refuses it.
        row("exactly 100 MiB kept", splitD(100 * M, 10 * G - 100 * M, "K"), 4,
            "0 The partition could not be shrunk: The size is not supported (code 4097)", untouched);
        // Without the check up front, the job's own check still refuses before any change.
        row("new below 100 MiB, unchecked up front",
            with(splitD(10 * G - 99 * M, 99 * M, "K"), [](auto &o) { o.validateBeforeSplit = false; }), 3,
            "0 New partition size requires at least 100 MB", untouched);
        for (const auto &[id, why] : {std::pair{"0:2:1", "Invalid partition ID format"}, std::pair{"x:2", "Unable to parse disk index"},
                                      std::pair{"0:9", "Partition 0:9 was not found"}})
            row(id, with(splitD(6 * G, 4 * G, "K"), [id = id](auto &o) { o.partitionId = id; }), 3, QStringLiteral("0 %1").arg(why), untouched);
        row("sizes 64 MiB + 1 byte short", splitD(6 * G, 4 * G - 64 * M - 1, "K"), 2, "0 拆分条件验证失败: Invalid split parameters", untouched);
        row("cancelled before it began", splitD(6 * G, 4 * G, "K"), 2, "0 The user canceled the split operation", untouched, "cancel");
        row("cancelled before the shrink", splitD(6 * G, 4 * G, "K"), 3, "0 The user canceled the split operation", untouched, "cancel@15");
        row("cancelled during the shrink", splitD(6 * G, 4 * G, "K"), 4, "0 The user canceled the split operation; the partition was "
            "already shrunk and the freed space is left unallocated", {c, shrunk, e}, "cancel@25");
    }

    void split()
    {
        QFETCH(QString, dFileSystem);
        QFETCH(SplitPartitionOptions, options);
        QFETCH(QString, fault);
        QFETCH(int, steps);
        QFETCH(QString, end);

        using Vol = TestMachine::Vol;
        TestMachine tm;
        tm.addDisk(0, 100 * G);
        tm.addPartition(0, M, 20 * G, "Primary", Vol("NTFS", "Windows", "C", 0, 4096, "0000-0001"));
        const QStringList kind = dFileSystem.split(':');
        tm.addPartition(0, 20 * G + M, 10 * G, kind.size() > 1 ? kind.front() : QStringLiteral("Primary"),
                        Vol(kind.back(), "Data", "D", 0, 4096, "0000-0002"));
        tm.addPartition(0, 30 * G + M, 5 * G, "Primary", Vol("NTFS", "Games", "E", 0, 4096, "0000-0003"));
        tm.setTimeScale(0.01);
        for (const QString &one : fault.startsWith(QLatin1String("cancel")) ? QStringList() : fault.split('\n', Qt::SkipEmptyParts))
            tm.addFault(one.toUtf8().constData());
        QVERIFY(tm.write());

        DiskOperationWorker worker;
        QVERIFY(worker.initWorkerStorageManager());
        QList<int> seen;
        connect(&worker, &DiskOperationWorker::splitPartitionProgress, this, [&](const QString &, int p) { seen << p; });
        QStringList reports;
        connect(&worker, &DiskOperationWorker::jobReported, this, [&](const QString &r) { reports << r; });
        QSignalSpy finished(&worker, &DiskOperationWorker::splitPartitionFinished);
        QSignalSpy created(&worker, &DiskOperationWorker::splitPartitionCompleted); // the creation step's own end
        if (fault == QLatin1String("cancel"))
            worker.cancelSplitOperation();
        connect(&worker, &DiskOperationWorker::splitPartitionProgress, &worker, [&](const QString &, int p) {
            if (fault == QStringLiteral("cancel@%1").arg(p))
                worker.cancelSplitOperation(); // on the job's thread: before its next step
        }, Qt::DirectConnection);
        worker.startSplitPartition(options);
        // Refused at once while the first runs: the busy flag is the delete job's too.
        worker.startSplitPartition(options);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(1).toString(), QStringLiteral("Another operation is in progress, please try again later"));
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(worker.isDeleting());

        QVERIFY(finished.wait(20000));
        QTest::qWait(20);
        QCOMPARE(finished.size(), 2);
        QCOMPARE(QStringLiteral("%1 %2").arg(finished.at(1).at(0).toBool()).arg(finished.at(1).at(1).toString()), end);
        QCOMPARE(seen, QList<int>({5, 10, 15, 25, 50, 100, 100}).mid(0, steps));
        QCOMPARE(created.size(), steps >= 5 ? 1 : 0);
        QVERIFY(created.isEmpty() || created.at(0).at(0).toBool() == end.startsWith(u'1'));
        QVERIFY(!worker.isDeleting());
        QTEST(disk0(tm.read()), "layout");
        if (QByteArray(QTest::currentDataTag()) == "creation fails after the shrink")
            QCOMPARE(reports, (QStringList{"create 1 partitions on disk 0: failed\n  [done] check the plan\n  [failed] create partition 1 of 1 (changes the "
                                           "disk): 创建第 1 个分区失败: Media (Not Supported (code 1))",
                                           "split 0:2: failed\n  [done] shrink the partition (changes the disk)\n  [done] read "
                                           "the partition table again\n  [failed] create the new partition (changes the disk): "
                                           "Failed to create new partition: 创建第 1 个分区失败: Media (Not Supported (code 1))\n"
                                           "  [done] give 0:2 its old size back (changes the disk)"}));
    }
};

QTEST_GUILESS_MAIN(TestSplitJob)
#include "tst_splitjob.moc"
