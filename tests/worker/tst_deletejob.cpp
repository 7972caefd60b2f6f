#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

// A worker on a thread of its own, as the delete dialog keeps it; the delete signals are
// recorded on the test's thread (queued, so nothing is shared with the worker's thread).
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
    bool waitForFinished(int count)
    {
        return QTest::qWaitFor([&] { return finished.size() >= count; }, 15000);
    }
};

PartitionInfo target(int disk, int partition)
{
    PartitionInfo p;
    p.diskIndex = disk;
    p.partitionNumber = partition;
    return p;
}

} // namespace

class TestDeleteJob : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_machine.emplace();
        m_machine->addDisk(0, 100 * sim::kGiB);
        m_machine->addPartition(0, sim::kMiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                                TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
        m_machine->setTimeScale(0.1);
        QVERIFY(m_machine->write());
    }
    void cleanup() { m_machine.reset(); }

    void secondRequestRefusedFirstReportsThirtyThenHundred();
    void scriptNotCreatableRunsNothing();

private:
    std::optional<TestMachine> m_machine;
};

void TestDeleteJob::secondRequestRefusedFirstReportsThirtyThenHundred()
{
    WorkerOnThread w;
    std::atomic<QThread *> ranOn{nullptr};
    QObject::connect(w.worker, &DiskOperationWorker::deletePartitionProgress, w.worker,
                     [&ranOn] { ranOn = QThread::currentThread(); }, Qt::DirectConnection);
    w.worker->startDeletePartition(target(0, 1));
    // Refused at once, on the caller's thread, while the first is still in diskpart.
    w.worker->startDeletePartition(target(0, 1));
    QCOMPARE(w.finished, (QList<QVariantList>{{false, QStringLiteral("Another delete operation is in progress")}}));

    QVERIFY(w.waitForFinished(2));
    QCOMPARE(w.finished.at(1), (QVariantList{true, QString()}));
    QCOMPARE(ranOn.load(), &w.thread);
    QCOMPARE(w.progress, (QList<QVariantList>{{QStringLiteral("Deleting partition...."), 30},
                                              {QStringLiteral("Partition deletion completed"), 100}}));
    QCOMPARE(w.status, (QStringList{QStringLiteral("Deleting partition...."), QStringLiteral("Partition deletion completed")}));
    QVERIFY(m_machine->read().disks.at(0).partitions.isEmpty());

    // The flag is down again: a new request is taken (and fails, the partition being gone).
    w.worker->startDeletePartition(target(0, 1));
    QVERIFY(w.waitForFinished(3));
    QVERIFY(w.finished.at(2).at(1).toString().startsWith(QStringLiteral("Deletion failed:\n")));
}

void TestDeleteJob::scriptNotCreatableRunsNothing()
{
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/tessaline-delete-test");
    WorkerOnThread w;
    w.worker->startDeletePartition(target(0, 1));
    const bool arrived = w.waitForFinished(1);
    qputenv("TMPDIR", oldTmp);
    QVERIFY(arrived);

    QCOMPARE(w.finished.at(0), (QVariantList{false, QStringLiteral("Unable to create temporary script file")}));
    QCOMPARE(w.progress.size(), 1); // no 100 after a failure
    QCOMPARE(m_machine->read().disks.at(0).partitions.size(), 1);
}

QTEST_GUILESS_MAIN(TestDeleteJob)
#include "tst_deletejob.moc"
