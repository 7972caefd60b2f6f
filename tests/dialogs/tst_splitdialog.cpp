// The Split action and dialog through the main window: limits and size controls in step, what the
// window refuses, a split run to its end with the real stand-ins, and one cancelled while it runs.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "app/windowtesting.h"
#include "dialogs/splitpartitiondialog.h"
#include "worker/diskoperationworker.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QThread>

namespace {

const qint64 M = sim::kMiB, G = sim::kGiB;

// "letter MiB label serial" for each partition of disk 0; a new volume's serial shows as "new".
QString disk0(const sim::Machine &m)
{
    return partitionsOf(m, 0, QStringLiteral("letter mib label serial"), QStringLiteral("9999-")).join(QLatin1String(", "));
}

PartitionInfo partitionOf(qint64 size)
{
    PartitionInfo p;
    p.diskIndex = 0;
    p.partitionNumber = 2;
    p.driveLetter = QStringLiteral("D");
    p.sizeBytes = size;
    return p;
}

} // namespace

class TestSplitDialog : public QObject, WindowFixture
{
    Q_OBJECT

    // Disk 0 (GPT, 100 GiB): C:, D: (10 GiB), S: (150 MiB), 67 GiB free, a letterless 1 GiB
    // partition, then 1 GiB free.
    void openWindow(const char *fault = nullptr)
    {
        using Vol = TestMachine::Vol;
        m_machine = std::make_unique<TestMachine>();
        m_machine->addDisk(0, 100 * G);
        m_machine->addPartition(0, M, 20 * G, "Primary", Vol("NTFS", "Windows", "C", 0, 4096, "9999-0001"));
        m_machine->addPartition(0, 20 * G + M, 10 * G, "Primary", Vol("NTFS", "Data", "D", 0, 4096, "9999-0002"));
        m_machine->addPartition(0, 30 * G + M, 150 * M, "Primary", Vol("NTFS", "Small", "S", 0, 4096, "9999-0003"));
        m_machine->addPartition(0, 98 * G, G, "Primary", Vol("NTFS", "", "", 0, 4096, "9999-0004"));
        m_machine->setTimeScale(0.02);
        if (fault)
            m_machine->addFault(fault);
        QVERIFY(m_machine->write());
        QVERIFY(showWindow());
    }

    SplitPartitionDialog *splitRow(const QString &text) { return actOn<SplitPartitionDialog>(*m_window, text, SplitRow); }

    // Sets D: to keep 6 GiB, letter K, label "Media", and confirms.
    void startSplit(SplitPartitionDialog &dialog, MessageBoxAnswerer &boxes)
    {
        child<QDoubleSpinBox>(dialog, "originalSizeSpinBox")->setValue(6.0);
        auto *letters = child<QComboBox>(dialog, "driveLetterCombo");
        letters->setCurrentIndex(letters->findData(QStringLiteral("K")));
        child<QLineEdit>(dialog, "volumeLabelEdit")->setText(QStringLiteral("Media"));
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(dialog, "splitButton"), Qt::LeftButton);
        QVERIFY(dialog.isBusy());
    }

