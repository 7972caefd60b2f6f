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

// A thread running its event loop, stopped and joined on destruction.
struct RunningThread
{
    QThread thread;
    RunningThread() { thread.start(); }
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
    tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, QStringLiteral("Primary"),
                    TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("E")));
    tm.setTimeScale(0.01);
    QVERIFY(tm.write());
}

} // namespace

class TestDiskOperationWorker : public QObject
{
    Q_OBJECT

private slots:
    void signalsInDeclaredOrder();
    void metaTypesAndFreshState();
    void blockingCallIntoManagerOnAnotherThread();
    void callOnOwnThreadIsDirect();
    void callRefusedWhenTargetThreadServesNoEvents_data();
    void callRefusedWhenTargetThreadServesNoEvents();
    void callWithUnknownNameOrTypesFails();
    void ownManagerCreatedOnceOnWorkerThreadAndReleasedThere();
    void ownManagerFailureLeavesNone();
    void stopThreadFromAnotherThread();
    void destroyedOnItsOwnThreadDoesNotWaitOnItself();
};

void TestDiskOperationWorker::signalsInDeclaredOrder()
{
    const QStringList expected = {
        "splitPartitionProgress(QString,int)",
        "splitPartitionStatusChanged(QString)",
        "splitPartitionFinished(bool,QString)",
        "splitPartitionCompleted(bool,QString)",
        "partitionCreationProgress(int,QString)",
        "partitionCreationCompleted(bool,QString)",
        "operationStatusChanged(QString)",
        "needRefreshUI()",
        "operationProgress(int)",
        "operationCompleted(bool,QString)",
        "batchFormatProgress(int,int,int)",
        "batchFormatFinished(bool,QString)",
        "deletePartitionProgress(QString,int)",
        "deletePartitionFinished(bool,QString)",
        "deletePartitionStatusChanged(QString)",
        "doDeletePartition(PartitionInfo)",
        "mergePartitionProgress(QString,int)",
        "mergePartitionStatusChanged(QString)",
        "mergePartitionFinished(bool,QString)",
        "uiMergeProgressChanged(int)",
        "uiMergeStatusChanged(QString)",
        "uiMergeCompleted(bool,QString)",
        "uiMergeErrorOccurred(QString)",
    };
    const QMetaObject &meta = DiskOperationWorker::staticMetaObject;
    QStringList actual;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        if (m.methodType() == QMetaMethod::Signal)
            actual << QString::fromLatin1(m.methodSignature());
    }
    QCOMPARE(actual, expected);
    // Signal indices are the declaration order: the first 23 methods are the signals.
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(QString::fromLatin1(meta.method(meta.methodOffset() + i).methodSignature()), expected.at(i));
}

void TestDiskOperationWorker::metaTypesAndFreshState()
{
    using FormatOptions = DiskOperationWorker::FormatOptions;
    QCOMPARE(QByteArray(QMetaType::fromType<FormatOptions>().name()), QByteArray("DiskOperationWorker::FormatOptions"));
    QCOMPARE(QByteArray(QMetaType::fromType<QList<FormatOptions>>().name()),
             QByteArray("QList<DiskOperationWorker::FormatOptions>"));

    DiskOperationWorker worker;
    QCOMPARE(QMetaType::fromName("QList<FormatOptions>"), QMetaType::fromType<QList<FormatOptions>>());
    QCOMPARE(QMetaType::fromName("PartitionInfo"), QMetaType::fromType<PartitionInfo>());

    // The queries answer by name, as a dialog on another thread would ask.
    QString name;
    bool busy = true;
    int progress = -1;
    QVERIFY(QMetaObject::invokeMethod(&worker, "getCurrentOperationName", Q_RETURN_ARG(QString, name)));
    QVERIFY(QMetaObject::invokeMethod(&worker, "isOperationInProgress", Q_RETURN_ARG(bool, busy)));
    QVERIFY(QMetaObject::invokeMethod(&worker, "getCurrentProgress", Q_RETURN_ARG(int, progress)));
    QCOMPARE(name, QStringLiteral("无操作"));
    QCOMPARE(busy, false);
    QCOMPARE(progress, 0);

    // A record emitted on the worker's thread arrives whole on this one.
    RunningThread t;
    auto *moved = new DiskOperationWorker;
    moved->moveToThread(&t.thread);
    QObject::connect(&t.thread, &QThread::finished, moved, &QObject::deleteLater);
    PartitionInfo received;
    connect(moved, &DiskOperationWorker::doDeletePartition, this, [&](const PartitionInfo &p) { received = p; });
    runOn(moved, [moved] {
        PartitionInfo p;
        p.id = QStringLiteral("2:5");
        p.sizeBytes = 123456789;
        p.driveLetters = QStringList{QStringLiteral("F:")};
        emit moved->doDeletePartition(p);
    });
    QTRY_COMPARE(received.id, QStringLiteral("2:5"));
    QCOMPARE(received.sizeBytes, qint64(123456789));
    QCOMPARE(received.driveLetters, QStringList{QStringLiteral("F:")});
}

