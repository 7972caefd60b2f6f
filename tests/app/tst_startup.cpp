// Start-up: the version check, the initialisation with its retry question, and the schedules
// of the refresh procedures, driven by a failing WMI connection on the simulated machine.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <memory>

class TestStartup : public QObject
{
    Q_OBJECT

    enum Procedure { Start, StartDeclined, Manual, Resize, AfterOperation, AfterFormat, Failed };
    std::unique_ptr<TestMachine> m_machine;

    // Renames disk 0 from "First" to "Second" behind the window's back, so a rebuilt tree shows,
    // and makes the next `failures` WMI connections fail.
    bool renameAndFail(int failures)
    {
        m_machine->read();
        m_machine->disk(0).friendlyName = QStringLiteral("Second");
        if (failures > 0)
            m_machine->addFault(QJsonObject{{"target", "wmi.connect"}, {"hresult", "0x80041003"}, {"times", failures}});
        return m_machine->write();
    }

private slots:
    // The oldest version accepted, so every test here also proves 6.2 passes the check.
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        m_machine->setTimeScale(0.01);
        m_machine->setWindowsVersion(QStringLiteral("6.2"));
        m_machine->addDisk(0, 20 * sim::kGiB, QStringLiteral("GPT"), QStringLiteral("First"));
        QVERIFY(m_machine->write());
    }

    void cleanup() { m_machine.reset(); }

    void versionCheckRefuses61()
    {
        m_machine->setWindowsVersion(QStringLiteral("6.1"));
        QVERIFY(m_machine->write());
        MessageBoxAnswerer boxes;
        PopupRecorder popups;
        MainWindow window; // an incompatible system is told so before the constructor returns
        window.show();
        QCOMPARE(boxes.titles(), QStringList{"System Incompatible"});
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("Your system: Windows 6.1\n")));
        QTRY_VERIFY(!window.isVisible());
        QVERIFY(popups.texts.isEmpty()); // the storage layer was never initialised
    }

    // Each procedure: its popups, its nominal delays, the boxes and the tree it ends with; no
    // popup is left behind and the retry counter is back at 0.
    void schedules_data()
    {
        QTest::addColumn<int>("procedure");
        QTest::addColumn<int>("failures"); // of the WMI connection
        QTest::addColumn<QStringList>("popups");
        QTest::addColumn<QList<int>>("delays");
        QTest::addColumn<QString>("outcome"); // the boxes' titles, then disk 0's row ("-": none)
        const QString init = "Initializing Storage Management API...", refresh = "Refreshing disk information...";
        const QStringList resize{"Refreshing disk information after resize..."};
        const QString initFailed = "Initialization Failed, Retry Initialization | ";
        // The retry question's default answer is Yes: a second later initialisation runs again.
        QTest::newRow("start, retried")
            << +Start << 1 << QStringList{init, init, refresh} << QList<int>{1000, 100} << initFailed + "Disk 0 (Second)";
        QTest::newRow("start, declined") << +StartDeclined << 1 << QStringList{init} << QList<int>() << initFailed + "-";
        QTest::newRow("manual, three failures")
            << +Manual << 3 << QStringList{refresh, "Retrying disk refresh... (2/3)", "Retrying disk refresh... (3/3)"}
            << QList<int>{2000, 2000} << "Refresh Failed | Disk 0 (First)";
        QTest::newRow("manual, second try succeeds") << +Manual << 1 << QStringList{refresh, "Retrying disk refresh... (2/3)"}
                                                     << QList<int>{2000} << " | Disk 0 (Second)";
        // One more failure for the reconnection that precedes the retries after a resize.
        QTest::newRow("resize, third try succeeds")
            << +Resize << 3 << resize << QList<int>{500, 1000, 3000, 4000} << " | Disk 0 (Second)";
        QTest::newRow("resize, five failures")
            << +Resize << 6 << resize << QList<int>{500, 1000, 3000, 4000, 5000, 6000} << "Refresh Warning | Disk 0 (First)";
        QTest::newRow("after operation") << +AfterOperation << 0 << QStringList{"Refreshing partition information..."}
                                         << QList<int>{2000, 1000} << " | Disk 0 (Second)";
        QTest::newRow("after format")
            << +AfterFormat << 0 << QStringList{"Refreshing partitions..."} << QList<int>{2000} << " | Disk 0 (Second)";
        QTest::newRow("operation failed")
            << +Failed << 0 << QStringList() << QList<int>() << "Storage Operation Failed | Disk 0 (First)";
    }

    void schedules()
    {
        QFETCH(int, procedure);
        QFETCH(int, failures);
        const bool atStart = procedure <= StartDeclined;
        MessageBoxAnswerer boxes;
        if (procedure == StartDeclined) {
            boxes.enqueue(QMessageBox::Ok);
            boxes.enqueue(QMessageBox::No);
        }
        PopupRecorder popups;
        if (atStart)
            QVERIFY(renameAndFail(failures));
        MainWindow window;
        ScheduleRecorder schedule(window); // takes every delay after the constructor's first
        window.show();
        if (!atStart) {
            QVERIFY(waitUntilReady(window));
            popups.texts.clear();
            QVERIFY(renameAndFail(failures));
        }
        switch (procedure) {
        case Manual: window.onRefreshClicked(); break;
        case Resize: window.onResizeFinished(); break;
        case AfterOperation: window.refreshAfterOperation(); break;
        case AfterFormat: window.refreshAfterFormat(); break;
        case Failed: window.onStorageOperationCompleted(false, QStringLiteral("拒绝访问")); break;
        }

        QFETCH(QString, outcome);
        QTreeWidget *tree = treeOf(window);
        QTRY_COMPARE(boxes.titles().join(", ") + " | " + (tree->topLevelItemCount() ? tree->topLevelItem(0)->text(0) : "-"),
                     outcome);
        if (outcome.startsWith(QLatin1String("Refresh Warning")))
            QVERIFY(boxes.at(0).text.endsWith(QLatin1String("Please try manual refresh.")));
        QTEST(schedule.delays, "delays");
        QTEST(popups.texts, "popups");
        QTRY_VERIFY(window.findChildren<QLabel *>(QStringLiteral("loadingPopup")).isEmpty());
        QCOMPARE(window.refreshAttempt(), 0);
        if (procedure == StartDeclined) { // until a manual refresh tries again
            window.onRefreshClicked();
            QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Disk 0 (Second)"));
        }
    }
};

TESSALINE_GUI_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
