#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

// Every partition with its geometry and volume, to prove what a run did or did not touch.
QStringList layoutOf(const sim::Machine &m)
{
    QStringList out;
    for (const sim::Disk &d : m.disks)
        for (const sim::Partition &p : d.partitions) {
            const sim::Volume v = p.volume.value_or(sim::Volume());
            out << QStringLiteral("%1:%2 @%3 +%4 %5 %6 %7 %8 %9")
                       .arg(d.number).arg(p.number).arg(p.offset).arg(p.size)
                       .arg(p.type, v.letter, v.fileSystem, v.label, v.serial);
        }
    return out;
}

// Disk 0: 0:1 C: (the running system), 0:2 E:, 0:3 F:.
void buildMachine(TestMachine &tm, double timeScale, const QByteArray &fault = QByteArray())
{
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 30 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Windows"), QStringLiteral("C")));
    tm.addPartition(0, 31 * sim::kGiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
    tm.addPartition(0, 41 * sim::kGiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("FAT32"), QStringLiteral("Media"), QStringLiteral("F")));
    tm.setTimeScale(timeScale);
    if (!fault.isEmpty())
        tm.addFault(fault.constData());
    QVERIFY(tm.write());
}

PartitionInfo target(int disk, int partition)
{
    PartitionInfo p;
    p.diskIndex = disk;
    p.partitionNumber = partition;
    return p;
}

// A worker on a running thread of its own, as the delete dialog keeps it. The three delete
// signals are recorded on the test's thread (queued, so nothing is shared with the worker's).
struct WorkerOnThread
{
    QThread thread;
    QObject receiver;
    DiskOperationWorker *worker = new DiskOperationWorker();
    QList<QVariantList> progress;
    QStringList status;
    QList<QVariantList> finished;

    WorkerOnThread()
    {
        QObject::connect(worker, &DiskOperationWorker::deletePartitionProgress, &receiver,
                         [this](const QString &step, int percentage) { progress.append({step, percentage}); });
        QObject::connect(worker, &DiskOperationWorker::deletePartitionStatusChanged, &receiver,
                         [this](const QString &text) { status.append(text); });
        QObject::connect(worker, &DiskOperationWorker::deletePartitionFinished, &receiver,
                         [this](bool success, const QString &message) { finished.append({success, message}); });
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~WorkerOnThread()
    {
        thread.quit();
        thread.wait();
    }
    bool waitForFinished(int count, int timeoutMs = 15000)
    {
        return QTest::qWaitFor([&] { return finished.size() >= count; }, timeoutMs);
    }
};

} // namespace

class TestDeleteJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void successReportsThirtyThenHundredOnWorkerThread();
    void secondRequestRefusedWhileFirstRuns();
    void failuresChangeNothing_data();
    void failuresChangeNothing();
    void scriptNotCreatableRunsNothing();
};

void TestDeleteJob::initTestCase()
{
    QVERIFY(QFileInfo::exists(qEnvironmentVariable("TESSALINE_BIN_DIR") + QStringLiteral("/diskpart")));
}

void TestDeleteJob::successReportsThirtyThenHundredOnWorkerThread()
{
    TestMachine tm;
    buildMachine(tm, 0.1);
    const QStringList before = layoutOf(tm.read());

    WorkerOnThread w;
    std::atomic<QThread *> ranOn{nullptr};
    QObject::connect(w.worker, &DiskOperationWorker::deletePartitionProgress, w.worker,
                     [&ranOn] { ranOn = QThread::currentThread(); }, Qt::DirectConnection);
    w.worker->startDeletePartition(target(0, 2));
    QVERIFY(w.waitForFinished(1));

    QCOMPARE(w.finished.at(0).at(0).toBool(), true);
    QCOMPARE(w.finished.at(0).at(1).toString(), QString());
    QCOMPARE(ranOn.load(), &w.thread);
    const QList<QVariantList> progress = {{QStringLiteral("Deleting partition...."), 30},
                                          {QStringLiteral("Partition deletion completed"), 100}};
    QCOMPARE(w.progress, progress);
    QCOMPARE(w.status, (QStringList{QStringLiteral("Deleting partition...."), QStringLiteral("Partition deletion completed")}));

    // Exactly 0:2 went; its neighbours are as they were.
    QStringList expected = before;
    expected.removeAt(1);
    QCOMPARE(layoutOf(tm.read()), expected);
}