void TestDiskOperationWorker::blockingCallIntoManagerOnAnotherThread()
{
    TestMachine tm;
    buildMachine(tm);

    RunningThread managerThread;
    auto *manager = new WindowsStorageManager;
    manager->moveToThread(&managerThread.thread);
    bool initialized = false;
    runOn(manager, [&] { initialized = manager->initialize(); });
    QVERIFY(initialized);

    RunningThread workerThread;
    auto *worker = new DiskOperationWorker;
    worker->m_storageManager = manager;
    worker->moveToThread(&workerThread.thread);

    bool ok = false;
    crossthread::Route route = crossthread::Route::Refused;
    PartitionInfo info;
    runOn(worker, [&] {
        route = crossthread::routeFor(worker->m_storageManager, "getPartitionInfo");
        ok = crossthread::invokeBlocking(worker->m_storageManager, "getPartitionInfo", info, QStringLiteral("0:1"));
    });
    QVERIFY(ok);
    QCOMPARE(route, crossthread::Route::BlockingQueued);
    QCOMPARE(info.id, QStringLiteral("0:1"));
    QCOMPARE(info.sizeBytes, 10 * sim::kGiB);
    QCOMPARE(info.driveLetter, QStringLiteral("E"));

    QObject::connect(&workerThread.thread, &QThread::finished, worker, &QObject::deleteLater);
    QObject::connect(&managerThread.thread, &QThread::finished, manager, &QObject::deleteLater);
}

void TestDiskOperationWorker::callOnOwnThreadIsDirect()
{
    TestMachine tm;
    buildMachine(tm);
    WindowsStorageManager manager;
    QVERIFY(manager.initialize());

    QCOMPARE(crossthread::routeFor(&manager, "getPartitionInfo"), crossthread::Route::Direct);
    PartitionInfo info;
    QVERIFY(crossthread::invokeBlocking(&manager, "getPartitionInfo", info, QStringLiteral("0:1")));
    QCOMPARE(info.sizeBytes, 10 * sim::kGiB);
}

void TestDiskOperationWorker::callRefusedWhenTargetThreadServesNoEvents_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("thread never started") << "unstarted";
    QTest::newRow("thread already finished") << "finished";
    QTest::newRow("plain thread with no event dispatcher") << "adopted";
}

void TestDiskOperationWorker::callRefusedWhenTargetThreadServesNoEvents()
{
    QFETCH(QString, setup);
    const PartitionInfo untouched = [] {
        PartitionInfo p;
        p.id = QStringLiteral("sentinel");
        return p;
    }();
    PartitionInfo info = untouched;

    QTest::ignoreMessage(QtWarningMsg, CallFailed);
    if (setup == QLatin1String("adopted")) {
        // An object made on a thread the framework did not start: nothing there runs events.
        std::promise<WindowsStorageManager *> made;
        std::promise<void> done;
        std::thread plain([&] {
            auto *manager = new WindowsStorageManager;
            made.set_value(manager);
            done.get_future().wait();
            delete manager;
        });
        WindowsStorageManager *manager = made.get_future().get();
        const bool ok = crossthread::invokeBlocking(manager, "getPartitionInfo", info, QStringLiteral("0:1"));
        done.set_value();
        plain.join();
        QVERIFY(!ok);
    } else {
        QThread t;
        if (setup == QLatin1String("finished")) {
            t.start();
            t.quit();
            QVERIFY(t.wait(5000));
        }
        WindowsStorageManager manager;
        manager.moveToThread(&t);
        QCOMPARE(crossthread::routeFor(&manager, "getPartitionInfo"), crossthread::Route::Refused);
        QTest::ignoreMessage(QtWarningMsg, CallFailed);
        QVERIFY(!crossthread::invokeBlocking(&manager, "getPartitionInfo", info, QStringLiteral("0:1")));
    }
    QCOMPARE(info.id, untouched.id);
}

