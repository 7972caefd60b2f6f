#include "support/testmachine.h"
#include "support/workerrig.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"
#include "worker/volumejob.h"

#include <QtTest>

// The small jobs end to end: a worker on its own thread against a machine the test builds; each
// check reads the machine file afterwards.
class TestVolumeJob : public QObject
{
    Q_OBJECT

    // Runs `job` on the rig's worker; "ok <message>" or "failed <message>". The job's report
    // lands in `trace` when asked.
    static QString run(WorkerRig &rig, const std::function<void(DiskOperationWorker *)> &job, QString *trace = nullptr)
    {
        QString end;
        QObject receiver;
        if (trace)
            connect(rig.worker, &DiskOperationWorker::jobReported, &receiver, [trace](const QString &t) { *trace = t; });
        connect(rig.worker, &DiskOperationWorker::volumeJobFinished, &receiver,
                [&](bool ok, const QString &m) { end += (end.isEmpty() ? "" : "|") + QString(ok ? "ok " : "failed ") + m; });
        DiskOperationWorker *worker = rig.worker;
        if (!rig.run([worker, job] { job(worker); }) || !QTest::qWaitFor([&] { return !end.isEmpty(); }, 5000))
            return QStringLiteral("no end");
        QTest::qWait(20); // a second end would arrive now
        return end;
    }

