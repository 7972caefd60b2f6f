#include "support/testmachine.h"

#include "worker/diskoperationworker.h"

#include <QThread>
#include <QtTest>

#include <atomic>

// A worker on a thread of its own, as the delete dialog keeps it, and its delete signals as
// received on the test's thread (queued, so nothing is shared with the worker's thread).
struct WorkerOnThread
{
    QThread thread;
    QObject receiver;
    DiskOperationWorker *worker = new DiskOperationWorker();
    QStringList events;

    WorkerOnThread()
    {
        QObject::connect(worker, &DiskOperationWorker::deletePartitionProgress, &receiver,
                         [this](const QString &step, int percent) { events << QStringLiteral("%1 %2").arg(percent).arg(step); });
        QObject::connect(worker, &DiskOperationWorker::deletePartitionStatusChanged, &receiver,
                         [this](const QString &text) { events << QStringLiteral("status ") + text; });
        QObject::connect(worker, &DiskOperationWorker::deletePartitionFinished, &receiver, 
                         [this](bool ok, const QString &message) { events << QStringLiteral("finished %1 %2").arg(ok ? "ok" : "failed", message); });
        worker->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        thread.start();
    }
    ~WorkerOnThread()
    {
        thread.quit();
        thread.wait();
    }
    // Asks to delete partition 0:1.
    void start()
    {
        PartitionInfo target;
        target.diskIndex = 0;
        target.partitionNumber = 1;
        worker->startDeletePartition(target);
    }
    bool waitForFinished(int count)
    {
        return QTest::qWaitFor([&] { return events.filter(QStringLiteral("finished ")).size() >= count; }, 15000);
    }
};

class TestDeleteJob : public QObject
{
    Q_OBJECT

    std::optional<TestMachine> m_machine;

private slots:
    void init()
    {
        m_machine.emplace();
        m_machine->addDisk(0, 100 * sim::kGiB);
        m_machine->addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        m_machine->setTimeScale(0.1);
        QVERIFY(m_machine->write());
    }

    void secondRequestRefusedFirstReportsThirtyThenHundred()
    {
        WorkerOnThread w;
        std::atomic<QThread *> ranOn{nullptr};
        QObject::connect(w.worker, &DiskOperationWorker::deletePartitionProgress, w.worker,
                         [&ranOn] { ranOn = QThread::currentThread(); }, Qt::DirectConnection);
        w.start();
        // Refused at once, on the caller's thread, while the first is still in diskpart.
        w.start();
        QCOMPARE(w.events, QStringList{"finished failed Another delete operation is in progress"});
        QVERIFY(w.waitForFinished(2));
        QCOMPARE(ranOn.load(), &w.thread);
        QCOMPARE(w.events.mid(1), (QStringList{"30 Deleting partition....", "status Deleting partition....",
                                               "100 Partition deletion completed",
                                               "status Partition deletion completed", "finished ok "}));
        QVERIFY(m_machine->read().disks.at(0).partitions.isEmpty());

        // The flag is down again: a new request is taken (and fails, the partition being gone).
        w.start();
        QVERIFY(w.waitForFinished(3));
        QVERIFY(w.events.last().startsWith(QStringLiteral("finished failed Deletion failed:\n")));
    }

    void scriptNotCreatableRunsNothing()
    {
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", "/nonexistent/tessaline-delete-test");
        WorkerOnThread w;
        w.start();
        const bool arrived = w.waitForFinished(1);
        qputenv("TMPDIR", oldTmp);
        QVERIFY(arrived);
        // No 100 after a failure.
        QCOMPARE(w.events, (QStringList{"30 Deleting partition....", "status Deleting partition....",
                                        "finished failed Unable to create temporary script file"}));
        QCOMPARE(m_machine->read().disks.at(0).partitions.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDeleteJob)
#include "tst_deletejob.moc"