private slots:
    void cleanup() { closeWindow(); }

    // Limits, the opening values, the snap-back of either box, and the label's length.
    void sizeControls_data()
    {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("box");
        QTest::addColumn<double>("typed");
        QTest::addColumn<QString>("expected"); // limits; keep, new, slider

        QTest::newRow("100 GiB opens at 60/40")
            << 100 * G << QString() << 0.0 << "100 100 102300 102300; 60.00 40.00 6000";
        QTest::newRow("150 MiB has 50 MiB minima") << 150 * M << QString() << 0.0 << "50 50 100 100; 0.09 0.06 6000";
        QTest::newRow("201 MiB has 100 MiB minima") << 201 * M << QString() << 0.0 << "100 100 101 101; 0.10 0.10 5024";
        // The slider's steps are coarser than the boxes' here: a typed size must not be rounded to them.
        QTest::newRow("1000 GiB, keep typed") << 1000 * G << "originalSizeSpinBox" << 333.33 << "100 100 1023900 1023900; 333.33 666.67 3333";
        QTest::newRow("1000 GiB, new typed") << 1000 * G << "newSizeSpinBox" << 666.67 << "100 100 1023900 1023900; 333.33 666.67 3333";
        QTest::newRow("keep too large snaps new back")
            << 100 * G << "originalSizeSpinBox" << 99.99 << "100 100 102300 102300; 99.90 0.10 9990";
        QTest::newRow("new too large snaps keep back")
            << 100 * G << "newSizeSpinBox" << 99.99 << "100 100 102300 102300; 0.10 99.90 9";
        QTest::newRow("slider moves both") << 100 * G << "sizeSlider" << 2500.0 << "100 100 102300 102300; 25.00 75.00 2500";
    }

    void sizeControls()
    {
        QFETCH(qint64, total);
        QFETCH(QString, box);
        QFETCH(double, typed);
        QFETCH(QString, expected);

        TestMachine tm;
        QVERIFY(tm.write());
        SplitPartitionDialog dialog(partitionOf(total));
        auto *keep = child<QDoubleSpinBox>(dialog, "originalSizeSpinBox");
        auto *fresh = child<QDoubleSpinBox>(dialog, "newSizeSpinBox");
        auto *slider = child<QSlider>(dialog, "sizeSlider");
        if (box == QLatin1String("sizeSlider"))
            slider->setValue(int(typed));
        else if (!box.isEmpty())
            child<QDoubleSpinBox>(dialog, qPrintable(box))->setValue(typed);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4; %5 %6 %7")
                     .arg(dialog.minimumKeepBytes() / M)
                     .arg(dialog.minimumNewBytes() / M)
                     .arg(dialog.maximumKeepBytes() / M)
                     .arg(dialog.maximumNewBytes() / M)
                     .arg(keep->value(), 0, 'f', 2)
                     .arg(fresh->value(), 0, 'f', 2)
                     .arg(slider->value()),
                 expected);
        QVERIFY(child<QPushButton>(dialog, "splitButton")->isEnabled());
        QCOMPARE(child<QWidget>(dialog, "originalBar")->findChild<QLabel *>()->text() + " | "
                     + child<QWidget>(dialog, "newBar")->findChild<QLabel *>()->text(),
                 QStringLiteral("Retain partition (D) %1 GB | New partition %2 GB").arg(keep->value(), 0, 'f', 2).arg(fresh->value(), 0, 'f', 2));
        if (total == 100 * G) {
            QCOMPARE(QStringLiteral("%1-%2").arg(keep->minimum()).arg(keep->maximum()), QStringLiteral("0.1-99.9"));
            QVERIFY(dialog.isModal());
            // Each legend dot has its bar's colour, and the two differ.
            QStringList colours;
            for (const char *name : {"originalBar", "originalDot", "newBar", "newDot"})
                colours << child<QWidget>(dialog, name)->styleSheet().section(u';', 0, 0);
            QVERIFY2(colours.at(0) == colours.at(1) && colours.at(2) == colours.at(3) && colours.at(0) != colours.at(2),
                     qPrintable(colours.join(u',')));
            QCOMPARE(child<QLabel>(dialog, "originalLabel")->text() + " | " + child<QLabel>(dialog, "newLabel")->text(),
                     QStringLiteral("Original partition (retain) | New Partition (Create)"));
            if (box.isEmpty()) {
                QTest::keyClick(keep, Qt::Key_Up);
                QCOMPARE(fresh->value(), 39.9);
                QTest::keyClick(fresh, Qt::Key_Up);
                QCOMPARE(keep->value(), 60.0);
            }
            slider->setValue(5000); // every control still follows after the first change
            QCOMPARE(QStringLiteral("%1 %2").arg(keep->value()).arg(fresh->value()), QStringLiteral("50 50"));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Split a partition - D (100.00 GB)"));
            // The label box holds 32 characters at most, the longest label NTFS takes.
            auto *label = child<QLineEdit>(dialog, "volumeLabelEdit");
            QTest::keyClicks(label, QString(33, QLatin1Char('x')));
            QCOMPARE(label->text().size(), 32);
            // A label NTFS cannot hold is refused before the confirmation.
            label->setText(QStringLiteral("Photos: 2026"));
            MessageBoxAnswerer boxes;
            QTest::mouseClick(child<QPushButton>(dialog, "splitButton"), Qt::LeftButton);
            QCOMPARE(boxes.titles(), QStringList{"Invalid Volume Label"});
            QCOMPARE(boxes.at(0).text, "NTFS labels cannot contain \u201C:\u201D.");
            QVERIFY(!dialog.isBusy());
        } else if (box.isEmpty()) {
            // Where the job cannot reach the storage service: its own check fails before any
            // change, the dialog stays open and usable.
            tm.addFault(R"({"target":"wmi.connect"})");
            QVERIFY(tm.write());
            dialog.show();
            MessageBoxAnswerer boxes;
            boxes.enqueue(QMessageBox::Yes);
            QTest::mouseClick(child<QPushButton>(dialog, "splitButton"), Qt::LeftButton);
            QVERIFY(boxes.waitFor(2, 20000));
            QCOMPARE(boxes.at(1).title + ": " + boxes.at(1).text, "拆分失败: 拆分条件验证失败: Storage manager is not initialized");
            QVERIFY(dialog.isVisible() && !dialog.isBusy() && child<QLineEdit>(dialog, "volumeLabelEdit")->isEnabled());
            QVERIFY(!dialog.findChild<QThread *>()); // let go of once the split has ended
            QTest::mouseClick(child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
    }

    // What the window refuses, before any dialog.
    void refusals()
    {
        openWindow();
        MessageBoxAnswerer boxes;
        QStringList seen;
        for (const char *row : {"Disk 0 (Test Disk 0)", "Unallocated", "S", "Partition 4", "C"}) {
            QVERIFY(!splitRow(QString::fromLatin1(row)));
            QVERIFY(boxes.waitFor(int(seen.size()) + 1));
            seen << boxes.at(int(seen.size())).title + ": " + boxes.at(int(seen.size())).text;
        }
        QCOMPARE(seen.mid(0, 4), (QStringList{"Warning: Please select a partition to split.",
                                              "Cannot Split: Cannot split unallocated space. Please select a partition.",
                                              "Cannot Split: Partition is too small to split. Minimum size required: 200 MB.",
                                              "Error: Failed to get partition information."}));
        QVERIFY(seen.at(4).startsWith("Cannot Split: "));
    }

    // D: is split: shrunk with its serial kept, the new partition right after it (not in the
    // larger free region at the end), lettered and labelled; the tree shows both.
    void splitsToTheEnd()
    {
        openWindow();
        MessageBoxAnswerer boxes;
        QPointer<SplitPartitionDialog> dialog = splitRow(QStringLiteral("D"));
        QVERIFY(dialog);
        QList<int> progress;
        QStringList steps;
        connect(dialog, &SplitPartitionDialog::splitStarted, this, [&](DiskOperationWorker *worker) {
            connect(worker, &DiskOperationWorker::splitPartitionProgress, this, [&](const QString &step, int p) {
                progress << p;
                steps << step;
            });
            connect(worker, &DiskOperationWorker::splitPartitionStatusChanged, this, [&](const QString &s) { steps << s; });
        });
        startSplit(*dialog, boxes);
        QCOMPARE(child<QPushButton>(*dialog, "cancelButton")->text(), QStringLiteral("Force Cancel"));
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 20000);
        QCOMPARE(boxes.titles(), (QStringList{"Confirm Split", "Splitting successful"}));
        QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
        QCOMPARE(boxes.at(1).text, "Partition splitting completed successfully!\n\nOriginal partition has been adjusted "
                                   "to: 6.00 GB\nNew partition has been created: 4.00 GB (K)\nFile System: NTFS\nLabel: Media");
        QCOMPARE(progress, (QList<int>{5, 10, 15, 25, 50, 100, 100}));
        QCOMPARE(steps.join(" | "),
                 "Initializing partition split operation... | Ready to split | 验证拆分条件 | 正在验证分区状态和拆分条件... | "
                 "Start split operation | Partition split is being executed... | Adjusting the original partition size | "
                 "Adjusting the partition to 6.00 GB... | Creating new partition | Creating and formatting new partition... | "
                 "Split completed | Partition split completed! | Split completed | Partition split completed successfully.");
        QCOMPARE(disk0(m_machine->read()),
                 "C 20480 Windows 9999-0001, D 6144 Data 9999-0002, K 4096 Media new, S 150 Small 9999-0003,  1024  9999-0004");
        QTRY_COMPARE(childTexts(m_tree->topLevelItem(0)), (QStringList{"C", "D", "K", "S", "Unallocated", "Partition 4", "Unallocated"}));
    }

    // Closing the window during the split asks first; No keeps it, Yes closes it and the split
    // stops before creating anything. D: stays shrunk and the window reports the end.
    void closeWhileBusy()
    {
        openWindow(R"({"target":"tool.diskpart","match":"rescan","hangMs":400})");
        MessageBoxAnswerer boxes;
        QPointer<SplitPartitionDialog> dialog = splitRow(QStringLiteral("D"));
        QVERIFY(dialog);
        startSplit(*dialog, boxes);
        QTRY_VERIFY(child<QProgressBar>(*dialog, "progressBar")->value() >= 25);
        QVERIFY(child<QFrame>(*dialog, "progressFrame")->isVisible()); // with the job's last status
        QTRY_COMPARE(child<QLabel>(*dialog, "progressLabel")->text(), "Adjusting the partition to 6.00 GB...");
        boxes.enqueue(QMessageBox::No);
        QTest::mouseClick(child<QPushButton>(*dialog, "cancelButton"), Qt::LeftButton);
        QVERIFY(dialog && dialog->isVisible() && dialog->isBusy());
        boxes.enqueue(QMessageBox::Yes);
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(boxes.waitFor(4, 20000));
        QCOMPARE(boxes.titles(), (QStringList{"Confirm Split", "Confirm cancellation", "Confirm cancellation",
                                              "Operation failed"}));
        QVERIFY2(boxes.at(3).text.endsWith("The user canceled the split operation; the partition was already shrunk "
                                           "and the freed space is left unallocated"), qPrintable(boxes.at(3).text));
        QCOMPARE(disk0(m_machine->read()), "C 20480 Windows 9999-0001, D 6144 Data 9999-0002, S 150 Small 9999-0003,  1024  9999-0004");
    }
};

TESSALINE_GUI_TEST_MAIN(TestSplitDialog)
#include "tst_splitdialog.moc"