void TestDeleteJob::secondRequestRefusedWhileFirstRuns()
{
    TestMachine tm;
    // The first run hangs a little, well inside its (scaled) limit.
    buildMachine(tm, 0.1, R"({"target":"tool.diskpart","match":"select partition 2","hangMs":300,"times":1})");

    WorkerOnThread w;
    w.worker->startDeletePartition(target(0, 2));
    w.worker->startDeletePartition(target(0, 3));
    // The refusal comes at once, on the caller's thread.
    QCOMPARE(w.finished.size(), 1);
    QCOMPARE(w.finished.at(0), (QVariantList{false, QStringLiteral("Another delete operation is in progress")}));

    QVERIFY(w.waitForFinished(2));
    QCOMPARE(w.finished.at(1), (QVariantList{true, QString()}));
    QCOMPARE(w.progress.size(), 2); // only the first job reported

    // The flag is down again: the next request is accepted.
    w.worker->startDeletePartition(target(0, 3));
    QVERIFY(w.waitForFinished(3));
    QCOMPARE(w.finished.at(2), (QVariantList{true, QString()}));
    QCOMPARE(tm.read().disks.at(0).partitions.size(), 1);
}

void TestDeleteJob::failuresChangeNothing_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<int>("partition");
    QTest::addColumn<QString>("expectedStart");
    QTest::addColumn<QString>("mustContain");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    // Exit code 0 but "Error" in the output: not carried out, and not taken for a success.
    QTest::newRow("Error with exit code 0")
        << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})") << 2
        << "Error occurred during deletion:\nError" << "" << 0 << 15000;
    QTest::newRow("non-zero exit code")
        << QByteArray(R"({"target":"tool.diskpart","exitCode":5,"output":"Access is denied."})") << 2
        << "Deletion failed:\nAccess is denied." << "" << 0 << 15000;
    // Stopped at the scaled 30000 ms limit (300 ms here), long before the tool would end.
    QTest::newRow("hangs past the limit") << QByteArray(R"({"target":"tool.diskpart","hangMs":20000})") << 2
                                          << "Deletion failed:\n" << "" << 290 << 10000;
    QTest::newRow("the running system") << QByteArray() << 1 << "Deletion failed:\n"
                                         << "Cannot delete the system, boot or pagefile volume." << 0 << 15000;
    QTest::newRow("no such partition") << QByteArray() << 9 << "Deletion failed:\n" << "The specified partition is not valid." << 0 << 15000;
}

void TestDeleteJob::failuresChangeNothing()
{
    QFETCH(QByteArray, fault);
    QFETCH(int, partition);
    QFETCH(QString, expectedStart);
    QFETCH(QString, mustContain);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    TestMachine tm;
    buildMachine(tm, 0.01, fault);
    const QStringList before = layoutOf(tm.read());

    WorkerOnThread w;
    QElapsedTimer clock;
    clock.start();
    w.worker->startDeletePartition(target(0, partition));
    QVERIFY(w.waitForFinished(1, 20000));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= minMs && elapsed < maxMs, qPrintable(QString::number(elapsed)));

    QCOMPARE(w.finished.at(0).at(0).toBool(), false);
    const QString message = w.finished.at(0).at(1).toString();
    QVERIFY2(message.startsWith(expectedStart), qPrintable(message));
    QVERIFY2(message.contains(mustContain), qPrintable(message));
    // A failed job reports its 30 and never a 100.
    QCOMPARE(w.progress.size(), 1);
    QCOMPARE(w.progress.at(0).at(1).toInt(), 30);
    QCOMPARE(layoutOf(tm.read()), before);
}

void TestDeleteJob::scriptNotCreatableRunsNothing()
{
    TestMachine tm;
    buildMachine(tm, 0.1);
    const QStringList before = layoutOf(tm.read());

    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/tessaline-delete-test");
    WorkerOnThread w;
    w.worker->startDeletePartition(target(0, 2));
    const bool arrived = w.waitForFinished(1);
    qputenv("TMPDIR", oldTmp);
    QVERIFY(arrived);

    QCOMPARE(w.finished.at(0), (QVariantList{false, QStringLiteral("Unable to create temporary script file")}));
    QCOMPARE(layoutOf(tm.read()), before);
}

QTEST_GUILESS_MAIN(TestDeleteJob)
#include "tst_deletejob.moc"
