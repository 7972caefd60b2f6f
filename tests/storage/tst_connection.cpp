#include "countingplatform.h"
#include "recordtext.h"
#include "support/testmachine.h"

#include "platform/simulated/simulatedplatform.h"
#include "storage/windowsstoragemanager.h"

#include <QThread>
#include <QtTest>

namespace sim_com = platform::simulated;

class TestConnection : public QObject
{
    Q_OBJECT

    std::optional<TestMachine> m_machine;

    void addFault(const char *fault)
    {
        m_machine->read(); // spent faults are gone from the file; do not write them back
        m_machine->addFault(fault);
        QVERIFY(m_machine->write());
    }

private slots:
    void init()
    {
        sim_com::resetProcessSecurity();
        QCOMPARE(sim_com::comDepth(), 0);
        m_machine.emplace();
        m_machine->addDisk(0, sim::kGiB);
        QVERIFY(m_machine->write());
    }

    void cleanup()
    {
        sim_com::leaveApartment();
        m_machine.reset();
    }

    // Every way initialisation can go, with the test thread holding an MTA initialisation of
    // its own, so an unbalanced uninitialisation by the manager would show in the depth.
    void initialization_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("messages"); // "C:" critical, "W:" warning, separated by "|"
        QTest::addColumn<int>("depthWhileAlive");

        QTest::newRow("all well") << QString() << true << QString() << 2;
        QTest::newRow("COM refused") << R"({"target":"com.initialize","hresult":"0x80004005","times":1})" << false
                                     << "C:CoInitializeEx failed with HRESULT: 0x80004005|C:Failed to initialize COM" << 1;
        QTest::newRow("security refused is tolerated")
            << R"({"target":"com.security","hresult":"0x80070005","times":1})" << true
            << "W:CoInitializeSecurity failed with HRESULT: 0x80070005" << 2;
        QTest::newRow("locator refused") << R"({"target":"wmi.locator","hresult":"0x80040154","times":1})" << false
                                         << "C:Failed to create IWbemLocator object, HRESULT: 0x80040154|C:Failed to connect to WMI" << 2;
        QTest::newRow("namespace refused")
            << R"({"target":"wmi.connect","match":"Storage","hresult":"0x8004100E","times":1})" << false
            << "C:Could not connect to WMI Storage namespace, HRESULT: 0x8004100E|C:Failed to connect to WMI" << 2;
        QTest::newRow("proxy blanket refused is tolerated")
            << R"({"target":"wmi.proxyBlanket","match":"Storage","hresult":"0x80070005","times":1})" << true
            << "W:Could not set proxy blanket, HRESULT: 0x80070005" << 2;
    }

    void initialization()
    {
        QFETCH(QString, fault);
        QFETCH(bool, result);
        QFETCH(QString, messages);
        QFETCH(int, depthWhileAlive);

        platform::Platform &p = platform::current();
        QVERIFY(platform::succeeded(p.coInitializeEx(platform::COINIT_MULTITHREADED)));
        if (!fault.isEmpty())
            addFault(fault.toUtf8().constData());
        {
            WindowsStorageManager manager;
            for (const QString &m : messages.split(QLatin1Char('|'), Qt::SkipEmptyParts))
                QTest::ignoreMessage(m.startsWith(QLatin1String("C:")) ? QtCriticalMsg : QtWarningMsg,
                                     qPrintable(m.mid(2)));
            QCOMPARE(manager.initialize(), result);
            QCOMPARE(sim_com::comDepth(), depthWhileAlive);
            if (result) {
                QCOMPARE(manager.getDisks().size(), 1);
            } else {
                // Every operation checks the connection first.
                for (int i = 0; i < 6; ++i)
                    QTest::ignoreMessage(QtCriticalMsg, "WMI service not initialized");
                QVERIFY(manager.getDisks().isEmpty());
                QVERIFY(manager.buildVolumeMap().isEmpty());
                QVERIFY(manager.getPartitions(QStringLiteral("0")).isEmpty());
                QCOMPARE(manager.getDiskSize(QStringLiteral("0")), 0);
                QCOMPARE(manager.getPartitionSize(QStringLiteral("0:1")), 0);
                QCOMPARE(recordText(manager.getPartitionInfo(QStringLiteral("0:1"))), recordText(PartitionInfo()));
            }
        }
        QCOMPARE(sim_com::comDepth(), 1);
        p.coUninitialize();
    }

    // A second initialisation tears the old connection down before anything else.
    void reinitialization()
    {
        CountingPlatform counting(platform::current());
        {
            WindowsStorageManager manager(counting);
            QVERIFY(manager.initialize());
            QVERIFY(manager.initialize());
            QCOMPARE(counting.locatorsAtCoInit.load(), 0);
            QCOMPARE(counting.servicesAtCoInit.load(), 0);
            QCOMPARE(counting.liveLocators.load(), 1);
            QCOMPARE(counting.liveServices.load(), 1);
            QCOMPARE(sim_com::comDepth(), 1);

            // A rebuild that fails keeps the locator, loses the connection, and still owns COM.
            addFault(R"({"target":"wmi.connect","match":"Storage","hresult":"0x80041003","times":1})");
            QVERIFY(!manager.initialize());
            QCOMPARE(counting.liveLocators.load(), 1);
            QCOMPARE(counting.liveServices.load(), 0);
            QCOMPARE(sim_com::comDepth(), 1);
        }
        QCOMPARE(counting.liveLocators.load(), 0);
        QCOMPARE(sim_com::comDepth(), 0);
    }

    // The GUI thread is in the single-threaded apartment before any of our code runs: the
    // manager works in it (a changed-mode answer) and leaves it exactly as found.
    void singleThreadedApartment()
    {
        sim_com::enterSingleThreadedApartment();
        {
            WindowsStorageManager manager;
            QVERIFY(manager.initialize());
            QCOMPARE(manager.getDisks().size(), 1);
        }
        QCOMPARE(sim_com::comDepth(), 1);
        QCOMPARE(sim_com::comApartment(), platform::COINIT_APARTMENTTHREADED);
    }

    // COM belongs to the thread that initialised it; a manager destroyed elsewhere must not
    // uninitialise the destroying thread's COM.
    void destroyedOnAnotherThread()
    {
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
