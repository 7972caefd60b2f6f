#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

PartitionCreateRequest request(qint64 size, const QString &label, const QString &letter, qint64 offset = 0)
{
    PartitionCreateRequest r;
    r.sizeBytes = size;
    r.fileSystem = QStringLiteral("NTFS");
    r.volumeLabel = label;
    r.driveLetter = letter;
    r.offsetBytes = offset;
    return r;
}

// "number @offset letter fs label" for each partition of disk 0.
QStringList disk0(const sim::Machine &m)
{
    return partitionsOf(m, 0, QStringLiteral("n @MiB letter fs label"));
}

} // namespace

class TestBatchJob : public QObject
{
    Q_OBJECT

private slots:
    // The job's whole report on a 40 GiB disk holding C: at 1 MiB (10 GiB) and E: at 14 GiB, so
    // that the 4 GiB between them is not the largest free region; each row ends with the
    // partitions of the disk afterwards. The job runs on the test's thread, with a storage
    // manager of that thread's own.
    void reports_data()
    {
        QTest::addColumn<QList<PartitionCreateRequest>>("requests");
        QTest::addColumn<QString>("fault"); // a tool fault, or "cancel" once a format has ended
        QTest::addColumn<QStringList>("creation");
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<QStringList>("layout");

        const QString ready = QStringLiteral("5 Ready to create partition...");
        const QString all = QStringLiteral("60 All partitions created, ready to format...");
        const QString c = QStringLiteral("1 @1MiB C NTFS Windows");
        const QString e = QStringLiteral("2 @14337MiB E NTFS Data");
        const qint64 start = 10 * sim::kGiB + sim::kMiB;
        // A plan the region cannot hold is refused before anything changes: a partition the
        // region holds only beside its reserve is too large.
        QTest::newRow("region holds less than its size")
            << QList<PartitionCreateRequest>{request(4 * sim::kGiB - 50 * sim::kMiB, "Whole", "K", start)}
            << QString()
            << QStringList{ready, "done 0 Partition 1 (3.95 GB) does not fit: 3.90 GB of the free region can still be given to it."}
            << QStringList() << QStringList{c, e};
        // Another program takes the space after the first while the job runs: the second fails,
        // the first is deleted again and nothing is formatted.
        QTest::newRow("second of three fails")
            << QList<PartitionCreateRequest>{request(sim::kGiB, "First", "K", start), request(sim::kGiB, "Second", "L"),
                                             request(sim::kGiB, "Third", "M")}
            << QStringLiteral("intruder")
            << QStringList{ready, "5 Creating partition 1/3...", "23 Partition 1 Created successfully",
                           "23 Creating partition 2/3...", "done 0 创建第 2 个分区失败: Second (the place chosen is no longer free space)\n"
                           "The partition made before it was removed again; the disk is as it was."}
            << QStringList() << QStringList{c, "2 @11286MiB E NTFS Data"};
        // The provider leaves the new partition out of its answer: it is found all the same. A letter
        // asked for and taken meanwhile is said in the end, and so is the label that needed it.
        QTest::newRow("made without a description; a letter not given")
            << QList<PartitionCreateRequest>{request(sim::kGiB, "找到", "H", start)}
            << QStringLiteral("{\"target\":\"wmi.method\",\"match\":\"CreatePartition\",\"omitOutput\":\"CreatedPartition\"}")
            << QStringList{ready, "5 Creating partition 1/1...", "60 Partition 1 Created successfully", all,
                           "done 1 Partition creation and formatting are all completed\uFF01\nPartition 1 did not get the letter H: (it is in use or "
                           "cannot be given); it has no letter.\nPartition 0:3: formatted, but the label \"找到\" could not be set: "
                           "the volume has no drive letter to name it through."}
            << QStringList{"1 1 100", "finished 1 All 1 partitions formatted successfully\nPartition 0:3: formatted, but the label \"找到\" "
                                      "could not be set: the volume has no drive letter to name it through."}
            << QStringList{c, "3 @10241MiB  NTFS NewVolume", e};
        // Placed one after the other from the region's start; the second's format fails on
        // every route, the first's succeeds (with a label no script carries), and the job
        // reports the failure.
        QTest::newRow("one of two formats fails")
            << QList<PartitionCreateRequest>{request(sim::kGiB, "备份 Good", "K", start), request(sim::kGiB, "Bad", QString())}
            << QStringLiteral("{\"target\":\"tool.diskpart\",\"match\":\"label=\\\"Bad\\\"\",\"exitCode\":1}")
            << QStringList{ready, "5 Creating partition 1/2...", "32 Partition 1 Created successfully",
                           "32 Creating partition 2/2...", "60 Partition 2 Created successfully", all,
                           "done 0 The formatting process failed: 1 of 2 partitions formatted. Partition 0:4 could not "
                           "be formatted (diskpart ended with exit code 1); \n"
                           "Partition 0:4 was created and stays on the disk without a file system."}
            << QStringList{"1 2 50", "2 2 100",
                           "finished 0 1 of 2 partitions formatted. Partition 0:4 could not be formatted (diskpart ended "
                           "with exit code 1); "}
            << QStringList{c, "3 @10241MiB K NTFS 备份 Good", "4 @11286MiB D  ", e};
        // A cancel while the first (unnamed: named by default) is formatted: it is finished, the second left unformatted.
        const QString cancelled = QStringLiteral("Formatting canceled: 1 of 2 partitions formatted; 1 not started and left as they were.");
        QTest::newRow("cancelled between formats")
            << QList<PartitionCreateRequest>{request(sim::kGiB, QString(), "K", start), request(sim::kGiB, "Left", QString())}
            << QStringLiteral("cancel")
            << QStringList{ready, "5 Creating partition 1/2...", "32 Partition 1 Created successfully",
                           "32 Creating partition 2/2...", "60 Partition 2 Created successfully", all, "done 0 " + cancelled}
            << QStringList{"1 2 50", "finished 0 " + cancelled}
            << QStringList{c, "3 @10241MiB K NTFS New Volume 1", "4 @11286MiB D  ", e};
    }

