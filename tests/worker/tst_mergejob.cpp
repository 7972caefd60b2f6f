// The merge job on simulated machines: the real diskpart stand-in changes the machine file, and
// each case is judged by the layout it leaves (sizes, letters, serials) and by how it ended.
#include "support/testmachine.h"
#include "support/workerrig.h"

#include "worker/diskoperationworker.h"

#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(MergePartitionOptions)

namespace {

// Disk 1: E: NTFS 10 GiB, a 60 MiB gap, F: NTFS 5 GiB, then free space. C: and D: are free, so a
// letter given "any free letter" would not be E.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    using Vol = TestMachine::Vol;
    tm.addDisk(1, 100 * sim::kGiB, "MBR");
    tm.addPartition(1, sim::kMiB, 10 * sim::kGiB, "Primary", Vol("NTFS", "Data", "E", sim::kGiB, 4096, "1111-2222"));
    tm.addPartition(1, sim::kMiB + 10 * sim::kGiB + 60 * sim::kMiB, 5 * sim::kGiB, "Primary",
                    Vol("NTFS", "Media", "F", sim::kGiB, 4096, "3333-4444"));
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

// "1 E 10240 1111-2222, 2 F 5120 3333-4444": number, letter, MiB and serial of each partition.
QString layoutOf(const sim::Machine &m)
{
    return partitionsOf(m, 1, QStringLiteral("n letter mib serial")).join(QLatin1String(", "));
}

QString gapDone(const QString &into = QStringLiteral("E:"))
{
    return QStringLiteral("ok Successfully merged 60.0 MB of unallocated space into %1.\n\nNew partition size: 10.06 GB").arg(into);
}

const QString Untouched = QStringLiteral("1 E 10240 1111-2222, 2 F 5120 3333-4444");

MergePartitionOptions gapMerge()
{
    MergePartitionOptions o;
    o.diskNumber = 1;
    o.sourcePartitionNumber = 1;
    o.targetPartitionNumber = -1;
    o.mergeUnallocated = true;
    o.sourceDriveLetter = QStringLiteral("E");
    o.fileSystem = QStringLiteral("NTFS");
    o.sourceSizeBytes = 10 * sim::kGiB;
    o.targetSizeBytes = 60 * sim::kMiB;
    o.newSizeBytes = o.sourceSizeBytes + o.targetSizeBytes;
    return o;
}

MergePartitionOptions partitionMerge()
{
    MergePartitionOptions o = gapMerge();
    o.targetPartitionNumber = 2;
    o.mergeUnallocated = false;
    o.mergeWithPartition = true;
    o.targetDriveLetter = QStringLiteral("F");
    o.targetSizeBytes = 5 * sim::kGiB;
    o.newSizeBytes = o.sourceSizeBytes + o.targetSizeBytes;
    return o;
}

struct JobRun
{
    QStringList events;  // "10 Verify merge conditions" for progress, the text for status
    QStringList ends;    // "finished ok|failed message" and "ui ok|failed message", as they came
    QString after;       // what the worker says once the end has arrived
    QString report;      // the job's report
    QString percentages() const
    {
        QStringList out;
        for (const QString &e : events)
            if (e.at(0).isDigit())
                out << e.section(QLatin1Char(' '), 0, 0);
        return out.join(QLatin1Char(' '));
    }
};

// Runs one merge on a worker thread of its own, as the dialog does, and collects what reached this thread.
JobRun runJob(const MergePartitionOptions &options)
{
    JobRun run;
    QObject here;
    WorkerRig rig(&here);
    DiskOperationWorker *worker = rig.worker;
    QObject::connect(worker, &DiskOperationWorker::mergePartitionProgress, &here,
                     [&](const QString &step, int p) { run.events << QStringLiteral("%1 %2").arg(p).arg(step); });
    QObject::connect(worker, &DiskOperationWorker::mergePartitionStatusChanged, &here,
                     [&](const QString &s) { run.events << s; });
    QObject::connect(worker, &DiskOperationWorker::mergePartitionFinished, &here, [&](bool ok, const QString &m) {
        run.ends << QStringLiteral("finished %1 %2").arg(ok ? "ok" : "failed", m);
    });
    QObject::connect(worker, &DiskOperationWorker::jobReported, &here, [&](const QString &r) { run.report += r; });
    QObject::connect(worker, &DiskOperationWorker::uiMergeCompleted, &here, [&](bool ok, const QString &m) {
        run.ends << QStringLiteral("ui %1 %2").arg(ok ? "ok" : "failed", m);
    });
    QMetaObject::invokeMethod(worker, [worker, options] { worker->startMergePartition(options); }, Qt::QueuedConnection);
    if (!QTest::qWaitFor([&] { return !run.ends.isEmpty(); }, 30000))
        qWarning("the merge job did not end");
    run.after = QStringLiteral("%1 %2").arg(worker->isOperationInProgress() ? "busy" : "idle").arg(worker->getCurrentProgress());
    rig.thread.quit();
    rig.thread.wait();
    QCoreApplication::processEvents(); // a second end, had there been one, is here now
    return run;
}

} // namespace

