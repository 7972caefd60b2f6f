#include "countingplatform.h"
#include "support/testmachine.h"

#include "platform/simulated/simulatedplatform.h"
#include "storage/windowsstoragemanager.h"

#include <QtTest>

#include <thread>

namespace sim_com = platform::simulated;

class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init() { sim_com::resetProcessSecurity(); }
    void cleanup() { sim_com::leaveApartment(); }

    // Every way a first initialisation can go, then a second one on the same manager, then the
    // destructor. The test thread holds a COM initialisation of its own, so an unbalanced
    // uninitialisation by the manager shows in the depth.
    void initialization_data()
    {
        QTest::addColumn<bool>("singleThreaded"); // the GUI thread's apartment: CoInitializeEx changes mode
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("messages"); // "C:" critical, "W:" warning, separated by "|"
        QTest::addColumn<QString>("state");    // COM depth, live locators, live connections

        QTest::newRow("all well") << false << QString() << true << QString() << "2 1 1";
        QTest::newRow("changed mode: works in the apartment found") << true << QString() << true << QString() << "1 1 1";
        QTest::newRow("COM refused") << false << R"("com.initialize","hresult":"0x80004005")" << false
                                     << "C:CoInitializeEx failed with HRESULT: 0x80004005|C:Failed to initialize COM" << "1 0 0";
        QTest::newRow("security refused is tolerated") << false << R"("com.security","hresult":"0x80070005")" << true
                                                       << "W:CoInitializeSecurity failed with HRESULT: 0x80070005" << "2 1 1";
        QTest::newRow("locator refused") << false << R"("wmi.locator","hresult":"0x80040154")" << false
                                         << "C:Failed to create IWbemLocator object, HRESULT: 0x80040154|C:Failed to connect to WMI" << "2 0 0";
        QTest::newRow("namespace refused") << false << R"("wmi.connect","match":"Storage","hresult":"0x8004100E")" << false
                                           << "C:Could not connect to WMI Storage namespace, HRESULT: 0x8004100E|C:Failed to connect to WMI" << "2 1 0";
        QTest::newRow("proxy blanket refused is tolerated") << false << R"("wmi.proxyBlanket","hresult":"0x80070005")" << true
                                                            << "W:Could not set proxy blanket, HRESULT: 0x80070005" << "2 1 1";
    }

    void initialization()
    {
        QFETCH(bool, singleThreaded);
        QFETCH(QString, fault);
        QFETCH(bool, result);
        QFETCH(QString, messages);

        TestMachine tm;
        tm.addDisk(0, sim::kGiB);
        CountingPlatform counting(platform::current());
        auto stateNow = [&counting] {
            return QStringLiteral("%1 %2 %3").arg(sim_com::comDepth()).arg(counting.liveLocators).arg(counting.liveServices);
        };
        if (singleThreaded)
            sim_com::enterSingleThreadedApartment();
        else
            QVERIFY(platform::succeeded(counting.coInitializeEx(platform::COINIT_MULTITHREADED)));
        if (!fault.isEmpty())
            tm.addFault(QStringLiteral(R"({"target":%1,"times":1})").arg(fault).toUtf8().constData());
        QVERIFY(tm.write());
        {
            WindowsStorageManager manager(counting);
            for (const QString &m : messages.split(QLatin1Char('|'), Qt::SkipEmptyParts))
                QTest::ignoreMessage(m.startsWith(QLatin1String("C:")) ? QtCriticalMsg : QtWarningMsg,
                                     qPrintable(m.mid(2)));
            QCOMPARE(manager.initialize(), result);
            QTEST(stateNow(), "state");
            if (!result) {
                // Every operation checks the connection first.
                for (int i = 0; i < 6; ++i)
                    QTest::ignoreMessage(QtCriticalMsg, "WMI service not initialized");
                QVERIFY(manager.getDisks().isEmpty() && manager.buildVolumeMap().isEmpty()
                        && manager.getPartitions(QStringLiteral("0")).isEmpty() && !manager.getDiskSize(QStringLiteral("0"))
                        && !manager.getPartitionSize(QStringLiteral("0:1"))
                        && manager.getPartitionInfo(QStringLiteral("0:1")).id.isEmpty());
            }

            // A second initialisation tears the old connection and COM down before anything else.
            QVERIFY(manager.initialize());
            QCOMPARE(QStringLiteral("%1 %2").arg(counting.locatorsAtCoInit).arg(counting.servicesAtCoInit), "0 0");
            QCOMPARE(stateNow(), singleThreaded ? "1 1 1" : "2 1 1");
            QCOMPARE(manager.getDisks().size(), 1);

            // One that fails after tearing down leaves nothing to tear down a second time.
            tm.read();
            tm.addFault(R"({"target":"com.initialize","hresult":"0x80004005","times":1})");
            QVERIFY(tm.write());
            QTest::ignoreMessage(QtCriticalMsg, "CoInitializeEx failed with HRESULT: 0x80004005");
            QTest::ignoreMessage(QtCriticalMsg, "Failed to initialize COM");
            QVERIFY(!manager.initialize());
        }
        QCOMPARE(stateNow(), "1 0 0");
        QCOMPARE(sim_com::comApartment(), singleThreaded ? platform::COINIT_APARTMENTTHREADED : platform::COINIT_MULTITHREADED);
    }

    // COM belongs to the thread that initialised it; a manager destroyed elsewhere must not
    // uninitialise the destroying thread's COM.
    void destroyedOnAnotherThread()
    {
        TestMachine tm;
        auto *manager = new WindowsStorageManager;
        int depthOnThread = -1;
        std::thread([&] {
            manager->initialize();
            depthOnThread = sim_com::comDepth();
        }).join();
        QCOMPARE(depthOnThread, 1);

        sim_com::enterSingleThreadedApartment();
        QTest::ignoreMessage(QtWarningMsg, "COM was initialized on another thread; not uninitializing it here");
        delete manager;
        QCOMPARE(sim_com::comDepth(), 1);
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