    static PartitionInfo record(const QString &id)
    {
        WindowsStorageManager storage;
        return storage.initialize() ? storage.getPartitionInfo(id) : PartitionInfo();
    }

private slots:
    // A RAW disk gets its table; a partition can then be made on it. GPT lays the reserved
    // partition down first; MBR leaves the disk free. A disk with a table is never touched.
    void initialize_data()
    {
        QTest::addColumn<int>("disk");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("layout"); // "style: n @offset mib" after a 1 GiB NTFS request
        QTest::newRow("GPT") << 1 << 2 << "" << "ok Disk 1 is initialised as GPT. Its space is free for new partitions. "
                                                "Windows reserved the first 16 MB for itself (a Microsoft Reserved partition)."
                             << QStringList{"GPT", "1 @0MiB 15", "2 @16MiB 1045"};
        QTest::newRow("MBR") << 1 << 1 << "" << "ok Disk 1 is initialised as MBR. Its space is free for new partitions."
                             << QStringList{"MBR", "1 @1MiB 1044"};
        QTest::newRow("has a table") << 0 << 2 << ""
                                     << "failed Disk 0 was not initialised: Disk 0 is already initialised (MBR): initialising "
                                        "it again would lose its partitions. Nothing was changed."
                                     << QStringList{"MBR", "1 @1MiB 1024", "2 @1025MiB 1044"};
        QTest::newRow("no such style") << 1 << 3 << "" << "failed Disk 1 was not initialised: 3 is no partition style. Nothing was changed."
                                       << QStringList{"RAW"};
        QTest::newRow("provider refuses") << 1 << 2 << R"({"target":"wmi.method","match":"MSFT_Disk.Initialize","returnValue":40001})"
                                          << "failed Disk 1 could not be initialised: Access Denied (code 40001). It is still "
                                             "uninitialised."
                                          << QStringList{"RAW"};
        QTest::newRow("no connection to the system") << 1 << 2 << R"({"target":"wmi.connect","times":1})"
            << "failed Disk 1 was not initialised: Storage manager is not initialized. Nothing was changed." << QStringList{"RAW"};
    }
    void initialize()
    {
        QFETCH(int, disk);
        QFETCH(int, style);
        QFETCH(QString, fault);
        QFETCH(QString, end);
        TestMachine tm;
        tm.addDisk(0, 20 * sim::kGiB, "MBR");
        tm.addPartition(0, sim::kMiB, sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        tm.addDisk(1, 10 * sim::kGiB, "RAW");
        if (!fault.isEmpty())
            tm.addFault(fault.toUtf8().constData());
        QVERIFY(tm.write());
        const QStringList untouched = TestMachine::fingerprint(tm.read()).filter(QRegularExpression("^0:"));

        WorkerRig rig(this);
        QString trace;
        QCOMPARE(run(rig, [=](DiskOperationWorker *w) { w->initializeDiskAsync(disk, style); }, &trace), end);
        if (QByteArray(QTest::currentDataTag()) == "GPT")
            QCOMPARE(trace, "initialize disk 1 as GPT: succeeded\n  [done] check that the disk is uninitialised\n"
                            "  [done] write the partition table (changes the disk)");
        WindowsStorageManager storage;
        QVERIFY(storage.initialize());
        storage.createPartition(disk, sim::kGiB, QStringLiteral("NTFS"), false);
        const sim::Machine after = tm.read();
        QTEST(QStringList{after.disk(disk)->partitionStyle} + partitionsOf(after, disk, "n @MiB mib"), "layout");
        if (disk == 1)
            QCOMPARE(TestMachine::fingerprint(after).filter(QRegularExpression("^0:")), untouched);
    }

    // A letter changed, taken away and given back: the volume keeps its serial, the machine's own
    // tool shows what the job said. Every refusal leaves the machine as it was.
    void letters()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 60 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
        tm.addPartition(0, 61 * sim::kGiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Work", "E", 0, 4096, "1111-2222"));
        tm.addPartition(0, 71 * sim::kGiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F"));
        QVERIFY(tm.write());
        const QStringList others = TestMachine::fingerprint(tm.read(), 0, 2);
        WorkerRig rig(this);
        auto change = [&](const QString &id, const QString &letter) {
            const PartitionInfo p = record(id);
            return run(rig, [p, letter](DiskOperationWorker *w) { w->changeDriveLetterAsync(p, letter); });
        };
        const QString fields = QStringLiteral("letter serial");

        QString trace;
        const PartitionInfo work = record("0:2");
        QCOMPARE(run(rig, [work](DiskOperationWorker *w) { w->changeDriveLetterAsync(work, "K"); }, &trace),
                 "ok E: is now K:. Programs and shortcuts that used E: need the new letter.");
        QCOMPARE(trace, "change the drive letter of 0:2 from E: to K:: succeeded\n  [done] check the partition and the letter\n"
                        "  [done] remove E: (changes the disk)\n  [done] give K: (changes the disk)");
        QCOMPARE(partitionsOf(tm.read(), 0, fields).at(1), "K 1111-2222");

        const PartitionInfo lettered = record("0:2");
        QCOMPARE(run(rig, [lettered](DiskOperationWorker *w) { w->changeDriveLetterAsync(lettered, ""); }, &trace),
                 "ok K: (Work) no longer has a drive letter; its files are kept. Programs and "
                 "shortcuts that used K: will not find it until it has a letter again.");
        QVERIFY(trace.startsWith("change the drive letter of 0:2 from K: to none: succeeded\n"));
        QCOMPARE(change("0:2", "e:"), "ok Partition 2 of Disk 0 now has the letter E:.");
        QCOMPARE(partitionsOf(tm.read(), 0, fields).at(1), "E 1111-2222");
        QCOMPARE(TestMachine::fingerprint(tm.read(), 0, 2), others);

        // Refused before anything changes.
        const QStringList before = TestMachine::fingerprint(tm.read());
        const QString notChanged = QStringLiteral("failed The drive letter of %1 was not changed: ");
        QCOMPARE(change("0:1", "G"), notChanged.arg("C: (Windows)") + "C: holds the running Windows: its letter cannot "
                                                                        "change while Windows runs from it.");
        QCOMPARE(change("0:2", "F"), notChanged.arg("E: (Work)") + "F: is in use by another drive.");
        QCOMPARE(change("0:2", "E"), notChanged.arg("E: (Work)") + "E: (Work) has that letter already.");
        QCOMPARE(change("0:2", "\u00C9"), notChanged.arg("E: (Work)") + "\"\u00C9\" is no drive letter: letters run from A to Z.");
        const PartitionInfo stale = record("0:2");
        tm.partition(0, 2).volume->serial = "9999-0000"; // formatted behind the user's back
        QVERIFY(tm.write());
        QCOMPARE(run(rig, [stale](DiskOperationWorker *w) { w->changeDriveLetterAsync(stale, "G"); }),
                 notChanged.arg("E: (Work)") + layoutChangedText());
        tm.partition(0, 2).volume->serial = "1111-2222";
        QVERIFY(tm.write());
        QCOMPARE(TestMachine::fingerprint(tm.read()), before);

        // A letter the provider will not give: the old one goes back.
        const QString refused = "failed L: could not be given to E: (Work): The access path is already in use (code 42002). ";
        auto failAdding = [&](int times) {
            tm.addFault(QJsonObject{{"target", "wmi.method"}, {"match", "MSFT_Partition.AddAccessPath"}, {"returnValue", 42002},
                                    {"times", times}});
            return tm.write();
        };
        QVERIFY(failAdding(1));
        QCOMPARE(change("0:2", "L"), refused + "The partition has its letter E: back.");
        QCOMPARE(TestMachine::fingerprint(tm.read()), before);
        // And when even that fails, the message says the partition has no letter, as it has not.
        QVERIFY(failAdding(2));
        QCOMPARE(change("0:2", "L"), refused + "Giving E: back failed too (The access path is already in use (code 42002)): "
                                               "the partition has no letter now.");
        QCOMPARE(partitionsOf(tm.read(), 0, fields).at(1), " 1111-2222");
    }

    // What no job may touch is refused before anything changes; a step the system refuses ends
    // with the state the partition is in.
    void refusalsAndFailures()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * sim::kGiB, "MBR");
        tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Keep", "E"));
        tm.addPartition(0, 11 * sim::kGiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS"));
        tm.addPartition(0, 21 * sim::kGiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("", "", "R"));
        tm.addPartition(0, 31 * sim::kGiB, 20 * sim::kGiB, "Extended");
        tm.addDisk(1, 10 * sim::kGiB).readOnly = true;
        tm.addPartition(1, sim::kMiB, 16 * sim::kMiB, "MSR");
        tm.addPartition(1, 17 * sim::kMiB, sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Old", "W"));
        tm.addFault(QJsonObject{{"target", "wmi.method"}, {"match", "RemoveAccessPath"}, {"returnValue", 42007}});
        tm.addFault(QJsonObject{{"target", "wmi.method"}, {"match", "AddAccessPath"}, {"returnValue", 42002}});
        QVERIFY(tm.write());
        const QStringList before = TestMachine::fingerprint(tm.read());
        PartitionInfo freeSpace;
        freeSpace.isUnallocated = true;
        struct Case { const char *id; const char *op; const char *arg; QString end; };
        const QString letter = QStringLiteral("failed The drive letter of %1 was not changed: ");
        const Case cases[] = {
            {"", "letter", "K", letter.arg("Partition 0 of Disk -1") + "Free space has no drive letter. Create a partition in it first."},
            {"", "rename", "x", "failed Partition 0 of Disk -1 was not renamed: Free space has no volume to rename. Create a partition in it first."},
            {"1:1", "letter", "K", letter.arg("Partition 1 of Disk 1") + "A Microsoft Reserved partition holds no volume, so it can have no drive letter."},
            {"0:4", "letter", "K", letter.arg("Partition 4 of Disk 0") + "An extended partition holds logical drives, not a volume: give the letter to one of its logical drives."},
            {"0:2", "letter", "", letter.arg("Partition 2 of Disk 0") + "Partition 2 of Disk 0 has no drive letter to take away."},
            {"0:2", "rename", "x", "failed Partition 2 of Disk 0 was not renamed: Partition 2 of Disk 0 has no drive letter. Give it one first (Change Drive Letter), then rename it."},
            {"0:3", "rename", "x", "failed R: was not renamed: R: holds no file system, so it has no name to change. Format it first."},
            {"0:1", "letter", "K", "failed E: could not be taken from E: (Keep): The access path is not valid (code 42007). The partition keeps it."},
            {"0:2", "letter", "K", "failed K: could not be given to Partition 2 of Disk 0: The access path is already in use (code 42002). The partition still has no letter."},
            {"1:2", "rename", "New", "failed W: (Old) could not be renamed: the disk is write-protected. Its name is unchanged."},
            {"9", "init", "", "failed Disk 9 was not initialised: Disk 9 is no longer there. Nothing was changed."},
        };
        WorkerRig rig(this);
        for (const Case &c : cases) {
            const PartitionInfo p = *c.id ? record(c.id) : freeSpace;
            const QString arg = c.arg, op = c.op;
            QCOMPARE(run(rig, [p, arg, op](DiskOperationWorker *w) {
                         if (op == "letter")
                             w->changeDriveLetterAsync(p, arg);
                         else if (op == "rename")
                             w->renameVolumeAsync(p, arg);
                         else
                             w->initializeDiskAsync(9, 2);
                     }), c.end);
        }
        QCOMPARE(TestMachine::fingerprint(tm.read()), before);
        PartitionInfo unreadable = record("0:1");
        for (const char *fs : {"Unknown", "RAW"}) {
            unreadable.fileSystem = QString::fromLatin1(fs);
            QCOMPARE(VolumeJob::renameRefusal(unreadable), "E: (Keep) holds no file system, so it has no name to change. Format it first.");
        }
    }

    // Labels within and beyond each file system's rules; the volume is never formatted.
    void labels_data()
    {
        QTest::addColumn<QString>("fs");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("stored");
        QTest::newRow("NTFS, 32") << "NTFS" << QString(32, 'n') << "ok X: is now named \u201C" + QString(32, 'n') + "\u201D." << QString(32, 'n');
        QTest::newRow("NTFS, 33") << "NTFS" << QString(33, 'n')
                                  << "failed X: (Old) was not renamed: NTFS labels hold at most 32 characters; this one has 33."
                                  << "Old";
        QTest::newRow("FAT32, upper case") << "FAT32" << "my media" << "ok X: is now named \u201CMY MEDIA\u201D." << "MY MEDIA";
        QTest::newRow("FAT32, 12") << "FAT32" << "twelve chars" << "failed X: (Old) was not renamed: FAT32 labels hold at most 11 "
                                                                   "characters; this one has 12." << "Old";
        QTest::newRow("FAT32, refused characters") << "FAT32" << "a.b+c.d" << "failed X: (Old) was not renamed: FAT32 labels cannot contain \u201C.\u201D \u201C+\u201D."
                                                   << "Old";
        QTest::newRow("exFAT, 15") << "exFAT" << "fifteen chars!!" << "ok X: is now named \u201Cfifteen chars!!\u201D." << "fifteen chars!!";
        QTest::newRow("exFAT, 16") << "exFAT" << "sixteen chars!!!" << "failed X: (Old) was not renamed: exFAT labels hold at most 15 "
                                                                       "characters; this one has 16." << "Old";
        QTest::newRow("line break") << "NTFS" << "a\nformat" << "failed X: (Old) was not renamed: A label cannot contain line breaks, "
                                                                "tabs or other control characters." << "Old";
        QTest::newRow("removed") << "NTFS" << "" << "ok X: no longer has a name." << "";
    }
    void labels()
    {
        QFETCH(QString, fs);
        QFETCH(QString, label);
        TestMachine tm;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol(fs, "Old", "X", 0, 4096, "ABCD-0001"));
        QVERIFY(tm.write());
        WorkerRig rig(this);
        const PartitionInfo p = record("0:1");
        QString trace;
        QTEST(run(rig, [p, label](DiskOperationWorker *w) { w->renameVolumeAsync(p, label); }, &trace), "end");
        if (QByteArray(QTest::currentDataTag()) == "FAT32, upper case")
            QCOMPARE(trace, "rename X: to \"my media\": succeeded\n  [done] check the volume and the label\n"
                            "  [done] set the label (changes the disk)");
        QFETCH(QString, stored);
        QCOMPARE(partitionsOf(tm.read(), 0, "fs label serial"), QStringList{fs + " " + stored + " ABCD-0001"});
    }
};

QTEST_GUILESS_MAIN(TestVolumeJob)
#include "tst_volumejob.moc"
