// Start-up: the version check, the initialisation with its retry question, and the schedules
// of the refresh procedures, driven by a failing WMI connection on the simulated machine.
#include "app/mainwindow.h"
#include "common/records.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <QTest>

#include <memory>

using sim::kGiB;
using sim::kMiB;

namespace {

QStringList g_traces;
QtMessageHandler g_previousHandler = nullptr;

void recordTrace(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_traces << message;
    if (type != QtDebugMsg && g_previousHandler)
        g_previousHandler(type, context, message);
}

void addConnectFault(TestMachine &tm, int times)
{
    tm.store().modify([times](sim::Machine &m) {
        m.faults.append(QJsonObject{{"target", "wmi.connect"}, {"hresult", "0x80041003"}, {"times", times}});
        return true;
    });
}

void renameDisk(TestMachine &tm, const QString &name)
{
    tm.store().modify([name](sim::Machine &m) {
        m.disk(0)->friendlyName = name;
        return true;
    });
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> makeMachine()
    {
        auto tm = std::make_unique<TestMachine>();
        tm->setTimeScale(0.01);
        tm->addDisk(0, 20 * kGiB, QStringLiteral("GPT"), QStringLiteral("First"));
        tm->addPartition(0, kMiB, 10 * kGiB, QStringLiteral("Primary"),
                         TestMachine::Vol(QStringLiteral("NTFS"), QString(), QStringLiteral("C")));
        tm->write();
        return tm;
    }

    // A window whose first refresh has finished.
    static void waitUntilReady(MainWindow &window)
    {
        QTRY_VERIFY(treeOf(window)->topLevelItemCount() > 0);
        QTRY_VERIFY(!loadingPopupVisible(window));
    }

private slots:
    void initTestCase()
    {
        registerRecordMetaTypes();
        g_previousHandler = qInstallMessageHandler(recordTrace);
    }

    void init() { g_traces.clear(); }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("compatible");
        QTest::newRow("Windows 7") << "6.1" << false;
        QTest::newRow("Windows 8") << "6.2" << true;
        QTest::newRow("Windows 8.1") << "6.3" << true;
        QTest::newRow("Windows 10") << "10.0" << true;
    }

