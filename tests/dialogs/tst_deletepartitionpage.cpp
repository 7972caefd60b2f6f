// The delete dialog's failures and refusals, each leaving the machine as it was.
#include "support/guitestmain.h"
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include <QProgressBar>
#include <QPushButton>

class TestDeletePartitionPage : public QObject
{
    Q_OBJECT

private slots:
    // The form before anything runs; a progress step leaves the percentage text hidden (the ring has it).
    void form()
    {
        PartitionInfo record;
        record.id = "0:2";
        record.diskIndex = 0;
        record.partitionNumber = 2;
        record.driveLetter = "E";
        record.driveLetters = QStringList{"E:"};
        record.fileSystem = "NTFS";
        record.volumeLabel = "Data";
        record.sizeStr = "10.00 GB";
        DeletePartitionPage dialog(record);
        dialog.show();
        QStringList texts{dialog.windowTitle()};
        for (QLabel *label : dialog.findChildren<QLabel *>())
            if (label->isVisible() && !label->text().isEmpty())
                texts << label->text();
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            texts << button->text();
        QCOMPARE(texts.join(" | "), "Delete Patition | Deleting a Partition: E: (Data) | Ready | "
                                    "Partition to delete: E: (Data) | Drive letter | E: | File system | NTFS | "
                                    "Volume label | Data | Partition size | 10.00 GB | Cancel | Confirm");
        QVERIFY(child<QProgressBar>(dialog, "progressBar")->isHidden() && dialog.isModal());
        const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
        const QLabel *caption = *std::find_if(labels.begin(), labels.end(), [](QLabel *l) { return l->text() == "Partition size"; });
        QVERIFY(child<QLabel>(dialog, "partitionSizeValue")->width() > caption->width()); // the values take the spare width
        int above = -1; // each value on a row of its own, in this order
        for (const char *name : {"driveLetterValue", "fileSystemValue", "volumeLabelValue", "partitionSizeValue"}) {
            QVERIFY2(child<QLabel>(dialog, name)->y() > above, name);
            above = child<QLabel>(dialog, name)->y();
        }
        // A partition of a kind the machine needs says so before Confirm; what it lacks reads "-".
        PartitionInfo efi;
        efi.id = "0:1";
        efi.type = "EFI";
        DeletePartitionPage efiDialog(efi);
        QVERIFY(child<QLabel>(efiDialog, "subLabel")->text().startsWith("Partition 1 of Disk 0 is an EFI system partition"));
        QCOMPARE(child<QLabel>(efiDialog, "fileSystemValue")->text() + child<QLabel>(efiDialog, "volumeLabelValue")->text(), "--");
        dialog.onDeletePartitionProgress("step", 40);
        QVERIFY(child<QLabel>(dialog, "percentageLabel")->isHidden());
    }

    // The ring's arc runs clockwise from the top, blue below 30 % and green from 30 %, over a grey
    // track, smoothly drawn: read on its centre line at 3 and 9 o'clock, and on its edges.
    void ring()
    {
        QStringList seen;
        for (int p : {0, 1, 29, 30}) { // the top, where 1 % starts; the right; the left
            const QImage ring = DeletePartitionPage::drawProgressRing(p).toImage();
            seen << QStringList{ring.pixelColor(60, 20).name(), ring.pixelColor(100, 60).name(), ring.pixelColor(20, 60).name()}.join(u' ');
            bool smooth = false; // a pixel neither clear nor opaque on the diagonal across its edge
            for (int i = 0; i < 40; ++i)
                smooth = smooth || qAlpha(ring.pixel(i, i)) % 255 != 0;
            seen.last() += smooth ? "" : " jagged";
        }
        QCOMPARE(seen, (QStringList{"#f0f0f0 #f0f0f0 #f0f0f0", "#2196f3 #f0f0f0 #f0f0f0", "#2196f3 #2196f3 #f0f0f0",
                                    "#4caf50 #4caf50 #f0f0f0"}));
    }

    void failuresChangeNothing_data()
    {
        QTest::addColumn<QString>("id"); // the dialog deletes what the id names, whatever else the record says
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("boxes"); // the boxes' titles, then the dialog's status
        QTest::addColumn<QString>("lastText"); // how the last box begins

        const QString failed = "Final Confirmation, Delete failed | Delete failed 0%";
        const QString untouched = " | Ready 0%";
        auto fault = [](const char *json) { return QByteArray(json); };
        // Each failure names its cause in the box; the tool's transcript stays out of it. A
        // record with only an id carries no flags, so here C: reaches the tool and is refused there.
        QTest::newRow("C:, refused by the tool")
            << "0:1" << QByteArray() << true << failed
            << "Deleting Partition 1 of Disk 0 failed:\nDeletion failed:\ndiskpart ended with exit code 4: Virtual Disk "
               "Service error: Cannot delete the system, boot or pagefile volume.";
        QTest::newRow("Error printed, exit code 0")
            << "0:2" << fault(R"({"target":"tool.diskpart","exitCode":0,"output":"Error"})") << true << failed
            << "Deleting Partition 2 of Disk 0 failed:\nError occurred during deletion:\nError";
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
        buildDeleteMachine(tm, 0.02, fault.constData());
        const QStringList before = TestMachine::fingerprint(tm.read());

        MessageBoxAnswerer boxes;
        boxes.enqueue(confirmed ? QMessageBox::Yes : QMessageBox::No);
        PartitionInfo record;
        record.id = id;
        DeletePartitionPage dialog(record);
        dialog.show();
        auto *confirm = child<QPushButton>(dialog, "confirmButton");
        QTest::mouseClick(confirm, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning() && confirm->isEnabled() && dialog.isVisible(), 15000);
        QTEST(boxes.titles().join(", ") + " | " + statusOf(dialog) + ' ' + child<QLabel>(dialog, "percentageLabel")->text(), "boxes");
        QCOMPARE(child<QLabel>(dialog, "ringLabel")->pixmap().toImage(), DeletePartitionPage::drawProgressRing(0).toImage());
        const QString last = boxes.at(boxes.count() - 1).text;
        QCOMPARE(boxes.at(boxes.count() - 1).icon, QMessageBox::Critical); // a failure never looks like news
        QVERIFY2(last.startsWith(lastText) && !last.contains("DiskPart"), qPrintable(last));
        // The tool's transcript and the job's steps are behind Show Details, never in the text.
        if (lastText.contains("exit code 4"))
            QVERIFY(boxes.at(boxes.count() - 1).details.contains("Disk 0 is now the selected disk.")
                    && boxes.at(boxes.count() - 1).details.contains("[failed] delete partition"));
        QCOMPARE(TestMachine::fingerprint(tm.read()), before);
    }
};

TESSALINE_GUI_TEST_MAIN(TestDeletePartitionPage)
#include "tst_deletepartitionpage.moc"
