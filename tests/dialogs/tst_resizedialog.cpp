// The resize dialog (limits, controls, checks, confirmation) and the Resize/Move action of the
// main window that opens it.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "app/windowtesting.h"
#include "dialogs/partitionresizebar.h"
#include "dialogs/resizedialog.h"

#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QThread>

#include <functional>
#include <tuple>
#include <memory>

namespace {

PartitionInfo record(const QString &fileSystem = QStringLiteral("NTFS"), const QString &id = QStringLiteral("1:1"))
{
    PartitionInfo p;
    std::tie(p.id, p.name, p.fileSystem, p.sizeStr) = std::make_tuple(id, QStringLiteral("D"), fileSystem, QStringLiteral("48.83 GB"));
    return p;
}

PartitionResizeBar *barOf(QWidget &w) { return w.findChild<PartitionResizeBar *>(QStringLiteral("resizeBar")); }
QDoubleSpinBox *spinOf(QWidget &w) { return w.findChild<QDoubleSpinBox *>(QStringLiteral("spinBoxSize")); }
QProgressBar *progressOf(QWidget &w) { return w.findChild<QProgressBar *>(QStringLiteral("progressBar")); }

// Selects the row and chooses Resize/Move in the action list; the dialog it opens, if any, goes
// to `inDialog` and is closed afterwards if still open. False when no dialog opened.
bool resizeRow(MainWindow &window, QTreeWidgetItem *row, const std::function<void(ResizeDialog &)> &inDialog)
{
    treeOf(window)->setCurrentItem(row);
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QPointer<ResizeDialog> dialog = window.findChild<ResizeDialog *>();
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        opened = true;
        inDialog(*dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    clickAction(window, ResizeRow);
    return opened;
}

} // namespace

class TestResizeDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;

private slots:
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>(TestMachine::Start::Demo);
        m_machine->setTimeScale(0.01);
        QVERIFY(m_machine->write());
    }

    void cleanup() { m_machine.reset(); }

    void limits_data()
    {
        QTest::addColumn<qint64>("current");
        QTest::addColumn<qint64>("adjacent");
        QTest::addColumn<QString>("expected"); // min-max, the spin box's range and value, the bar's range and values

        QTest::newRow("50000 MB, 20000 free") << qint64(50000) << qint64(20000) << "10100-70000 9.86-68.36 48.83 0-70000 0..50000";
        QTest::newRow("100 MB") << qint64(100) << qint64(300) << "120-400 0.12-0.39 0.12 0-400 0..100";
        // The smallest size it takes: its minimum lies above it, so it can only grow.
        QTest::newRow("1 MB") << qint64(1) << qint64(300) << "100-301 0.10-0.29 0.10 0-301 0..1";
    }

    void limits()
    {
        QFETCH(qint64, current);
        QFETCH(qint64, adjacent);
        ResizeDialog dialog(current, current + adjacent);
        QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled() && !dialog.windowIcon().pixmap(16).isNull()
                && dialog.isModal());
        MessageBoxAnswerer boxes; // a refusal is answered; the limits below then show it
        dialog.setPartitionInfo(record(QString()), current, adjacent);
        QDoubleSpinBox *spin = spinOf(dialog);
        PartitionResizeBar *bar = barOf(dialog);
        dialog.show();
        QVERIFY(bar->mapTo(&dialog, QPoint()).y() > spin->mapTo(&dialog, QPoint()).y()); // under the size row
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("labelFileSystem"))->text(), "Unknown");
        QTEST(QStringLiteral("%1-%2 %3-%4 %5 %6-%7 %8..%9")
                  .arg(dialog.minSizeMB()).arg(dialog.maxSizeMB())
                  .arg(spin->minimum(), 0, 'f', 2).arg(spin->maximum(), 0, 'f', 2).arg(spin->value(), 0, 'f', 2)
                  .arg(bar->minimum()).arg(bar->maximum()).arg(bar->startValue()).arg(bar->endValue()),
              "expected");
        QVERIFY(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
    }

    // The spin box sets the bar and the bar the spin box, neither echoing back; the spin box's
    // lowest value (rounded to two decimals of GB) means the smallest size allowed. A step up and
    // back ends where it began: at the partition's size, to the spin box's two decimals.
    void coupling()
    {
        ResizeDialog dialog(50000, 70000);
        dialog.setPartitionInfo(record(), 50000, 20000);
        QDoubleSpinBox *spin = spinOf(dialog);
        PartitionResizeBar *bar = barOf(dialog);
        spin->stepBy(1);
        spin->stepBy(-1);
        QStringList seen{QStringLiteral("%1>%2").arg(spin->value(), 0, 'f', 2).arg(bar->endValue())};
        for (double gb : {20.0, 80.0, 0.0}) {
            spin->setValue(gb);
            seen << QStringLiteral("%1>%2").arg(spin->value(), 0, 'f', 2).arg(bar->endValue());
        }
        emit bar->valuesChanged(0, 30720);
        seen << QStringLiteral("%1<%2").arg(spin->value(), 0, 'f', 2).arg(bar->endValue());
        spin->setValue(25.0); // the spin box still leads after a drag
        seen << QStringLiteral("%1>%2").arg(spin->value(), 0, 'f', 2).arg(bar->endValue());
        QCOMPARE(seen.join(' '), QStringLiteral("48.83>50001 20.00>20480 68.36>70000 9.86>10100 30.00<10100 25.00>25600"));
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnCancel")), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    // A bad record or a storage manager that cannot connect is reported, and the dialog then
    // does not show at all.
    // What the bar says at each band's edges while the job runs.
    void progressBands()
    {
        ResizeDialog dialog(50000, 50000);
        QStringList said;
        for (int percent : {9, 10, 29, 30, 59, 60, 89, 90}) {
            dialog.onResizeProgress(percent);
            said << progressOf(dialog)->text();
        }
        QCOMPARE(said.join(" | "), "Detecting file system... 9% | Converting to NTFS... 10% | Converting to NTFS... 29% | "
                                   "Preparing partition... 30% | Preparing partition... 59% | Resizing partition... 60% | "
                                   "Resizing partition... 89% | Finalizing changes... 90%");
    }

    void refusedSetup()
    {
        m_machine->addFault(R"({"target":"wmi.connect","hresult":"0x80041003"})");
        QVERIFY(m_machine->write());
        MessageBoxAnswerer boxes;
        const std::pair<QString, int> cases[] = {{QString(), 50000}, {"1:1", 0}, {"1:1", 50000}}; // the last one cannot connect
        for (const auto &[id, size] : cases) {
            ResizeDialog dialog(size, size);
            dialog.setPartitionInfo(record(QStringLiteral("NTFS"), id), size, 0);
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
            QVERIFY(!dialog.isVisible() && !dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled());
        }
        QCOMPARE(boxes.count(), 3);
        QCOMPARE(boxes.titles(), (QStringList{"Error", "Error", "Initialization Error"}));
        QCOMPARE(boxes.at(0).text + '|' + boxes.at(1).text + '|' + boxes.at(2).text,
                 QStringLiteral("Invalid partition information. Partition ID is missing.|Invalid partition size information.|"
                                "Failed to initialize Windows Storage Management API.\nMake sure you have administrator privileges."));
    }

    // OK on a 50000 MB partition with 20000 MB free after it; every confirmation is answered No.
    void okClicked_data()
    {
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("box"); // title: text

        const QString confirm = "Confirm Partition Resize: Are you sure you want to %1 the partition?\n\nPartition: D\n"
                                "Current size: 50000 MB (48.83 GB)\nNew size: %2\n%3";
        const QString backup = "\n\n⚠️ Make sure to backup important data before proceeding.";
        const QString tooClose = "No Significant Change: The selected size is too close to the current size.\n"
                                 "Minimum change required: 100 MB\nCurrent difference: 99 MB";
        QTest::newRow("99 MB more") << "NTFS" << 50099 << tooClose;
        QTest::newRow("99 MB less") << "NTFS" << 49901 << tooClose;
        QTest::newRow("100 MB more") << "NTFS" << 50100
                                     << confirm.arg("expand", "50100 MB (48.93 GB)", "Expansion: +100 MB (+0.10 GB)");
        QTest::newRow("the minimum") << "NTFS" << 10100
                                     << confirm.arg("shrink", "10100 MB (9.86 GB)", "Shrinkage: 39900 MB (38.96 GB)" + backup);
        QTest::newRow("one below the minimum")
            << "NTFS" << 10099
            << "Invalid Size: Selected size is out of valid range.\n\nValid range: 10100 MB - 70000 MB\nSelected: 10099 MB";
        QTest::newRow("the maximum") << "NTFS" << 70000
                                     << confirm.arg("expand", "70000 MB (68.36 GB)", "Expansion: +20000 MB (+19.53 GB)");
        QTest::newRow("FAT32 says it is erased")
            << "FAT32" << 60000
            << confirm.arg("expand", "60000 MB (58.59 GB)", "Expansion: +10000 MB (+9.77 GB)"
                           "\n\n⚠️ This partition is FAT32. To resize it, it is first reformatted as NTFS, which ERASES "
                           "ALL ITS CONTENTS: every file on it will be lost.");
    }

    void okClicked()
    {
        QFETCH(QString, fileSystem);
        QFETCH(int, end);
        ResizeDialog dialog(50000, 70000);
        dialog.setPartitionInfo(record(fileSystem), 50000, 20000);
        dialog.show();
        barOf(dialog)->setValues(0, end);
        MessageBoxAnswerer boxes;
        dialog.onOkClicked();
        QCOMPARE(boxes.count(), 1);
        QTEST(boxes.at(0).title + ": " + boxes.at(0).text, "box");
        if (boxes.at(0).title.startsWith(QLatin1String("Confirm"))) {
            QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
            QCOMPARE(boxes.at(0).icon, fileSystem == QLatin1String("FAT32") ? QMessageBox::Warning : QMessageBox::Question);
        }
        QVERIFY(!dialog.isOperationInProgress() && progressOf(dialog)->isHidden() && dialog.isVisible());
    }

    // The action's checks on the demo machine, and the limits of the dialog it opens: D: has a
    // partition right after it (shrink only, after a question), E: a 60 MiB gap.
    void action_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("limits"); // of the dialog, empty when none opened

        QTest::newRow("disk row") << "0" << true << "Warning" << "";
        QTest::newRow("free space") << "unallocated" << true << "Cannot Resize" << "";
        QTest::newRow("the running system's C:") << "0:3" << true << "Cannot Resize" << "";
        QTest::newRow("recovery, declined") << "0:5" << false << "Special Partition" << "";
        QTest::newRow("D:, shrink declined") << "0:4" << false << "No Expansion Space Available" << "";
        QTest::newRow("D:, shrink only") << "0:4" << true << "No Expansion Space Available" << "99533-225280";
        QTest::newRow("E: before a 60 MiB gap") << "1:1" << true << "" << "157696-409660";
        QTest::newRow("F: under one MB") << "1:2" << true << "Error" << "";
    }

    void action()
    {
        QFETCH(QString, id);
        QFETCH(bool, yes);
        if (QTest::currentDataTag() == QByteArray("F: under one MB"))
            QVERIFY(m_machine->store().modify([](sim::Machine &m) { return (m.disks[1].partitions[1].size = 512 * 1024) > 0; }));
        MainWindow window;
        QVERIFY(waitUntilReady(window));
        QTreeWidgetItem *row = itemWithId(treeOf(window), id);
        QVERIFY(row);
        MessageBoxAnswerer boxes;
        boxes.setChooser([yes](const MessageBoxAnswerer::Box &) { return yes ? QMessageBox::Yes : QMessageBox::No; });
        QString limits;
        resizeRow(window, row, [&](ResizeDialog &dialog) {
            limits = QStringLiteral("%1-%2").arg(dialog.minSizeMB()).arg(dialog.maxSizeMB());
        });
        QTEST(boxes.titles().join(", "), "titles");
        QTEST(limits, "limits");
        if (id == QLatin1String("0:4"))
            QVERIFY2(boxes.at(0).text.contains("Partition: D\nCurrent size: 220.00 GB\nAdjacent unallocated space: 0 MB\n"),
                     qPrintable(boxes.at(0).text));
        QTRY_VERIFY(!window.findChild<ResizeDialog *>());
    }

    // The dialog starts at the partition's exact size, not at the size the tree rounds: E:, grown
    // by 59 MiB, shows "400.06 GB". The 1 MiB left after it is room to grow: no shrink-only question.
    void exactSize()
    {
        QVERIFY(m_machine->store().modify([](sim::Machine &m) { return (m.disks[1].partitions[0].size += 59 * sim::kMiB) > 0; }));
        MainWindow window;
        QVERIFY(waitUntilReady(window));
        MessageBoxAnswerer boxes;
        QString limits = itemWithId(treeOf(window), QStringLiteral("1:1"))->text(2);
        QVERIFY(resizeRow(window, itemWithId(treeOf(window), QStringLiteral("1:1")), [&](ResizeDialog &dialog) {
            limits += QStringLiteral(" %1 %2-%3").arg(barOf(dialog)->endValue()).arg(dialog.minSizeMB()).arg(dialog.maxSizeMB());
        }));
        QCOMPARE(limits + boxes.titles().join(", "), "400.06 GB 409659 157697-409660");
    }

    // End to end on the demo machine: D: shrunk to 150 GiB, then grown back into the gap that
    // left. Each time the tree shows the new size, D: keeps its serial and nothing else changes.
    void shrinkThenGrowD()
    {
        MainWindow window;
        QVERIFY(waitUntilReady(window));
        MessageBoxAnswerer boxes;
        boxes.setChooser([](const MessageBoxAnswerer::Box &) { return QMessageBox::Yes; });
        const sim::Machine before = m_machine->read();
        QString limits;
        for (int sizeMB : {153600, 225280}) {
            const bool opened = resizeRow(window, itemWithId(treeOf(window), QStringLiteral("0:4")), [&](ResizeDialog &dialog) {
                limits += QStringLiteral("%1-%2 ").arg(dialog.minSizeMB()).arg(dialog.maxSizeMB());
                barOf(dialog)->setValues(0, sizeMB);
                QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
                QVERIFY(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 15000));
            });
            QVERIFY(opened);
            QTRY_COMPARE(itemWithId(treeOf(window), QStringLiteral("0:4"))->text(2),
                         QStringLiteral("%1.00 GB").arg(sizeMB / 1024));
        }
        QCOMPARE(limits, QStringLiteral("99533-225280 98816-225280 "));
        QCOMPARE(boxes.titles().join(", "), QStringLiteral("No Expansion Space Available, Confirm Partition Resize, Success, "
                                                           "Confirm Partition Resize, Success"));
        QVERIFY(boxes.at(1).text.contains(QLatin1String("Shrinkage: 71680 MB (70.00 GB)")));
        QVERIFY(boxes.at(3).text.contains(QLatin1String("Expansion: +71680 MB (+70.00 GB)")));
        QCOMPARE(sim::toJson(m_machine->read()), sim::toJson(before));
    }

    // A FAT32 partition grown while its conversion runs: the window lists the job, a second OK
    // does nothing, and the dialog closed with Escape neither waits for the job nor stops it. The window shows the late
    // result and the converted, grown partition; the thread releases itself.
    void fat32ClosedWhileRunning()
    {
        m_machine->addFault(R"({"target":"tool.diskpart","hangMs":600,"times":1})");
        m_machine->setTimeScale(0.05);
        QVERIFY(m_machine->write());
        const QString serialE = m_machine->machine().disks.at(1).partitions.at(0).volume->serial;
        MainWindow window;
        QVERIFY(waitUntilReady(window));
        MessageBoxAnswerer boxes;
        boxes.setChooser([](const MessageBoxAnswerer::Box &) { return QMessageBox::Yes; });
        QPointer<QThread> thread;
        QString during;
        QVERIFY(resizeRow(window, itemWithId(treeOf(window), QStringLiteral("1:2")), [&](ResizeDialog &dialog) {
            barOf(dialog)->setValues(0, 17 * 1024);
            dialog.onOkClicked();
            thread = dialog.findChild<QThread *>();
            QVERIFY(QTest::qWaitFor([&] { return progressOf(dialog)->value() >= 15; }));
            dialog.onOkClicked();
            during = QStringLiteral("%1 %2 %3 %4").arg(boxes.count()).arg(progressOf(dialog)->isVisible())
                         .arg(dialog.findChild<QPushButton *>(QStringLiteral("btnOk"))->isEnabled())
                         .arg(dialog.findChild<QPushButton *>(QStringLiteral("btnCancel"))->isEnabled())
                     + ' ' + window.findChild<QLabel *>(QStringLiteral("runningJobsLabel"))->text();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }));
        QVERIFY(thread && thread->isRunning());
        QCOMPARE(during, QStringLiteral("1 1 0 0 Running: Resize of partition F: (disk 1)"));
        QVERIFY(boxes.waitFor(2, 15000));
        QCOMPARE(boxes.at(1).title + ": " + boxes.at(1).text,
                 QStringLiteral("Operation completed: Resize of partition F: completed successfully."));
        QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
        QTRY_COMPARE(itemWithId(treeOf(window), QStringLiteral("1:2"))->text(1) + ' '
                         + itemWithId(treeOf(window), QStringLiteral("1:2"))->text(2),
                     QStringLiteral("NTFS 17.00 GB"));
        const sim::Machine after = m_machine->read();
        QCOMPARE(after.disks.at(1).partitions.at(1).size, 17 * sim::kGiB);
        QCOMPARE(after.disks.at(1).partitions.at(0).volume->serial, serialE);
        QCOMPARE(boxes.count(), 2);
    }

    // F: (FAT32, reformatted before a resize) changed since shown: nothing is erased; the job's thread goes.
    void changedSinceChosen()
    {
        MainWindow window;
        QVERIFY(waitUntilReady(window));
        QVERIFY(m_machine->store().modify([](sim::Machine &m) { return m.disks[1].partitions[1].size -= sim::kMiB; }));
        const QJsonObject before = sim::toJson(m_machine->read());
        MessageBoxAnswerer boxes;
        boxes.setChooser([](const MessageBoxAnswerer::Box &) { return QMessageBox::Yes; });
        QVERIFY(resizeRow(window, itemWithId(treeOf(window), QStringLiteral("1:2")), [&](ResizeDialog &dialog) {
            barOf(dialog)->setValues(0, 17 * 1024);
            dialog.onOkClicked();
            const QPointer<QThread> thread = dialog.findChild<QThread *>();
            QVERIFY(boxes.waitFor(2, 15000) && boxes.at(1).text.contains(layoutChangedText()));
            QTRY_VERIFY(thread.isNull());
        }));
        QCOMPARE(sim::toJson(m_machine->read()), before);
    }

};

TESSALINE_GUI_TEST_MAIN(TestResizeDialog)
#include "tst_resizedialog.moc"