    void versionCheck()
    {
        QFETCH(QString, version);
        QFETCH(bool, compatible);
        auto tm = makeMachine();
        tm->setWindowsVersion(version);
        QVERIFY(tm->write());

        MessageBoxAnswerer boxes;
        MainWindow window; // an incompatible system is told so before the constructor returns
        window.show();

        if (compatible) {
            waitUntilReady(window);
            QCOMPARE(boxes.count(), 0);
            QVERIFY(window.isVisible());
            return;
        }

        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.at(0).title, QStringLiteral("System Incompatible"));
        QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
        QCOMPARE(boxes.at(0).text,
                 QStringLiteral("This application requires Windows 8 or later.\n\nYour system: Windows 6.1\n"
                                "Required: Windows 6.2 or later\n\n"
                                "The Storage Management API is not available on your system."));
        QTRY_VERIFY(!window.isVisible());
        QCOMPARE(treeOf(window)->topLevelItemCount(), 0);
        QVERIFY(!g_traces.contains(QStringLiteral("Initializing WindowsStorageManager...")));
    }

    void initialisationRetry_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }

    void initialisationRetry()
    {
        QFETCH(bool, retry);
        auto tm = makeMachine();
        addConnectFault(*tm, 1);

        MessageBoxAnswerer boxes;
        boxes.enqueue(QMessageBox::Ok);
        boxes.enqueue(retry ? QMessageBox::Yes : QMessageBox::No);
        PopupRecorder popups;
        MainWindow window;
        ScheduleRecorder schedule(window);
        window.show();

        QVERIFY(boxes.waitFor(2));
        QCOMPARE(boxes.titles(), (QStringList{"Initialization Failed", "Retry Initialization"}));
        QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
        QVERIFY(boxes.at(0).text.startsWith(
            QStringLiteral("Failed to initialize Windows Storage Management API.\n\nPossible causes:\n")));
        QCOMPARE(boxes.at(1).icon, QMessageBox::Question);
        QCOMPARE(boxes.at(1).buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::Yes);

        if (retry) {
            waitUntilReady(window);
            QCOMPARE(schedule.delays, (QList<int>{1000, 100}));
            QCOMPARE(popups.texts, (QStringList{"Initializing Storage Management API...",
                                                "Initializing Storage Management API...",
                                                "Refreshing disk information..."}));
            QCOMPARE(boxes.count(), 2);
            return;
        }

        // No: an empty tree and no further prompt, until a manual refresh tries again.
        QTest::qWait(50);
        QCOMPARE(boxes.count(), 2);
        QVERIFY(schedule.delays.isEmpty());
        QVERIFY(!loadingPopupVisible(window));
        QCOMPARE(treeOf(window)->topLevelItemCount(), 0);
        window.onRefreshClicked();
        QCOMPARE(treeOf(window)->topLevelItemCount(), 1);
        QVERIFY(!loadingPopupVisible(window));
    }

    void tryRefreshSchedule_data()
    {
        QTest::addColumn<int>("failures");
        QTest::newRow("third attempt succeeds") << 2;
        QTest::newRow("three failures") << 3;
    }

    void tryRefreshSchedule()
    {
        QFETCH(int, failures);
        auto tm = makeMachine();
        MainWindow window;
        window.show();
        waitUntilReady(window);

        MessageBoxAnswerer boxes;
        PopupRecorder popups;
        ScheduleRecorder schedule(window);
        renameDisk(*tm, QStringLiteral("Second"));
        addConnectFault(*tm, failures);
        window.onRefreshClicked();

        QStringList expectedPopups{"Refreshing disk information...", "Retrying disk refresh... (2/3)",
                                   "Retrying disk refresh... (3/3)"};
        if (failures == 3) {
            QVERIFY(boxes.waitFor(1));
            QCOMPARE(boxes.at(0).title, QStringLiteral("Refresh Failed"));
            QCOMPARE(boxes.at(0).icon, QMessageBox::Warning);
            QCOMPARE(treeOf(window)->topLevelItem(0)->text(0), QStringLiteral("Disk 0 (First)"));
        } else {
            QTRY_COMPARE(treeOf(window)->topLevelItem(0)->text(0), QStringLiteral("Disk 0 (Second)"));
            QCOMPARE(boxes.count(), 0);
        }
        QCOMPARE(schedule.delays, (QList<int>{2000, 2000}));
        QCOMPARE(popups.texts, expectedPopups);
        QVERIFY(!loadingPopupVisible(window));
        QCOMPARE(window.refreshAttempt(), 0);
    }

    void robustRefreshSchedule_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("third try succeeds") << 2 << QList<int>{500, 1000, 3000, 4000};
        QTest::newRow("five failures") << 5 << QList<int>{500, 1000, 3000, 4000, 5000, 6000};
    }

    void robustRefreshSchedule()
    {
        QFETCH(int, failures);
        auto tm = makeMachine();
        MainWindow window;
        window.show();
        waitUntilReady(window);

        MessageBoxAnswerer boxes;
        PopupRecorder popups;
        ScheduleRecorder schedule(window);
        renameDisk(*tm, QStringLiteral("Second"));
        // One more failure for the reconnection that precedes the robust refresh.
        addConnectFault(*tm, failures + 1);
        window.onResizeFinished();

        if (failures == 5) {
            QVERIFY(boxes.waitFor(1));
            QCOMPARE(boxes.at(0).title, QStringLiteral("Refresh Warning"));
            QCOMPARE(boxes.at(0).text, QStringLiteral("Failed to refresh disk information completely. Some data "
                                                      "may be outdated. Please try manual refresh."));
        } else {
            QTRY_COMPARE(treeOf(window)->topLevelItem(0)->text(0), QStringLiteral("Disk 0 (Second)"));
            QCOMPARE(boxes.count(), 0);
        }
        QTEST(schedule.delays, "delays");
        QCOMPARE(popups.texts, QStringList{"Refreshing disk information after resize..."});
        QTRY_VERIFY(!loadingPopupVisible(window));
        QCOMPARE(window.refreshAttempt(), 0);
    }

    // The refreshes that follow an operation: popup, delays, and a tree that shows the change.
    void refreshAfterOperations_data()
    {
        QTest::addColumn<int>("procedure");
        QTest::addColumn<QString>("popup");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("after operation") << 0 << "Refreshing partition information..." << QList<int>{2000, 1000};
        QTest::newRow("after format") << 1 << "Refreshing partitions..." << QList<int>{2000};
        QTest::newRow("storage operation completed") << 2 << "Refreshing partition..." << QList<int>{2000, 1000};
    }

    void refreshAfterOperations()
    {
        QFETCH(int, procedure);
        auto tm = makeMachine();
        MainWindow window;
        window.show();
        waitUntilReady(window);

        PopupRecorder popups;
        ScheduleRecorder schedule(window);
        renameDisk(*tm, QStringLiteral("Second"));
        if (procedure == 0)
            window.refreshAfterOperation();
        else if (procedure == 1)
            window.refreshAfterFormat();
        else
            window.onStorageOperationCompleted(true, QString());

        QTRY_COMPARE(treeOf(window)->topLevelItem(0)->text(0), QStringLiteral("Disk 0 (Second)"));
        QTEST(schedule.delays, "delays");
        QFETCH(QString, popup);
        QCOMPARE(popups.texts, QStringList{popup});
        QVERIFY(!loadingPopupVisible(window));
    }

    void storageOperationFailure()
    {
        auto tm = makeMachine();
        MainWindow window;
        window.show();
        waitUntilReady(window);

        MessageBoxAnswerer boxes;
        ScheduleRecorder schedule(window);
        window.onStorageOperationCompleted(false, QStringLiteral("拒绝访问"));
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("Storage Operation Failed"));
        QCOMPARE(boxes.at(0).text, QStringLiteral("Storage operation failed: 拒绝访问"));
        QVERIFY(schedule.delays.isEmpty());
    }

    // At most one popup exists; the next replaces it.
    void onePopupAtATime()
    {
        auto tm = makeMachine();
        MainWindow window;
        window.show();
        waitUntilReady(window);
        window.showLoading(QStringLiteral("one"));
        window.showLoading(QStringLiteral("two"));
        const auto popups = window.findChildren<QLabel *>(QStringLiteral("loadingPopup"));
        QCOMPARE(popups.size(), 1);
        QCOMPARE(popups.first()->text(), QStringLiteral("two"));
        QVERIFY(popups.first()->isWindow());
        window.hideLoading();
        QVERIFY(window.findChildren<QLabel *>(QStringLiteral("loadingPopup")).isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
