#include "support/testmachine.h"
#include "support/workerrig.h"

#include "worker/diskoperationworker.h"

#include <QtTest>

// The six jobs with a fault at each step (a method error, a tool exiting non-zero, crashing or hanging
// past its limit): one end, its flag right, its message naming the cause and what it left, the disk
// exactly as it says; the other disk never touched.

namespace {

using Vol = TestMachine::Vol;
constexpr qint64 M = sim::kMiB;
constexpr qint64 G = sim::kGiB;

using Start = std::function<void(DiskOperationWorker *)>;
using End = void (DiskOperationWorker::*)(bool, QString);

struct Job
{
    Start start;
    End end;
};

// Disk 1: E: (10 GiB), F: (5 GiB), G: (5 GiB), then 40 GiB free. Each job works on E: or F:.
Job job(const QString &name)
{
    const QString ntfs = QStringLiteral("NTFS");
    if (name == QLatin1String("create"))
        return {[ntfs](DiskOperationWorker *w) {
                    w->startBatchCreateAndFormat({{G, ntfs, QStringLiteral("One"), QStringLiteral("P")},
                                                  {G, ntfs, QStringLiteral("Two"), QStringLiteral("Q")}}, 1);
                }, &DiskOperationWorker::partitionCreationCompleted};
    if (name == QLatin1String("format"))
        return {[ntfs](DiskOperationWorker *w) { w->formatPartitionAsync({QStringLiteral("F:"), ntfs, QStringLiteral("Fresh"), 0, true}); },
                &DiskOperationWorker::operationCompleted};
    if (name == QLatin1String("delete"))
        return {[](DiskOperationWorker *w) {
                    PartitionInfo f;
                    f.diskIndex = 1;
                    f.partitionNumber = 2;
                    w->executeDeletePartition(f);
                }, &DiskOperationWorker::deletePartitionFinished};
    if (name == QLatin1String("resize"))
        return {[](DiskOperationWorker *w) { w->resizePartitionCompleteAsync(QStringLiteral("1:1"), 8 * G); },
                &DiskOperationWorker::operationCompleted};
    if (name == QLatin1String("merge"))
        return {[ntfs](DiskOperationWorker *w) {
                    w->startMergePartition({1, 1, 2, false, QStringLiteral("E"), QStringLiteral("F"), ntfs, 10 * G, 5 * G, 15 * G,
                                            {}, {}, {}, 300, true, true, true}); // F: merged into E:
                }, &DiskOperationWorker::mergePartitionFinished};
    return {[ntfs](DiskOperationWorker *w) {
                if (w->initWorkerStorageManager())
                    w->startSplitPartition({QStringLiteral("1:1"), QString(), 10 * G, 6 * G, 4 * G, ntfs, QStringLiteral("Half"),
                                            QStringLiteral("K"), true, true});
            }, &DiskOperationWorker::splitPartitionFinished};
}

QByteArray tool(const char *match, const char *effect)
{
    return QStringLiteral(R"({"target":"tool.diskpart","match":"%1",%2})").arg(QLatin1String(match), QLatin1String(effect)).toUtf8();
}

QByteArray method(const char *name, const char *effect)
{
    return QStringLiteral(R"({"target":"wmi.method","match":"%1",%2})").arg(QLatin1String(name), QLatin1String(effect)).toUtf8();
}

const char Refused[] = R"("exitCode":4,"output":"Virtual Disk Service error: The device is not ready.")";
const char Crash[] = R"("crash":true)";
const char Hang[] = R"("hangMs":10000)";

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void faults_data()
    {
        QTest::addColumn<QString>("job");
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("end");    // "ok" or "failed", then words the message must hold
        QTest::addColumn<QString>("layout"); // disk 1 afterwards: letter, MiB, file system, serial

        const QString untouched = "E 10240 NTFS 0000-0001, F 5120 NTFS 0000-0002, G 5120 NTFS 0000-0003";
        const QString raw = untouched + ", P 1045  new, Q 1045  new";
        const QString fDeleted = "E 10240 NTFS 0000-0001, G 5120 NTFS 0000-0003";
        const QString vds = "Virtual Disk Service error: The device is not ready.";
        const QString rawSaid = "Partitions 1:4, 1:5 were created and stay on the disk without a file system";
        const QString fGone = "F: had already been deleted: its space is now unallocated, and E: keeps its old size";
        const QString splitUndone = "The new partition was removed again and E: (Data) has its old size (10.00 GB) back";
        auto row = [](const char *job, const char *step, const QByteArray &fault, const QString &end, const QString &layout) {
            QTest::addRow("%s: %s", job, step) << QString::fromLatin1(job) << fault << end << layout;
        };
        const QByteArray refusedCreate = method("MSFT_Disk.CreatePartition", R"("returnValue":40001)");
        row("create", "provider refuses", refusedCreate, "failed One (Access Denied (code 40001))", untouched);
        row("create", "format refused", tool("format", Refused), "failed " + vds + " | " + rawSaid, raw);
        row("create", "format crashes", tool("format", Crash), "failed (diskpart crashed) | " + rawSaid, raw);
        row("create", "format hangs", tool("format", Hang), "failed (diskpart timed out after 300 s and was stopped) | " + rawSaid, raw);
        row("create", "letter refused", method("AddAccessPath", R"("returnValue":42002)") + '\n' + tool("assign", Refused),
            "ok Partition 1 did not get the letter P: | Partition 2 did not get the letter Q:",
            untouched + ",  1045 NTFS new,  1045 NTFS new");
        row("format", "refused", tool("format", Refused), "failed " + vds, untouched);
        row("format", "crashes", tool("format", Crash), "failed diskpart 异常退出", untouched);
        row("format", "hangs", tool("format", Hang), "failed diskpart 执行超时", untouched);
        row("delete", "crashes", tool("delete", Crash), "failed Deletion failed:\ndiskpart crashed", untouched);
        row("delete", "hangs", tool("delete", Hang), "failed Deletion failed:\ndiskpart timed out after 30 s", untouched);
        const QByteArray refusedResize = method("MSFT_Partition.Resize", R"("returnValue":40001)");
        row("resize", "provider refuses", refusedResize, "failed Failed to resize partition: Access Denied (code 40001)", untouched);
        row("resize", "provider call fails", method("MSFT_Partition.Resize", R"("hresult":"0x80041001")"),
            "failed Failed to resize partition: ExecMethod failed, HRESULT: 0x80041001", untouched);
        // A letter that was never removed needs no giving back.
        row("merge", "letters refused", tool("remove", Refused), "ok Successfully merged F: into E:",
            "E 15360 NTFS 0000-0001, G 5120 NTFS 0000-0003");
        row("merge", "delete refused", tool("delete", Refused), "failed " + vds, untouched);
        row("merge", "delete crashes", tool("delete", Crash), "failed diskpart process crashed", untouched);
        row("merge", "extend refused", tool("extend", Refused), "failed " + vds + "\n\n" + fGone, fDeleted);
        row("merge", "extend crashes", tool("extend", Crash), "failed diskpart process crashed\n\n" + fGone, fDeleted);
        row("merge", "extend hangs", tool("extend", Hang), "failed timed out\n\n" + fGone, fDeleted);
        row("merge", "letter back refused", tool("assign", Refused),
            "failed The merge is done and E: now holds 15.00 GB, but no drive letter could be given back to it: "
            "diskpart ended with exit code 4: " + vds + " | It has no drive letter now",
            " 15360 NTFS 0000-0001, G 5120 NTFS 0000-0003");
        row("split", "format refused", tool("format", Refused), "failed " + vds + "\n" + splitUndone, untouched);
        row("split", "format crashes", tool("format", Crash), "failed diskpart crashed\n" + splitUndone, untouched);
        row("split", "format hangs", tool("format", Hang), "failed diskpart timed out after 300 s and was stopped\n" + splitUndone,
            untouched);
    }

