// Start-up: the version check, the initialisation with its retry question, and the schedules
// of the refresh procedures, driven by a failing WMI connection on the simulated machine.
#include "app/mainwindow.h"
#include "common/records.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <memory>

class TestStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;

    static QJsonObject connectFault(int times)
    {
        return {{"target", "wmi.connect"}, {"hresult", "0x80041003"}, {"times", times}};
    }
    QString diskRowText(MainWindow &window) { return treeOf(window)->topLevelItem(0)->text(0); }
    // Renames disk 0 from "First" to "Second" behind the window's back, so a rebuilt tree shows,
    // and makes the next `failures` WMI connections fail.
    bool renameAndFail(int failures)
    {
        m_machine->read();
        m_machine->disk(0).friendlyName = QStringLiteral("Second");
        if (failures > 0)
            m_machine->addFault(connectFault(failures));
        return m_machine->write();
    }

private slots:
    void initTestCase() { registerRecordMetaTypes(); }

    void init()
    {
        m_machine = std::make_unique<TestMachine>();
        m_machine->setTimeScale(0.01);
        m_machine->addDisk(0, 20 * sim::kGiB, QStringLiteral("GPT"), QStringLiteral("First"));
        QVERIFY(m_machine->write());
    }

    void cleanup() { m_machine.reset(); }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("6.1 refused") << "6.1";
        QTest::newRow("6.2 accepted") << "6.2";
    }

    void versionCheck()
    {
        QFETCH(QString, version);
        m_machine->setWindowsVersion(version);
        QVERIFY(m_machine->write());
        MessageBoxAnswerer boxes;
        PopupRecorder popups;
        MainWindow window; // an incompatible system is told so before the constructor returns
        window.show();
        if (version == QLatin1String("6.2")) {
            QVERIFY(waitUntilReady(window));
            QCOMPARE(boxes.count(), 0);
            return;
        }
        QCOMPARE(boxes.titles(), QStringList{"System Incompatible"});
        QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("Your system: Windows 6.1\n")));
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(popups.texts.isEmpty()); // the storage layer was never initialised
        QCOMPARE(treeOf(window)->topLevelItemCount(), 0);
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
        m_machine->addFault(connectFault(1));
        QVERIFY(m_machine->write());

        MessageBoxAnswerer boxes;
        boxes.enqueue(QMessageBox::Ok);
        boxes.enqueue(retry ? QMessageBox::Yes : QMessageBox::No);
        PopupRecorder popups;
        MainWindow window;
        ScheduleRecorder schedule(window);
        window.show();

        QVERIFY(boxes.waitFor(2));
        QCOMPARE(boxes.titles(), (QStringList{"Initialization Failed", "Retry Initialization"}));
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::Yes);
        if (retry) {
            QVERIFY(waitUntilReady(window));
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
    }

    // Each refresh procedure on a running window: the popups, the nominal delays, and either a
    // rebuilt tree or the closing box; the retry counter is back at 0 afterwards.
    void refreshSchedules_data()
    {
        QTest::addColumn<int>("procedure");
        QTest::addColumn<int>("failures"); // of the WMI connection
        QTest::addColumn<QStringList>("popups");
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QString>("box"); // the closing box's title and a part of its text
        const QStringList manual{"Refreshing disk information...", "Retrying disk refresh... (2/3)",
                                 "Retrying disk refresh... (3/3)"};
        const QStringList resize{"Refreshing disk information after resize..."};
        QTest::newRow("manual, third try succeeds") << 0 << 2 << manual << QList<int>{2000, 2000} << "";
        QTest::newRow("manual, three failures")
            << 0 << 3 << manual << QList<int>{2000, 2000} << "Refresh Failed: after multiple attempts";
        // One more failure for the reconnection that precedes the retries after a resize.
        QTest::newRow("resize, third try succeeds") << 1 << 3 << resize << QList<int>{500, 1000, 3000, 4000} << "";
        QTest::newRow("resize, five failures") << 1 << 6 << resize << QList<int>{500, 1000, 3000, 4000, 5000, 6000}
                                               << "Refresh Warning: Please try manual refresh.";
        QTest::newRow("after operation")
            << 2 << 0 << QStringList{"Refreshing partition information..."} << QList<int>{2000, 1000} << "";
        QTest::newRow("after format") << 3 << 0 << QStringList{"Refreshing partitions..."} << QList<int>{2000} << "";
        QTest::newRow("operation completed")
            << 4 << 0 << QStringList{"Refreshing partition..."} << QList<int>{2000, 1000} << "";
        QTest::newRow("operation failed")
            << 5 << 0 << QStringList() << QList<int>() << "Storage Operation Failed: failed: 拒绝访问";
    }

    void refreshSchedules()
    {
        QFETCH(int, procedure);
        QFETCH(int, failures);
        QFETCH(QString, box);
        MainWindow window;
        window.show();
        QVERIFY(waitUntilReady(window));

        MessageBoxAnswerer boxes;
        PopupRecorder popups;
        ScheduleRecorder schedule(window);
        QVERIFY(renameAndFail(failures));
        switch (procedure) {
        case 0: window.onRefreshClicked(); break;
        case 1: window.onResizeFinished(); break;
        case 2: window.refreshAfterOperation(); break;
        case 3: window.refreshAfterFormat(); break;
        default: window.onStorageOperationCompleted(procedure == 4, QStringLiteral("拒绝访问")); break;
        }

        if (box.isEmpty()) {
            QTRY_COMPARE(diskRowText(window), QStringLiteral("Disk 0 (Second)"));
            QCOMPARE(boxes.count(), 0);
        } else {
            QVERIFY(boxes.waitFor(1));
            const QString title = box.section(QStringLiteral(": "), 0, 0);
            QCOMPARE(boxes.at(0).title, title);
            QVERIFY2(boxes.at(0).text.contains(box.mid(title.size() + 2)), qPrintable(boxes.at(0).text));
            QCOMPARE(diskRowText(window), QStringLiteral("Disk 0 (First)"));
        }
        QTEST(schedule.delays, "delays");
        QTEST(popups.texts, "popups");
        QTRY_VERIFY(!loadingPopupVisible(window));
        QCOMPARE(window.refreshAttempt(), 0);
    }

    // At most one popup exists; the next replaces it.
    void onePopupAtATime()
    {
        MainWindow window;
        window.show();
        QVERIFY(waitUntilReady(window));
        window.showLoading(QStringLiteral("one"));
        window.showLoading(QStringLiteral("two"));
        const auto popups = window.findChildren<QLabel *>(QStringLiteral("loadingPopup"));
        QCOMPARE(popups.size(), 1);
        QCOMPARE(popups.first()->text(), QStringLiteral("two"));
        window.hideLoading();
        QVERIFY(window.findChildren<QLabel *>(QStringLiteral("loadingPopup")).isEmpty());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
