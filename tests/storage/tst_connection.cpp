#include "countingplatform.h"
#include "support/testmachine.h"

#include "platform/simulated/simulatedplatform.h"
#include "storage/windowsstoragemanager.h"

#include <QRegularExpression>
#include <QThread>
#include <QtTest>

namespace sim_com = platform::simulated;

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        sim_com::resetProcessSecurity();
        QCOMPARE(sim_com::comDepth(), 0);
    }

    void cleanup() { sim_com::leaveApartment(); }

    // Every way initialisation can go, with the test thread holding an MTA initialisation of
    // its own, so an unbalanced uninitialisation by the manager would show in the depth.
    void initialization_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("messages"); // "C:" critical, "W:" warning
        QTest::addColumn<int>("depthWhileAlive");

        QTest::newRow("all well") << QString() << true << QStringList{} << 2;
        QTest::newRow("COM refused")
            << R"({"target":"com.initialize","hresult":"0x80004005","times":1})" << false
            << QStringList{"C:CoInitializeEx failed with HRESULT: 0x80004005", "C:Failed to initialize COM"} << 1;
        QTest::newRow("security refused is tolerated")
            << R"({"target":"com.security","hresult":"0x80070005","times":1})" << true
            << QStringList{"W:CoInitializeSecurity failed with HRESULT: 0x80070005"} << 2;
        QTest::newRow("locator refused")
            << R"({"target":"wmi.locator","hresult":"0x80040154","times":1})" << false
            << QStringList{"C:Failed to create IWbemLocator object, HRESULT: 0x80040154", "C:Failed to connect to WMI"}
            << 2;
        QTest::newRow("namespace refused")
            << R"({"target":"wmi.connect","match":"Storage","hresult":"0x8004100E","times":1})" << false
            << QStringList{"C:Could not connect to WMI Storage namespace, HRESULT: 0x8004100E",
                           "C:Failed to connect to WMI"}
            << 2;
        QTest::newRow("proxy blanket refused is tolerated")
            << R"({"target":"wmi.proxyBlanket","match":"Storage","hresult":"0x80070005","times":1})" << true
            << QStringList{"W:Could not set proxy blanket, HRESULT: 0x80070005"} << 2;
    }

    void initialization()
    {
        QFETCH(QString, fault);
        QFETCH(bool, result);
        QFETCH(QStringList, messages);
        QFETCH(int, depthWhileAlive);

        TestMachine tm;
        tm.addDisk(0, sim::kGiB);
        QVERIFY(tm.write());
        platform::Platform &p = platform::current();
        QVERIFY(platform::succeeded(p.coInitializeEx(platform::COINIT_MULTITHREADED)));
        if (!fault.isEmpty()) {
            tm.addFault(fault.toUtf8().constData());
            QVERIFY(tm.write());
        }
        {
            WindowsStorageManager manager;
            for (const QString &m : std::as_const(messages))
                QTest::ignoreMessage(m.startsWith(QLatin1String("C:")) ? QtCriticalMsg : QtWarningMsg,
                                     qPrintable(m.mid(2)));
            QCOMPARE(manager.initialize(), result);
            QCOMPARE(sim_com::comDepth(), depthWhileAlive);
            if (result) {
                QCOMPARE(manager.getDisks().size(), 1);
            } else {
                QTest::ignoreMessage(QtCriticalMsg, "WMI service not initialized");
                QVERIFY(manager.getDisks().isEmpty());
            }
        }
        QCOMPARE(sim_com::comDepth(), 1);
        p.coUninitialize();
    }

    // A second initialisation tears the old connection down before anything else.
    void reinitialization()
    {
        TestMachine tm;
        tm.addDisk(0, sim::kGiB);
        QVERIFY(tm.write());

        CountingPlatform counting(platform::current());
        {
            WindowsStorageManager manager(counting);
            QVERIFY(manager.initialize());
            QCOMPARE(counting.liveLocators.load(), 1);
            QCOMPARE(counting.liveServices.load(), 1);

            QVERIFY(manager.initialize());
            QCOMPARE(counting.locatorsAtCoInit.load(), 0);
            QCOMPARE(counting.servicesAtCoInit.load(), 0);
            QCOMPARE(counting.liveServices.load(), 1);
            QCOMPARE(sim_com::comDepth(), 1);

            // A rebuild that fails keeps the locator, loses the connection, and still owns COM.
            tm.read();
            tm.addFault(R"({"target":"wmi.connect","match":"Storage","hresult":"0x80041003","times":1})");
            QVERIFY(tm.write());
            QVERIFY(!manager.initialize());
            QCOMPARE(counting.liveLocators.load(), 1);
            QCOMPARE(counting.liveServices.load(), 0);
            QCOMPARE(sim_com::comDepth(), 1);
        }
        QCOMPARE(counting.liveLocators.load(), 0);
        QCOMPARE(sim_com::comDepth(), 0);
    }

    // The GUI thread is in the single-threaded apartment before any of our code runs: the
    // manager works in it and leaves it exactly as found.
    void singleThreadedApartment()
    {
        TestMachine tm;
        tm.addDisk(0, sim::kGiB);
        QVERIFY(tm.write());

        auto run = [] {
            sim_com::enterSingleThreadedApartment();
            bool ok = false;
            int disks = 0;
            {
                WindowsStorageManager manager;
                ok = manager.initialize();
                disks = manager.getDisks().size();
            }
            const int depth = sim_com::comDepth();
            const std::uint32_t apartment = sim_com::comApartment();
            sim_com::leaveApartment();
            return std::tuple{ok, disks, depth, apartment};
        };

        QCOMPARE(run(), std::tuple(true, 1, 1, platform::COINIT_APARTMENTTHREADED));

        std::tuple<bool, int, int, std::uint32_t> onThread;
        std::unique_ptr<QThread> thread(QThread::create([&] { onThread = run(); }));
        thread->start();
        QVERIFY(thread->wait(10000));
        QCOMPARE(onThread, std::tuple(true, 1, 1, platform::COINIT_APARTMENTTHREADED));
    }

    // COM belongs to the thread that initialised it; a manager destroyed elsewhere must not
    // uninitialise the destroying thread's COM.
    void destroyedOnAnotherThread()
    {
        TestMachine tm;
        tm.addDisk(0, sim::kGiB);
        QVERIFY(tm.write());

        auto *manager = new WindowsStorageManager;
        int depthOnThread = -1;
        std::unique_ptr<QThread> thread(QThread::create([&] {
            manager->initialize();
            depthOnThread = sim_com::comDepth();
        }));
        thread->start();
        QVERIFY(thread->wait(10000));
        QCOMPARE(depthOnThread, 1);

        sim_com::enterSingleThreadedApartment();
        QTest::ignoreMessage(QtWarningMsg, "COM was initialized on another thread; not uninitializing it here");
        delete manager;
        QCOMPARE(sim_com::comDepth(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
