// The delete dialog's failures and refusals, each leaving the machine as it was.
#include "support/guitestmain.h"
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include <QPushButton>

class TestDeletePartitionPage : public QObject
{
    Q_OBJECT

private slots:
    void failuresChangeNothing_data()
    {
        QTest::addColumn<QString>("id"); // the dialog deletes what the id names, whatever else the record says
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("boxes"); // the boxes' titles, then the dialog's status
        QTest::addColumn<QString>("lastText"); // how the last box begins

        const QString failed = "Final Confirmation, Delete failed | Delete failed";
        const QString untouched = " | You're deleting a partition...";
        // The stand-in refuses as Windows does, and the tool's answer is shown.
        QTest::newRow("C:, the running system") << "0:1" << QByteArray() << true << failed
                                                << "Partition 0:1 Delete failed:\nDeletion failed:\n";
        QTest::newRow("Error printed, exit code 0")
            << "0:2" << QByteArray(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})") << true << failed
            << "Partition 0:2 Delete failed:\nError occurred during deletion:\nError";
        // Stopped at the scaled 30000 ms limit, long before the tool would end.
        QTest::newRow("hangs past the limit") << "0:2" << QByteArray(R"({"target":"tool.diskpart","hangMs":60000})")
                                              << true << failed << "Partition 0:2 Delete failed:\nDeletion failed:\n";
        QTest::newRow("declined") << "0:2" << QByteArray() << false << "Final Confirmation" + untouched
                                  << "⚠️ Final Confirmation ⚠️";
        // Must not fall back to disk 0, partition 0, nor reach the tool at all.
        for (const char *bad : {"a:b", "0:0"})
            QTest::addRow("id %s", bad) << bad << QByteArray() << true << "Invalid partition" + untouched
                                        << "Cannot delete this partition: its ID \"" + QString(bad) + "\"";
    }

    void failuresChangeNothing()
    {
        QFETCH(QString, id);
        QFETCH(QByteArray, fault);
        QFETCH(bool, confirmed);
        QFETCH(QString, lastText);
        TestMachine tm;
        buildDeleteMachine(tm, 0.05, fault.constData());
        const QStringList before = layoutOf(tm.read());

        MessageBoxAnswerer boxes;
        boxes.enqueue(confirmed ? QMessageBox::Yes : QMessageBox::No);
        PartitionInfo record;
        record.id = id;
        DeletePartitionPage dialog(record);
        dialog.show();
        auto *confirm = child<QPushButton>(dialog, "confirmButton");
        QTest::mouseClick(confirm, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning() && confirm->isEnabled() && dialog.isVisible(), 15000);
        QTEST(boxes.titles().join(", ") + " | " + statusOf(dialog), "boxes");
        QVERIFY2(boxes.at(boxes.count() - 1).text.startsWith(lastText), qPrintable(boxes.at(boxes.count() - 1).text));
        QCOMPARE(layoutOf(tm.read()), before);
    }
};

TESSALINE_GUI_TEST_MAIN(TestDeletePartitionPage)
#include "tst_deletepartitionpage.moc"
