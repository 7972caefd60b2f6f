#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/crossthreadcall.h"
#include "worker/diskoperationworker.h"

#include <QPointer>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <future>
#include <thread>

namespace {

const QRegularExpression CallFailed(QStringLiteral("^❌ 跨线程方法调用失败"));

// Runs `f` on `context`'s thread and waits for it.
template <typename F>
void runOn(QObject *context, F f)
{
    QVERIFY(QMetaObject::invokeMethod(context, f, Qt::BlockingQueuedConnection));
}

// A thread running its event loop that deletes `object` when it ends, stopped on destruction.
struct RunningThread
{
    QThread thread;
    explicit RunningThread(QObject *object)
    {
        object->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, object, &QObject::deleteLater);
        thread.start();
    }
    ~RunningThread()
    {
        thread.quit();
        thread.wait();
    }
};

// One disk with one lettered NTFS partition (id "0:1").
void buildMachine(TestMachine &tm)
{
    tm.addDisk(0, 100 * sim::kGiB);
    tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
    QVERIFY(tm.write());
}

} // namespace

class TestDiskOperationWorker : public QObject
{
    Q_OBJECT

private slots:
    // Signal indices are part of the interface: they follow this order.
    void signalsInDeclaredOrder()
    {
        const QStringList expected = {
            "splitPartitionProgress(QString,int)", "splitPartitionStatusChanged(QString)",
            "splitPartitionFinished(bool,QString)", "splitPartitionCompleted(bool,QString)",
            "partitionCreationProgress(int,QString)", "partitionCreationCompleted(bool,QString)",
            "operationStatusChanged(QString)", "needRefreshUI()", "operationProgress(int)",
            "operationCompleted(bool,QString)", "batchFormatProgress(int,int,int)", "batchFormatFinished(bool,QString)",
            "deletePartitionProgress(QString,int)", "deletePartitionFinished(bool,QString)",
            "deletePartitionStatusChanged(QString)", "doDeletePartition(PartitionInfo)",
            "mergePartitionProgress(QString,int)", "mergePartitionStatusChanged(QString)",
            "mergePartitionFinished(bool,QString)", "uiMergeProgressChanged(int)", "uiMergeStatusChanged(QString)",
            "uiMergeCompleted(bool,QString)", "uiMergeErrorOccurred(QString)"};
        const QMetaObject &meta = DiskOperationWorker::staticMetaObject;
        QStringList signalList;
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
            if (meta.method(i).methodType() == QMetaMethod::Signal)
                signalList << QString::fromLatin1(meta.method(i).methodSignature());
        }
        QCOMPARE(signalList, expected);
    }

    // The names queued calls and calls by name use; registered by the constructor.
    void metaTypeNames()
    {
        using FormatOptions = DiskOperationWorker::FormatOptions;
        QCOMPARE(QMetaType::fromType<FormatOptions>().name(), "DiskOperationWorker::FormatOptions");
        QCOMPARE(QMetaType::fromType<QList<FormatOptions>>().name(), "QList<DiskOperationWorker::FormatOptions>");
        DiskOperationWorker worker;
        QCOMPARE(QMetaType::fromName("QList<FormatOptions>"), QMetaType::fromType<QList<FormatOptions>>());
        QCOMPARE(QMetaType::fromName("PartitionInfo"), QMetaType::fromType<PartitionInfo>());
    }

    // From the worker's thread the call into the manager's thread blocks for its result; on the
    // manager's own thread it is direct (a blocking queued call there would deadlock).
    void blockingCallIntoManagerOnAnotherThread()
    {
        TestMachine tm;
        buildMachine(tm);
        auto *manager = new WindowsStorageManager;
        auto *worker = new DiskOperationWorker;
        worker->m_storageManager = manager;
        RunningThread managerThread(manager);
        RunningThread workerThread(worker);

        bool initialized = false;
        runOn(manager, [&] { initialized = manager->initialize(); });
        QVERIFY(initialized);
        for (QObject *caller : {static_cast<QObject *>(worker), static_cast<QObject *>(manager)}) {
            crossthread::Route route = crossthread::Route::Refused;
            PartitionInfo info;
            bool ok = false;
            runOn(caller, [&] {
                route = crossthread::routeFor(worker->m_storageManager, "getPartitionInfo");
                ok = crossthread::invokeBlocking(worker->m_storageManager, "getPartitionInfo", info,
                                                 QStringLiteral("0:1"));
            });
            QVERIFY(ok);
            QCOMPARE(route, caller == worker ? crossthread::Route::BlockingQueued : crossthread::Route::Direct);
            QCOMPARE(info.id, QStringLiteral("0:1"));
            QCOMPARE(info.sizeBytes, 10 * sim::kGiB);
            QCOMPARE(info.driveLetter, QStringLiteral("E"));
        }
    }

    // Calls that cannot be made fail with the trace and leave the result alone: into a thread
    // that serves no events (a queued call would wait for ever), or with no such method.
    void callsThatCannotBeMade()
    {
        PartitionInfo info;
        info.id = QStringLiteral("sentinel");
        QString text;
        for (int i = 0; i < 6; ++i)
            QTest::ignoreMessage(QtWarningMsg, CallFailed);
        QThread unstarted;
        WindowsStorageManager onUnstarted;
        onUnstarted.moveToThread(&unstarted);
        QVERIFY(!crossthread::invokeBlocking(&onUnstarted, "getPartitionInfo", info, QStringLiteral("0:1")));

        // An object made on a thread the framework did not start: nothing there runs events.
        std::promise<WindowsStorageManager *> made;
        std::promise<void> done;
        std::thread plain([&] {
            auto *manager = new WindowsStorageManager;
            made.set_value(manager);
            done.get_future().wait();
            delete manager;
        });
        const bool ok = crossthread::invokeBlocking(made.get_future().get(), "getPartitionInfo", info,
                                                    QStringLiteral("0:1"));
        done.set_value();
        plain.join();
        QVERIFY(!ok);

        auto *manager = new WindowsStorageManager;
        RunningThread t(manager);
        QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfoById", info, QStringLiteral("0:1")));
        QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfo", info, 1));
        QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfo", text, QStringLiteral("0:1")));
        QVERIFY(!crossthread::invokeBlocking(nullptr, "getPartitionInfo", info, QStringLiteral("0:1")));
        QCOMPARE(info.id, QStringLiteral("sentinel"));
    }

    // Created on the worker's thread once and reused; re-initialising replaces it; it dies on
    // that thread, also when the thread ends before the worker is destroyed; a failed one is not
    // kept.
    void ownManagerLivesOnTheWorkerThread()
    {
        TestMachine tm;
        buildMachine(tm);
        QThread t;
        auto *worker = new DiskOperationWorker;
        worker->moveToThread(&t);
        t.start();

        QPointer<WindowsStorageManager> first;
        WindowsStorageManager *second = nullptr;
        WindowsStorageManager *replacement = nullptr;
        QThread *livesOn = nullptr;
        qint64 size = 0;
        std::atomic<QThread *> destroyedOn{nullptr};
        auto watch = [&destroyedOn](QObject *o) {
            QObject::connect(o, &QObject::destroyed, [&destroyedOn] { destroyedOn = QThread::currentThread(); });
        };
        runOn(worker, [&] {
            first = worker->workerStorageManager();
            second = worker->workerStorageManager();
            if (first) {
                livesOn = first->thread();
                size = first->getPartitionInfo(QStringLiteral("0:1")).sizeBytes;
                watch(first);
            }
        });
        QVERIFY(first);
        QCOMPARE(second, first.data());
        QCOMPARE(livesOn, &t);
        QCOMPARE(size, 10 * sim::kGiB);
        runOn(worker, [&] {
            if (worker->initWorkerStorageManager())
                replacement = worker->workerStorageManager();
        });
        QVERIFY(replacement);
        QVERIFY(first.isNull());
        QCOMPARE(destroyedOn.exchange(nullptr), &t);

        QPointer<WindowsStorageManager> watched(replacement);
        runOn(worker, [&] { watch(replacement); });
        t.quit();
        QVERIFY(t.wait(5000));
        QVERIFY(watched.isNull());
        QCOMPARE(destroyedOn.load(), &t);

        // One that cannot connect is not kept.
        tm.addFault(R"({"target":"wmi.connect"})");
        QVERIFY(tm.write());
        QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
        QVERIFY(!worker->workerStorageManager());
        QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
        QVERIFY(!worker->workerStorageManager());
        delete worker;
    }

    // Stopping waits for the thread unless called on it: a worker destroyed on its own thread
    // asks it to quit and returns, and the thread then ends normally.
    void stopThread()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("wait on itself|terminat"),
                                                QRegularExpression::CaseInsensitiveOption));
        QThread other;
        other.start();
        DiskOperationWorker worker;
        worker.stopThread(); // no thread: nothing to do
        worker.m_thread = &other;
        worker.stopThread();
        QVERIFY(other.isFinished());

        QThread t;
        auto *onOwn = new DiskOperationWorker;
        onOwn->m_thread = &t;
        onOwn->moveToThread(&t);
        QPointer<DiskOperationWorker> watched(onOwn);
        t.start();
        onOwn->deleteLater();
        QVERIFY(t.wait(10000));
        QVERIFY(watched.isNull());
    }
};

QTEST_GUILESS_MAIN(TestDiskOperationWorker)
#include "tst_diskoperationworker.moc"
