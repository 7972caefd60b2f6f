#include "platform/simulated/simulatedplatform.h"
#include "support/testmachine.h"

#include "storage/windowsstoragemanager.h"
#include "worker/crossthreadcall.h"
#include "worker/diskoperationworker.h"

#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <future>
#include <thread>

class TestDiskOperationWorker : public QObject
{
    Q_OBJECT

private slots:
    // Queued calls and calls by name use these type names, registered by the constructor.
    void metaTypesRegistered()
    {
        DiskOperationWorker worker;
        QCOMPARE(QMetaType::fromName("QList<FormatOptions>"), QMetaType::fromType<QList<DiskOperationWorker::FormatOptions>>());
        QCOMPARE(QMetaType::fromName("PartitionInfo"), QMetaType::fromType<PartitionInfo>());
    }

    // The GUI thread in the single-threaded apartment, as the app puts it: its manager's WMI
    // objects refuse a direct call from the worker's thread, while a blocking queued call and the
    // worker's own manager both read the machine.
    void apartmentRule()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        QVERIFY(tm.write());
        QVERIFY(platform::succeeded(platform::current().enterGuiThreadApartment()));
        const auto leave = qScopeGuard([] { platform::simulated::leaveApartment(); });
        WindowsStorageManager onGui;
        QVERIFY(onGui.initialize());
        QCOMPARE(onGui.getPartitionInfo(QStringLiteral("0:1")).driveLetter, QStringLiteral("E"));

        QThread t;
        auto *worker = new DiskOperationWorker;
        worker->moveToThread(&t);
        connect(&t, &QThread::finished, worker, &QObject::deleteLater);
        t.start();
        QStringList seen;
        std::atomic<bool> done{false};
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("HRESULT: 0x8001010E")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Could not get disk size")));
        QMetaObject::invokeMethod(worker, [&] {
            seen << QStringLiteral("direct %1").arg(onGui.getPartitions(QStringLiteral("0")).size());
            PartitionInfo info;
            crossthread::invokeBlocking(&onGui, "getPartitionInfo", info, QStringLiteral("0:1"));
            seen << QStringLiteral("queued %1").arg(info.driveLetter);
            WindowsStorageManager *own = worker->workerStorageManager();
            seen << QStringLiteral("own %1").arg(own ? own->getPartitionInfo(QStringLiteral("0:1")).driveLetter : QString());
            done = true;
        }, Qt::QueuedConnection);
        QVERIFY(QTest::qWaitFor([&done] { return done.load(); }, 10000));
        t.quit();
        QVERIFY(t.wait(5000));
        QCOMPARE(seen, (QStringList{"direct 0", "queued E", "own E"}));
    }

    // A worker on a thread of its own, with the manager it makes there and the one the GUI
    // thread keeps: calls into them, the calls that cannot be made, and how the worker's
    // manager, its thread and the worker end.
    void onItsOwnThread()
    {
        TestMachine tm;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        QVERIFY(tm.write());
        WindowsStorageManager onMain;
        QVERIFY(onMain.initialize());
        tm.addFault(R"({"target":"wmi.connect","times":1})");
        QVERIFY(tm.write());
        QThread t;
        auto *worker = new DiskOperationWorker;
        worker->moveToThread(&t);
        t.start();

        // One that cannot connect is not kept; the next is made once and reused. A call into it
        // is direct (a blocking queued call to the own thread would deadlock); into the GUI
        // thread's manager it blocks while this thread serves it.
        bool madeOnceHere = false;
        QPointer<WindowsStorageManager> manager;
        std::atomic<QThread *> destroyedOn{nullptr};
        std::atomic<bool> done{false};
        QStringList calls;
        QTest::ignoreMessage(QtWarningMsg, "⚠️ WMI initialization failed in worker thread");
        QMetaObject::invokeMethod(worker, [&] {
            WindowsStorageManager *failed = worker->workerStorageManager();
            manager = worker->workerStorageManager();
            madeOnceHere = !failed && manager && manager == worker->workerStorageManager() && manager->thread() == &t;
            if (manager)
                QObject::connect(manager, &QObject::destroyed, [&] { destroyedOn = QThread::currentThread(); });
            for (WindowsStorageManager *target : {manager.data(), &onMain}) {
                PartitionInfo info;
                const crossthread::Route route = crossthread::routeFor(target, "getPartitionInfo");
                const bool ok = crossthread::invokeBlocking(target, "getPartitionInfo", info, QStringLiteral("0:1"));
                calls << QStringLiteral("%1 %2 %3 %4").arg(int(route)).arg(int(ok)).arg(info.driveLetter).arg(info.sizeBytes);
            }
            done = true;
        }, Qt::QueuedConnection);
        QVERIFY(QTest::qWaitFor([&done] { return done.load(); }, 10000));
        QVERIFY(madeOnceHere);
        QCOMPARE(calls, (QStringList{"1 1 E 10737418240", "2 1 E 10737418240"}));

        // Refused with the trace, the result left alone: no such method, other types, no target,
        // a thread that is not running and one that runs no event loop (a queued call would wait
        // for ever).
        PartitionInfo info;
        info.id = QStringLiteral("sentinel");
        QString text;
        for (int i = 0; i < 6; ++i)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^❌ 跨线程方法调用失败")));
        std::promise<WindowsStorageManager *> made;
        std::promise<void> release;
        std::thread plain([&] {
            WindowsStorageManager onPlainThread;
            made.set_value(&onPlainThread);
            release.get_future().wait();
        });
        const bool refused = !crossthread::invokeBlocking(worker, "getPartitionInfo", info, QStringLiteral("0:1"))
                             && !crossthread::invokeBlocking(worker, "getCurrentProgress", info)
                             && !crossthread::invokeBlocking(worker, "getCurrentOperationName", text, 1)
                             && !crossthread::invokeBlocking(nullptr, "getPartitionInfo", info, QStringLiteral("0:1"))
                             && !crossthread::invokeBlocking(made.get_future().get(), "getPartitionInfo", info, text);
        release.set_value();
        plain.join();
        QVERIFY(refused);

        // The manager's COM belongs to the worker's thread: it goes when that thread ends, though
        // the worker lives on.
        t.quit();
        QVERIFY(t.wait(5000));
        QVERIFY(manager.isNull());
        QCOMPARE(destroyedOn.load(), &t);
        QVERIFY(!crossthread::invokeBlocking(worker, "getCurrentOperationName", text));
        QCOMPARE(info.id + text, QStringLiteral("sentinel"));

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
