#include "support/testmachine.h"
#include "support/workerrig.h"

#include "platform/platform.h"
#include "worker/diskoperationworker.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>

class TestDeleteJob : public QObject
{
    Q_OBJECT

private slots:
    // Three requests to a worker on a thread of its own, as the delete dialog keeps it, with its
    // signals as received on the test's thread (queued, so nothing is shared with the worker's
    // thread). The failures the tool reports are the delete dialog's test.
    void requestsInARow()
    {
        TestMachine tm;
        tm.addDataDisk();
        tm.setTimeScale(0.1);
        QVERIFY(tm.write());

        WorkerRig rig(this);
        DiskOperationWorker *worker = rig.worker;
        QStringList events;
        std::atomic<QThread *> ranOn{nullptr};
        connect(worker, &DiskOperationWorker::deletePartitionProgress, this,
                [&](const QString &step, int percent) { events << QStringLiteral("%1 %2").arg(percent).arg(step); });
        connect(worker, &DiskOperationWorker::deletePartitionStatusChanged, this,
                [&](const QString &text) { events << QStringLiteral("status ") + text; });
        connect(worker, &DiskOperationWorker::deletePartitionFinished, this,
                [&](bool ok, const QString &message) { events << QStringLiteral("finished %1 %2").arg(ok ? "ok" : "failed", message); });
        connect(worker, &DiskOperationWorker::deletePartitionProgress, worker,
                [&ranOn] { ranOn = QThread::currentThread(); }, Qt::DirectConnection);
        PartitionInfo target;
        target.diskIndex = 0;
        target.partitionNumber = 1;
        auto finished = [&events](int count) {
            return QTest::qWaitFor([&] { return events.filter(QStringLiteral("finished ")).size() >= count; }, 15000);
        };

        // The second is refused at once, on the caller's thread, while the first is in diskpart.
        worker->startDeletePartition(target);
        worker->startDeletePartition(target);
        QCOMPARE(events, QStringList{"finished failed Another delete operation is in progress"});
        QVERIFY(finished(2));
        QCOMPARE(ranOn.load(), &rig.thread);
        QVERIFY(tm.read().disks.at(0).partitions.isEmpty());

        // The flag is down again, so the next is taken; without a temporary folder it writes no
        // script, and reports no 100 after its failure.
        const bool arrived = [&] {
            const auto noFolder = temporaryFolder("/nonexistent/tessaline-delete-test");
            worker->startDeletePartition(target);
            return finished(3);
        }();
        QVERIFY(arrived);
        QCOMPARE(events.mid(1).join(QLatin1String(" / ")),
                 "30 Deleting partition.... / status Deleting partition.... / 100 Partition deletion completed / "
                 "status Partition deletion completed / finished ok  / 30 Deleting partition.... / "
                 "status Deleting partition.... / finished failed Unable to create temporary script file");
    }

    // On a Chinese system diskpart answers in code page 936; its error text reaches the job's
    // result intact, and nothing is deleted.
    void chineseErrorText()
    {
        TestMachine tm;
        tm.machine().displayLanguage = QStringLiteral("zh-CN");
        tm.addDataDisk();
        tm.setTimeScale(0.01);
        QVERIFY(tm.write());
        const QJsonObject before = sim::toJson(tm.read());
        QCOMPARE(platform::current().consoleOutputCodePage(), 936u);

        DiskOperationWorker worker;
        QSignalSpy finished(&worker, &DiskOperationWorker::deletePartitionFinished);
        PartitionInfo missing;
        missing.diskIndex = 0;
        missing.partitionNumber = 9;
        worker.executeDeletePartition(missing);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        const QString message = finished.at(0).at(1).toString();
        QVERIFY2(message.contains(QStringLiteral("指定的分区无效。请选择一个有效分区。")), qPrintable(message));
        QCOMPARE(sim::toJson(tm.read()), before);
    }
};

QTEST_GUILESS_MAIN(TestDeleteJob)
#include "tst_deletejob.moc"