void TestDiskOperationWorker::callWithUnknownNameOrTypesFails()
{
    RunningThread t;
    auto *manager = new WindowsStorageManager;
    manager->moveToThread(&t.thread);
    QObject::connect(&t.thread, &QThread::finished, manager, &QObject::deleteLater);

    PartitionInfo info;
    QString text;
    QTest::ignoreMessage(QtWarningMsg, CallFailed);
    QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfoById", info, QStringLiteral("0:1")));
    QTest::ignoreMessage(QtWarningMsg, CallFailed);
    QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfo", info, 1));
    QTest::ignoreMessage(QtWarningMsg, CallFailed);
    QVERIFY(!crossthread::invokeBlocking(manager, "getPartitionInfo", text, QStringLiteral("0:1")));
    QTest::ignoreMessage(QtWarningMsg, CallFailed);
    QVERIFY(!crossthread::invokeBlocking(nullptr, "getPartitionInfo", info, QStringLiteral("0:1")));
}

void TestDiskOperationWorker::ownManagerCreatedOnceOnWorkerThreadAndReleasedThere()
{
    TestMachine tm;
    buildMachine(tm);

    auto *t = new QThread;
    auto *worker = new DiskOperationWorker;
    worker->moveToThread(t);
    t->start();

    QPointer<WindowsStorageManager> first;
    WindowsStorageManager *second = nullptr;
    QThread *livesOn = nullptr;
    PartitionInfo info;
    std::atomic<QThread *> destroyedOn{nullptr};
    runOn(worker, [&] {
        first = worker->workerStorageManager();
        second = worker->workerStorageManager();
        livesOn = first ? first->thread() : nullptr;
        if (first) {
            info = first->getPartitionInfo(QStringLiteral("0:1"));
            QObject::connect(first.data(), &QObject::destroyed, [&destroyedOn] { destroyedOn = QThread::currentThread(); });
        }
    });
    QVERIFY(first);
    QCOMPARE(second, first.data());
    QCOMPARE(livesOn, t);
    QCOMPARE(info.sizeBytes, 10 * sim::kGiB);

    // Re-initialising replaces it.
    WindowsStorageManager *replacement = nullptr;
    runOn(worker, [&] {
        if (worker->initWorkerStorageManager())
            replacement = worker->workerStorageManager();
    });
    QVERIFY(replacement);
    QCOMPARE(destroyedOn.load(), t);
    QVERIFY(first.isNull());

    // The thread ends before the worker is destroyed here: the manager goes with its thread.
    QPointer<WindowsStorageManager> watched(replacement);
    destroyedOn = nullptr;
    runOn(worker, [&] {
        QObject::connect(replacement, &QObject::destroyed, [&destroyedOn] { destroyedOn = QThread::currentThread(); });
    });
    t->quit();
    QVERIFY(t->wait(5000));
    QCOMPARE(destroyedOn.load(), t);
    QVERIFY(watched.isNull());
    delete worker;
    delete t;
}

void TestDiskOperationWorker::ownManagerFailureLeavesNone()
{
    TestMachine tm;
    buildMachine(tm);
    tm.addFault(R"({"target":"wmi.connect"})");
    QVERIFY(tm.write());

    DiskOperationWorker worker;
    QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
    QVERIFY(!worker.initWorkerStorageManager());
    QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
    QVERIFY(!worker.workerStorageManager());
}

void TestDiskOperationWorker::stopThreadFromAnotherThread()
{
    QThread t;
    t.start();
    DiskOperationWorker worker;
    worker.stopThread(); // no thread: nothing to do
    worker.m_thread = &t;
    worker.stopThread();
    QVERIFY(t.isFinished());
    worker.stopThread(); // already finished: nothing to do
}

void TestDiskOperationWorker::destroyedOnItsOwnThreadDoesNotWaitOnItself()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral("wait on itself|terminat"), QRegularExpression::CaseInsensitiveOption));
    QThread t;
    auto *worker = new DiskOperationWorker;
    worker->m_thread = &t;
    worker->moveToThread(&t);
    QPointer<DiskOperationWorker> watched(worker);
    t.start();
    worker->deleteLater();
    // The destructor asks its own thread to quit and returns; the thread then ends normally.
    QVERIFY(t.wait(10000));
    QVERIFY(watched.isNull());
}

QTEST_GUILESS_MAIN(TestDiskOperationWorker)
#include "tst_diskoperationworker.moc"