    void faults()
    {
        QFETCH(QString, job);
        QFETCH(QByteArray, fault);
        QFETCH(QString, end);

        TestMachine tm;
        tm.addDisk(0, 60 * G);
        tm.addPartition(0, M, 20 * G, "Primary", Vol("NTFS", "Windows", "C", 0, 4096, "0000-0000"));
        tm.addDisk(1, 60 * G);
        tm.addPartition(1, M, 10 * G, "Primary", Vol("NTFS", "Data", "E", G, 4096, "0000-0001"));
        tm.addPartition(1, 10 * G + M, 5 * G, "Primary", Vol("NTFS", "Media", "F", G, 4096, "0000-0002"));
        tm.addPartition(1, 15 * G + M, 5 * G, "Primary", Vol("NTFS", "Keep", "G", G, 4096, "0000-0003"));
        // A hung format's roll-back deletes within a tenth of the format's limit: room for that on a loaded host.
        tm.setTimeScale(job == QLatin1String("split") && fault.contains("hangMs") ? 0.03 : 0.01);
        for (const QByteArray &one : fault.split('\n'))
            tm.addFault(one.constData());
        QVERIFY(tm.write());
        const QStringList system = partitionsOf(tm.read(), 0, "@ mib letter fs label serial");

        const Job run = ::job(job);
        QStringList ends;
        {
            WorkerRig rig(this);
            connect(rig.worker, run.end, this, [&](bool ok, const QString &message) {
                ends << (ok ? QStringLiteral("ok ") : QStringLiteral("failed ")) + message;
            });
            QVERIFY(rig.run([worker = rig.worker, start = run.start] { start(worker); })); // nothing of this stack on its thread
            QVERIFY(QTest::qWaitFor([&] { return !ends.isEmpty(); }, int(30000 * TestMachine::slowdown())));
        } // the worker's thread has ended: a second end would be here now
        QCoreApplication::processEvents();
        const sim::Machine after = tm.read();
        const QString now = partitionsOf(after, 1, "letter mib fs serial", "0000-").join(QLatin1String(", "));
        QCOMPARE(ends.size(), 1);
        const QString flag = end.section(u' ', 0, 0);
        QVERIFY2(ends.at(0).startsWith(flag + u' '), qPrintable(ends.at(0)));
        for (const QString &words : end.section(u' ', 1).split(QLatin1String(" | "), Qt::SkipEmptyParts))
            QVERIFY2(ends.at(0).contains(words), qPrintable(QStringLiteral("«%1» not in: %2").arg(words, ends.at(0))));
        QTEST(now, "layout");
        QCOMPARE(partitionsOf(after, 0, "@ mib letter fs label serial"), system);
    }
};

QTEST_GUILESS_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
