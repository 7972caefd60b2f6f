#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/diskoperationworker.h"

#include <QPointer>
#include <QThread>
#include <QtTest>

#include <atomic>

class TestDiskOperationWorker : public QObject
{
    Q_OBJECT

private slots:
    // A worker on a thread of its own with the manager it makes there, and how that manager,
    // the thread and the worker end.
    void onItsOwnThread()
    {
        TestMachine tm;
        tm.addDataDisk();
        QVERIFY(tm.write());
        tm.addFault(R"({"target":"wmi.connect","times":1})");
        QVERIFY(tm.write());
        QThread t;
        auto *worker = new DiskOperationWorker;
        worker->moveToThread(&t);
        t.start();

        // One that cannot connect is not kept; the next is made once and reused.
        bool madeOnceHere = false;
        QPointer<WindowsStorageManager> manager;
        std::atomic<QThread *> destroyedOn{nullptr};
        std::atomic<bool> done{false};
        QString letter;
        QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
        QMetaObject::invokeMethod(worker, [&] {
            WindowsStorageManager *failed = worker->workerStorageManager();
            manager = worker->workerStorageManager();
            madeOnceHere = !failed && manager && manager == worker->workerStorageManager() && manager->thread() == &t;
            if (manager)
                QObject::connect(manager, &QObject::destroyed, [&] { destroyedOn = QThread::currentThread(); });
            if (manager)
                letter = manager->getPartitionInfo(QStringLiteral("0:1")).driveLetter;
            done = true;
        }, Qt::QueuedConnection);
        QVERIFY(QTest::qWaitFor([&done] { return done.load(); }, 10000));
        QVERIFY(madeOnceHere);
        QCOMPARE(letter, QStringLiteral("E"));

        // The manager's COM belongs to the worker's thread: it goes when that thread ends, though
        // the worker lives on.
        t.quit();
        QVERIFY(t.wait(5000));
        QVERIFY(manager.isNull());
        QCOMPARE(destroyedOn.load(), &t);

        // Stopping waits for the thread, except on that thread: a worker destroyed there asks it
        // to quit and returns, and the thread then ends normally.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("wait on itself|terminat"),
                                                QRegularExpression::CaseInsensitiveOption));
        t.start();
        worker->m_thread = &t;
        QPointer<DiskOperationWorker> watched(worker);
        worker->deleteLater();
        QVERIFY(t.wait(10000));
        QVERIFY(watched.isNull());
        QThread other;
        other.start();
        DiskOperationWorker stopping;
        stopping.m_thread = &other;
        stopping.stopThread();
        QVERIFY(other.isFinished());
    }
};

QTEST_GUILESS_MAIN(TestDiskOperationWorker)
#include "tst_diskoperationworker.moc"