class TestMergeJob : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<MergePartitionOptions>("options");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("layout");

        const MergePartitionOptions gap = gapMerge(), part = partitionMerge();
        const QString grown = "1 E 10300 1111-2222, 2 F 5120 3333-4444";
        const QString invalid = "failed Merge condition validation failed";
        auto with = [](MergePartitionOptions o, const std::function<void(MergePartitionOptions &)> &change) {
            change(o);
            return o;
        };
        auto extendFault = [](const char *rest) {
            return QByteArray(R"({"target":"tool.diskpart","match":"extend",)") + rest + '}';
        };

        QTest::newRow("gap: E: grows over it, keeps E: and its serial") << gap << QByteArray() << gapDone() << grown;
        // Exactly F:'s size: a bare extend would also take the free space after F:.
        QTest::newRow("partition: F: deleted, E: grows by its size")
            << part << QByteArray()
            << "ok Successfully merged F: into E:.\n\n Original partition size: 10.00 GB, new "
               "partition size: 15.00 GB, increased space: 5.00 GB"
            << "1 E 15360 1111-2222";
        // A source the options give no letter comes back with the first free one.
        QTest::newRow("gap: no letter named, any free one") << with(gap, [](auto &o) { o.sourceDriveLetter.clear(); })
                                                            << QByteArray() << gapDone("Partition 1 of Disk 1") << "1 C 10300 1111-2222, 2 F 5120 3333-4444";
        // Its own letter refused, any free one given: the end says which, as the tree will show it.
        QTest::newRow("gap: E: not given back, another letter said")
            << gap << QByteArray(R"({"target":"tool.diskpart","match":"assign letter=E","exitCode":4})")
            << gapDone() + "\n\nIts drive letter E: could not be given back; it has the letter C: now."
            << "1 C 10300 1111-2222, 2 F 5120 3333-4444";
        // Without the target's size the extend takes all the free space after the source.
        QTest::newRow("partition: size unknown, a bare extend")
            << with(part, [](auto &o) { o.targetSizeBytes = 0; }) << QByteArray()
            << "ok Successfully merged F: into E:.\n\n Original partition size: 10.00 GB, new partition "
               "size: 15.00 GB, increased space: 0 B"
            << "1 E 102399 1111-2222";
        QTest::newRow("gap: the target number is not checked")
            << with(gap, [](auto &o) { o.targetPartitionNumber = 1; }) << QByteArray() << gapDone() << grown;
        for (const auto &[name, options] : {std::pair{"partition: target is the source", with(part, [](auto &o) { o.targetPartitionNumber = 1; })},
                                            {"partition: no target", with(part, [](auto &o) { o.targetPartitionNumber = 0; })},
                                            {"no disk", with(gap, [](auto &o) { o.diskNumber = -1; })},
                                            {"no source", with(gap, [](auto &o) { o.sourcePartitionNumber = 0; })}})
            QTest::newRow(name) << options << QByteArray() << invalid << Untouched;
        // Read afresh before the first change: a source or neighbour other than the confirmed one.
        const QString changed = "failed The disk layout changed since you chose this partition. The list has been "
                                "refreshed; please choose again.";
        for (const auto &[name, options] : {std::pair{"partition: the target is gone", with(part, [](auto &o) { o.targetPartitionNumber = 3; })},
                                            {"gap: the source has another size", with(gap, [](auto &o) { o.sourceSizeBytes -= sim::kMiB; })},
                                            {"gap: the source is gone", with(gap, [](auto &o) { o.sourcePartitionNumber = 3; })}})
            QTest::newRow(name) << options << QByteArray() << changed << Untouched;
        // Checked even unasked: F: would be deleted for an extend that cannot succeed.
        QTest::newRow("FAT32 source, unvalidated")
            << with(part, [](auto &o) { o.fileSystem = "FAT32"; o.validateBeforeMerge = false; }) << QByteArray()
            << invalid + ": a FAT32 partition cannot be extended. Nothing has been changed." << Untouched;
        QTest::newRow("exFAT source") << with(gap, [](auto &o) { o.fileSystem = "exFAT"; }) << QByteArray()
                                      << invalid + ": a exFAT partition cannot be extended. Nothing has been changed."
                                      << Untouched;
        // Each script may take 120 s: 2400 ms at this scale.
        const MergePartitionOptions noLimit = with(gap, [](auto &o) { o.timeoutSeconds = 0; });
        QTest::newRow("time-out 0, a short hang passes") << noLimit << extendFault(R"("hangMs":200)") << gapDone() << grown;
        QTest::newRow("time-out 0, a hung script is ended at its own limit")
            << noLimit << extendFault(R"("hangMs":3500)")
            << "failed Process execution failed: diskpart process execution timed out" << Untouched;
    }

    void outcomes()
    {
        QFETCH(MergePartitionOptions, options);
        QFETCH(QByteArray, fault);
        QFETCH(QString, end);
        TestMachine tm;
        buildMachine(tm, 0.02, fault);
        const JobRun run = runJob(options);
        QCOMPARE(run.ends, (QStringList{"finished " + end, "ui " + end}));
        QTEST(layoutOf(tm.read()), "layout");
        QCOMPARE(run.after, end.startsWith("ok") ? "idle 100" : "idle 0");
        QVERIFY(end.contains(QLatin1String("timed out")) || !run.events.contains(QStringLiteral("diskpart process crashed abnormally")));
        const QString expected = end.startsWith("ok") ? (options.mergeWithPartition ? "5 10 30 60 85 95 100" : "5 10 30 60 75 85 95 100")
                                 : end.contains("validation") || end.contains("layout changed") ? "5 10"
                                                              : "5 10 30 60";
        QCOMPARE(run.percentages(), QString(expected));
    }

    // The overall limit, checked between steps. 2 s (200 ms here) run out while the job pauses
    // after the extend: it stops there instead of running on. 1 s (100 ms) run out while the
    // first remove hangs: the remove ends on its own, the delete is not started, and both
    // letters come back. Either way the time-out is said once and ends the job once.
    void overallLimit()
    {
        const QString end = QStringLiteral("failed The merge operation ran past its time limit and was stopped");
        for (const bool inStep2 : {false, true}) {
            TestMachine tm;
            buildMachine(tm, 0.1, inStep2 ? R"({"target":"tool.diskpart","match":"remove","hangMs":400})" : "");
            MergePartitionOptions o = inStep2 ? partitionMerge() : gapMerge();
            o.timeoutSeconds = inStep2 ? 1 : 2;
            const JobRun run = runJob(o);
            QCOMPARE(run.ends, (QStringList{"finished " + end, "ui " + end}));
            QCOMPARE(run.events.count(QStringLiteral("Operation timed out, canceling...")), 1);
            QVERIFY(!run.events.contains(QStringLiteral("Refreshing partition table...")));
            if (inStep2) {
                QCOMPARE(run.percentages(), QStringLiteral("5 10 30"));
                QCOMPARE(layoutOf(tm.read()), Untouched);
            } else {
                QVERIFY(layoutOf(tm.read()).startsWith(QLatin1String("1 E ")));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestMergeJob)
#include "tst_mergejob.moc"