    void reports()
    {
        QFETCH(QList<PartitionCreateRequest>, requests);
        QFETCH(QString, fault);
        QFETCH(QStringList, formats);

        TestMachine tm;
        tm.addDisk(0, 40 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
        tm.addPartition(0, 14 * sim::kGiB + sim::kMiB, 2 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        tm.addOtherDrive("H", 5); // a letter a plan may ask for, taken by a DVD drive
        tm.setTimeScale(0.01);
        if (fault.startsWith(QLatin1Char('{')))
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());

        DiskOperationWorker worker;
        QStringList events;
        QStringList formatEvents;
        connect(&worker, &DiskOperationWorker::partitionCreationProgress, this, [&](int percent, const QString &message) {
            events << QStringLiteral("%1 %2").arg(percent).arg(message);
            if (fault == QLatin1String("intruder") && message == QLatin1String("Partition 1 Created successfully"))
                QVERIFY(tm.store().modify([](sim::Machine &m) {
                    sim::Partition &e = m.disks[0].partitions.last();
                    e.size += e.offset - 11286 * sim::kMiB;
                    e.offset = 11286 * sim::kMiB;
                    return true;
                }));
        });
        connect(&worker, &DiskOperationWorker::partitionCreationCompleted, this,
                [&](bool ok, const QString &message) { events << QStringLiteral("done %1 %2").arg(ok).arg(message); });
        connect(&worker, &DiskOperationWorker::batchFormatProgress, this, [&](int i, int n, int p) {
            formatEvents << QStringLiteral("%1 %2 %3").arg(i).arg(n).arg(p);
            if (fault == QLatin1String("cancel"))
                worker.cancelOperation();
        });
        connect(&worker, &DiskOperationWorker::batchFormatFinished, this,
                [&](bool ok, const QString &message) { formatEvents << QStringLiteral("finished %1 %2").arg(ok).arg(message); });
        worker.startBatchCreateAndFormat(requests, 0);

        QTEST(events, "creation");
        QCOMPARE(formatEvents, formats);
        QTEST(disk0(tm.read()), "layout");
        // A single format afterwards is a job of its own, however the batch ended.
        QSignalSpy single(&worker, &DiskOperationWorker::operationCompleted);
        worker.formatPartitionAsync({QStringLiteral("E:"), QStringLiteral("NTFS"), QStringLiteral("After"), 0, true});
        QCOMPARE(single.size(), 1);
        QCOMPARE(formatEvents, formats);
    }

    // The format batch on its own: nothing to do is a success, a second batch starts afresh, and
    // a single format after it is not taken for a third.
    void formatBatchAlone()
    {
        TestMachine tm;
        tm.addDisk(0, 20 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 4 * sim::kGiB, "Primary", TestMachine::Vol("", "", "K"));
        tm.setTimeScale(0.01);
        QVERIFY(tm.write());

        DiskOperationWorker worker;
        QSignalSpy finished(&worker, &DiskOperationWorker::batchFormatFinished);
        QSignalSpy created(&worker, &DiskOperationWorker::partitionCreationCompleted);
        worker.startBatchFormat({});
        DiskOperationWorker::FormatOptions task;
        task.partitionPath = QStringLiteral("0:1");
        task.fileSystem = QStringLiteral("exFAT");
        task.volumeLabel = QStringLiteral("Media");
        worker.startBatchFormat({task});
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished.at(0), (QList<QVariant>{true, QStringLiteral("No tasks to process")}));
        QCOMPARE(finished.at(1), (QList<QVariant>{true, QStringLiteral("All 1 partitions formatted successfully")}));
        QCOMPARE(created.size(), 0);
        QCOMPARE(disk0(tm.read()), QStringList{"1 @1MiB K exFAT Media"});
        // The batch is over: a single format afterwards is a job of its own, not the batch's next.
        task.fileSystem = QStringLiteral("NTFS");
        worker.formatPartitionAsync(task);
        QCOMPARE(finished.size(), 2);
        QCOMPARE(disk0(tm.read()), QStringList{"1 @1MiB K NTFS Media"});
    }
};

QTEST_GUILESS_MAIN(TestBatchJob)
#include "tst_batchjob.moc"
