// The create dialog's plan, its job and progress dialog, and the window's New action, end to end.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "app/windowtesting.h"
#include "dialogs/diskpartitionpage.h"
#include "dialogs/partitionprogressdialog.h"
#include "worker/diskoperationworker.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QPushButton>
#include <QTextEdit>
#include <QThread>
#include <QToolButton>

#include <memory>

namespace {

PartitionInfo region(qint64 offset, qint64 size)
{
    PartitionInfo r;
    r.isUnallocated = true;
    r.offsetBytes = r.offset = offset;
    r.sizeBytes = size;
    return r;
}

void plan(DiskPartitionPage *page, const QString &size, const QString &letter = QString())
{
    child<QLineEdit>(*page, "sizeEdit")->setText(size);
    auto *letters = child<QComboBox>(*page, "driveLetterCombo");
    letters->setCurrentIndex(letter.isEmpty() ? 0 : letters->findText(letter));
    QTest::mouseClick(child<QPushButton>(*page, "addPartitionButton"), Qt::LeftButton);
}

// The table as "size letter fs volume" rows.
QStringList tableOf(DiskPartitionPage *page)
{
    auto *tree = child<QTreeWidget>(*page, "treeWidget");
    QStringList rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(QLatin1Char(' '));
    }
    return rows;
}

// Answers the open edit dialog (OK, or Cancel for the size "cancel"); `form` gets its labels and buttons.
void answerEdit(const QString &size, const QString &letter, const QString &label, QStringList *form = nullptr)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, size, letter, label, form] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->objectName() != QLatin1String("editPartitionDialog"))
            return;
        child<QLineEdit>(*dialog, "editSizeEdit")->setText(size);
        child<QLineEdit>(*dialog, "editLetterEdit")->setText(letter);
        child<QLineEdit>(*dialog, "editLabelEdit")->setText(label);
        auto *box = dialog->findChild<QDialogButtonBox *>();
        for (const QLabel *text : dialog->findChildren<QLabel *>())
            if (form)
                *form << text->text();
        for (const QAbstractButton *button : box->buttons())
            if (form)
                *form << button->text();
        const QDialogButtonBox::ButtonRole role = size == QLatin1String("cancel") ? QDialogButtonBox::RejectRole
                                                                                   : QDialogButtonBox::AcceptRole;
        for (QAbstractButton *button : box->buttons())
            if (box->buttonRole(button) == role)
                QTest::mouseClick(button, Qt::LeftButton);
        poll->stop(); // its deletion may wait for a later loop: it must not answer the next dialog
        poll->deleteLater();
    });
    poll->start(5);
}

// "number @MiB letter fs label" for each partition of disk 0.
QStringList disk0(const sim::Machine &m)
{
    return partitionsOf(m, 0, QStringLiteral("n @ letter fs label"));
}

} // namespace

class TestCreatePartitions : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;

private slots:
    // Disk 0 (40 GiB): C: at 1 MiB (10 GiB), a 2 GiB gap, E: (10 GiB), then 18 GiB free.
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        m_machine->addDisk(0, 40 * sim::kGiB);
        m_machine->addPartition(0, sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
        m_machine->addPartition(0, 12 * sim::kGiB + sim::kMiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Data", "E"));
        m_machine->setTimeScale(0.01);
        QVERIFY(m_machine->write());
    }

    void cleanup() { m_machine.reset(); }

    // One add in a region of the given exact size: the size planned, or the refusing box's title.
    void sizeInput_data()
    {
        QTest::addColumn<qint64>("regionBytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("outcome");

        const qint64 ten = 10 * sim::kGiB;
        QTest::newRow("whole MiB") << ten << "2048" << "2147483648";
        QTest::newRow("with a unit") << ten << "1.5 GB" << "1610612736";
        QTest::newRow("in MB") << ten << "512 mb" << "536870912";
        // 100 MiB of a region are kept free beside a new partition.
        QTest::newRow("exactly 32 MiB left") << 132 * sim::kMiB << "32" << "33554432";
        QTest::newRow("a byte less") << 132 * sim::kMiB - 1 << "1" << "Insufficient Space";
        QTest::newRow("empty") << ten << "  " << "Input Required";
        for (const char *garbage : {"abc", "-5", "1e9999", "1.2.3 GB", "0"})
            QTest::newRow(garbage) << ten << garbage << "Invalid Size";
        QTest::newRow("too large") << ten << "10241" << "Size Too Large";
        QTest::newRow("huge") << ten << "99999999999999999" << "Size Too Large";
    }

    void sizeInput()
    {
        QFETCH(qint64, regionBytes);
        QFETCH(QString, text);
        QFETCH(QString, outcome);
        MessageBoxAnswerer boxes;
        DiskPartitionPage page(0, region(sim::kGiB, regionBytes));
        plan(&page, text);
        const QList<PartitionInfo> planned = page.plannedPartitions();
        QCOMPARE(boxes.titles().join(QString()) + (planned.isEmpty() ? QString() : QString::number(planned.first().sizeBytes)),
                 outcome);
        if (regionBytes < sim::kGiB && !planned.isEmpty())
            QCOMPARE(child<QLabel>(page, "spaceInfoLabel")->text(), "0 B available");
    }

    // Auto takes the first letter neither mounted (C, E) nor planned; a planned letter leaves the
    // combo; the edit refuses a garbage size; deleting the first entry renumbers and relabels.
    void lettersEditAndDelete()
    {
        MessageBoxAnswerer boxes;
        DiskPartitionPage page(0, region(10 * sim::kGiB + sim::kMiB, 2 * sim::kGiB));
        QCOMPARE(child<QLabel>(page, "spaceInfoLabel")->text(), "1.90 GB available");
        QVERIFY(!page.windowIcon().availableSizes().isEmpty());
        QCOMPARE(DiskPartitionPage::parseSizeText(" 1.50 gb"), 1610612736); // a region known only by its text
        plan(&page, "100");
        plan(&page, "200");
        plan(&page, "300", "K:");
        auto *letters = child<QComboBox>(page, "driveLetterCombo");
        QCOMPARE(QStringList({letters->itemText(0), letters->itemText(1), letters->itemText(2)}),
                 (QStringList{"Auto", "G:", "H:"}));
        QCOMPARE(letters->findText("K:"), -1);

        auto *tree = child<QTreeWidget>(page, "treeWidget");
        QStringList form;
        for (const QStringList &edit :
             {QStringList{"abc", "F"}, {"0", "F"}, {"5000", "F"}, {"250", "c"}, {"250", "z", "Rock|Pop"}, {"cancel", "Q"}, {"250", "z"}}) {
            answerEdit(edit.at(0), edit.at(1), edit.value(2, "Music"), &form);
            page.onTreeItemDoubleClicked(tree->topLevelItem(edit.at(0) == "cancel" ? 0 : 1), 0); // the cancel on the first row
        }
        QCOMPARE(form.mid(0, 6), (QStringList{"Size (MB):", "Drive Letter:", "File System:", "Volume Label:", "OK", "Cancel"}));
        // A row chosen fills the fields; its buttons carry their row.
        tree->setCurrentItem(tree->topLevelItem(1));
        QCOMPARE(child<QLineEdit>(page, "sizeEdit")->text(), "250");
        tree->clearSelection(); // still the current row, no longer chosen: nothing to fill in
        QCOMPARE(child<QLineEdit>(page, "sizeEdit")->text(), "");
        tree->setCurrentItem(tree->topLevelItem(1));
        auto *edit = tree->itemWidget(tree->topLevelItem(1), 4)->findChild<QToolButton *>("editButton");
        QCOMPARE(edit->toolTip() + edit->property("row").toString(), "Edit1");
        QCOMPARE(boxes.titles(), (QStringList{"Invalid Size", "Invalid Size", "Size Too Large", "Drive Letter Unavailable",
                                              "Invalid Volume Label"}));
        QCOMPARE(boxes.at(4).text, "NTFS labels cannot contain \u201C|\u201D.");
        QCOMPARE(boxes.at(0).text + '|' + boxes.at(3).text,
                 "Please enter a valid partition size.|Drive letter 'C' is not available.");
        QCOMPARE(boxes.at(2).text, "Partition 2 (4.88 GB) does not fit: 1.80 GB of the free region can still be given to it.");
        QCOMPARE(tableOf(&page), (QStringList{"100.00 MB D NTFS New Volume 1", "250.00 MB Z NTFS Music",
                                              "300.00 MB K NTFS New Volume 3", "1.25 GB Unallocated - -"}));
        QCOMPARE(child<QLabel>(page, "percentageLabel")->text(), "31% allocated");

        // Removed through the row's menu; the free row has none.
        page.show();
        QVERIFY(!useContextMenu(tree, tree->topLevelItem(3), [](QMenu *menu) { return menu->actions().value(0); }));
        boxes.enqueue(QMessageBox::Yes);
        QVERIFY(useContextMenu(tree, tree->topLevelItem(0), [](QMenu *menu) { return menu->actions().value(0); }));
        QCOMPARE(boxes.at(5).text, "Are you sure you want to delete partition 'New Volume 1'?");
        QCOMPARE(boxes.at(5).defaultButton, QMessageBox::No);
        QCOMPARE(tableOf(&page), (QStringList{"250.00 MB Z NTFS New Volume 1", "300.00 MB K NTFS New Volume 2",
                                              "1.35 GB Unallocated - -"}));
        QCOMPARE(page.plannedPartitions().at(1).partitionNumber, 2);
        QCOMPARE(child<QLabel>(page, "spaceInfoLabel")->text(), "1.35 GB available");

        // Each file system but NTFS brings its note beside the choice; no box interrupts.
        QStringList notes;
        auto *note = child<QLabel>(page, "fileSystemNoteLabel");
        for (const char *fs : {"FAT32", "exFAT", "ReFS", "NTFS"}) {
            child<QComboBox>(page, "fileSystemCombo")->setCurrentText(fs);
            notes << (note->isVisibleTo(&page) ? note->text() : QStringLiteral("(none)"));
        }
        QCOMPARE(notes, (QStringList{"FAT32 has a 4GB file size limit and is compatible with most operating systems.",
                                     "exFAT is optimized for removable storage and supports large files.",
                                     "ReFS is designed for high availability and large-scale storage systems.", "(none)"}));
        QCOMPARE(boxes.count(), 6);
    }

    // Plans the disk cannot take are refused with their reason before any change: a region too small
    // beside the space kept free (disk 3, 60 MiB after H:), an MBR table full with three primaries and
    // an extended partition (disk 1), one with a slot left (disk 2); the job refuses them too.
    void refusedPlans()
    {
        using Vol = TestMachine::Vol;
        for (const int disk : {1, 2}) {
            m_machine->addDisk(disk, 20 * sim::kGiB, "MBR");
            for (int i = 0; i < 4 - disk; ++i)
                m_machine->addPartition(disk, sim::kMiB + i * 2 * sim::kGiB, 2 * sim::kGiB);
        }
        m_machine->addPartition(1, 6 * sim::kGiB + sim::kMiB, 4 * sim::kGiB, "Extended");
        m_machine->addPartition(2, 4 * sim::kGiB + sim::kMiB, 4 * sim::kGiB, "Extended");
        m_machine->addPartition(2, 4 * sim::kGiB + 2 * sim::kMiB, sim::kGiB, "Logical");
        m_machine->addDisk(3, 4 * sim::kGiB);
        m_machine->addPartition(3, sim::kMiB, 3 * sim::kGiB, "Primary", Vol("NTFS", "Small", "H"));
        m_machine->addPartition(3, 3 * sim::kGiB + 61 * sim::kMiB, sim::kGiB - 62 * sim::kMiB);
        QVERIFY(m_machine->write());
        const QStringList before = TestMachine::fingerprint(m_machine->read());

        MainWindow window;
        QTreeWidget *tree = treeOf(window);
        QVERIFY(waitUntilReady(window));
        MessageBoxAnswerer boxes;
        QStringList texts;
        QStringList labels;
        for (const int disk : {3, 1, 2}) {
            QTreeWidgetItem *diskRow = tree->topLevelItem(disk);
            QTreeWidgetItem *free = diskRow->child(disk == 3 ? 1 : diskRow->childCount() - 1);
            QCOMPARE(free->text(0), "Unallocated");
            tree->setCurrentItem(free);
            clickAction(window, NewRow);
            std::unique_ptr<DiskPartitionPage> page(window.findChild<DiskPartitionPage *>());
            QVERIFY(page);
            // The table too is drawn for the region the disk leaves, not the size first given.
            labels << child<QLabel>(*page, "spaceInfoLabel")->text()
                          + QStringLiteral(" / %1 rows").arg(child<QTreeWidget>(*page, "treeWidget")->topLevelItemCount());
            plan(page.get(), "100");
            plan(page.get(), "100");
            texts << boxes.at(boxes.count() - 1).title + ": " + boxes.at(boxes.count() - 1).text;
        }
        QCOMPARE(boxes.count(), 5);
        // Said before the user tries.
        QCOMPARE(labels, (QStringList{"0 B available. " + texts.at(0).section(": ", 1) + " / 0 rows",
                                      "0 B available. " + texts.at(1).section(": ", 1) + " / 0 rows", "11.90 GB available / 1 rows"}));
        QCOMPARE(texts, (QStringList{
            "Insufficient Space: This free region is too small to hold a partition (at least 132 MB are needed).",
            "Partition Table Full: The partition table of this MBR disk is full (4 primary partitions, an extended "
            "partition counting as one). Delete a partition first, or convert the disk to GPT.",
            "Partition Table Full: The partition table of this disk can take 1 more; the plan has 2 partitions."}));

        DiskOperationWorker worker;
        QSignalSpy done(&worker, &DiskOperationWorker::partitionCreationCompleted);
        PartitionCreateRequest request;
        request.sizeBytes = sim::kGiB;
        request.offsetBytes = 8 * sim::kGiB + sim::kMiB;
        worker.startBatchCreateAndFormat({request, request}, 2);
        QCOMPARE(done.value(0).value(1).toString(), texts.at(2).section(": ", 1));
        QCOMPARE(TestMachine::fingerprint(m_machine->read()), before);
    }

    // The progress dialog alone: a failure keeps the bar where it was, red; no second OK on a second end.
    void progressFailure()
    {
        PartitionProgressDialog progress(nullptr);
        auto *headline = child<QLabel>(progress, "headlineLabel");
        progress.updateFormatProgress(1, 2, 50);
        QCOMPARE(headline->text(), "Formatting partition...");
        progress.updateCreationProgress(32, QStringLiteral("step"));
        QCOMPARE(headline->text(), "Creating partitions...");
        progress.onFormatFinished(false, QStringLiteral("bad"));
        progress.onOperationCompleted(false, QStringLiteral("gone"));
        progress.onOperationCompleted(false, QStringLiteral("gone"));
        auto *bar = child<QProgressBar>(progress, "progressBar");
        QCOMPARE(bar->value(), 19);
        QVERIFY(bar->styleSheet().contains(QLatin1String("#e74c3c")));
        QCOMPARE(progress.findChildren<QPushButton *>().size(), 1);
        QCOMPARE(child<QLabel>(progress, "statusLabel")->text(), "Error occurred during operation");
        progress.onFormatFinished(true, QStringLiteral("fine"));
        QCOMPARE(bar->value(), 100);
        QCOMPARE(child<QTextEdit>(progress, "logEdit")->toPlainText().split('\n'),
                 (QStringList{"[Format] Partition 1/2 - 50%", "[create] 32% - step", "[Error] ❌ bad", "[Final] gone", "[Final] gone", "[Completed] ✅ fine"}));
    }

    // The dialog goes away while its job runs: the job is neither stopped nor lost, its thread ends and
    // releases itself. Then, with C: gone, a region that starts the disk (offset 0 in its record) gets
    // the partition at the first MiB, not in the larger free space after E:.
    void closedWhileRunningThenFirstRegion()
    {
        m_machine->addFault(R"({"target":"tool.diskpart","hangMs":500,"times":1})");
        QVERIFY(m_machine->write());
        QString result;
        QPointer<DiskOperationWorker> worker;
        auto start = [&](const PartitionInfo &region) {
            auto *page = new DiskPartitionPage(0, region);
            connect(page, &DiskPartitionPage::creationStarted, this, [&](DiskOperationWorker *started) {
                worker = started;
                connect(started, &DiskOperationWorker::partitionCreationCompleted, this,
                        [&](bool ok, const QString &message) { result = QStringLiteral("%1 %2").arg(ok).arg(message); });
            });
            plan(page, "1024");
            QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
            return page;
        };
        DiskPartitionPage *page = start(region(10 * sim::kGiB + sim::kMiB, 2 * sim::kGiB));
        QPointer<QThread> thread = page->findChild<QThread *>();
        QVERIFY(thread && thread->isRunning());
        delete page;
        const QString done = QStringLiteral("1 Partition creation and formatting are all completed！");
        QTRY_COMPARE_WITH_TIMEOUT(result, done, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 5000);
        QCOMPARE(disk0(m_machine->read()).at(1), "3 @10241 D NTFS New Volume 1");

        QVERIFY(m_machine->store().modify([](sim::Machine &m) { m.disks[0].partitions.removeFirst(); return true; }));
        result.clear();
        std::unique_ptr<DiskPartitionPage> first(start(region(0, 10 * sim::kGiB + sim::kMiB)));
        thread = first->findChild<QThread *>();
        QTRY_COMPARE_WITH_TIMEOUT(result, done, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(thread.isNull() && worker.isNull(), 5000); // released while the dialog stays
        QCOMPARE(disk0(m_machine->read()).value(0).section(' ', 0, 1), "1 @1");
    }

    // Free space inside an extended partition has its own row (its menu: only New); New there makes
    // logical drives one after another past their boot records; the one already there keeps its volume.
    void logicalDrivesInExtendedFreeSpace()
    {
        using Vol = TestMachine::Vol;
        m_machine->addDisk(1, 20 * sim::kGiB, "MBR");
        m_machine->addPartition(1, sim::kMiB, 2 * sim::kGiB, "Primary", Vol("NTFS", "Sys", "P"));
        m_machine->addPartition(1, 2 * sim::kGiB + sim::kMiB, 10 * sim::kGiB, "Extended");
        m_machine->addPartition(1, 2 * sim::kGiB + 2 * sim::kMiB, 2 * sim::kGiB, "Logical", Vol("NTFS", "Old", "L", 0, 4096, "ABCD-0001"));
        QVERIFY(m_machine->write());
        MainWindow window;
        QTreeWidget *tree = treeOf(window);
        QVERIFY(waitUntilReady(window));
        QTreeWidgetItem *disk = tree->topLevelItem(1);
        QCOMPARE(childTexts(disk), (QStringList{"P", "Partition 2", "L", "Free Space", "Unallocated"}));
        QCOMPARE(disk->child(3)->text(2) + " | " + disk->child(3)->toolTip(4), "8.00 GB | Free space for logical drives");
        MessageBoxAnswerer boxes; // Resize from the toolbar: free space, whatever its name
        tree->setCurrentItem(disk->child(3));
        clickAction(window, ResizeRow);
        QCOMPARE(boxes.titles(), QStringList{"Cannot Resize"});
        QString enabled;
        QVERIFY(useContextMenu(tree, disk->child(3), [&](QMenu *menu) {
            for (QAction *a : menu->actions())
                enabled += a->isEnabled() ? '1' : '0';
            QAction *create = menu->actions().value(1);
            return create->isEnabled() ? create : nullptr; // a disabled one would leave the menu open
        }));
        QCOMPARE(enabled, "010000100"); // then a separator, Change Drive Letter and Rename Volume
        QPointer<DiskPartitionPage> page = window.findChild<DiskPartitionPage *>();
        QVERIFY(page);
        QCOMPARE(child<QLabel>(*page, "spaceLabel")->text(), "Free Space for Logical Drives");
        plan(page, "1024", "M:");
        plan(page, "2048");
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        PartitionProgressDialog *progress = page->progressDialog();
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(*progress, "okButton"), 15000);
        QCOMPARE(child<QLabel>(*progress, "headlineLabel")->text(), "✅ Partition creation and formatting completed");
        QCOMPARE(partitionsOf(m_machine->read(), 1, "type @ mib letter fs serial", "ABCD"),
                 (QStringList{"Primary @1 2048 P NTFS new", "Extended @2049 10240   new", "Logical @2050 2048 L NTFS ABCD-0001",
                              "Logical @4099 1044 M NTFS new", "Logical @5145 2089 D NTFS new"}));
    }

    // Through the window: New refuses no selection and a partition row; two planned partitions with Auto
    // letters land in the gap between C: and E:, lettered, labelled and formatted, the bar running through
    // both ranges; then, quick format off, one lands in the free end, said and left unformatted.
    void newThroughTheWindow()
    {
        MainWindow window;
        QTreeWidget *tree = treeOf(window);
        QVERIFY(waitUntilReady(window));
        auto clickNew = [&](QTreeWidgetItem *row) -> DiskPartitionPage * {
            tree->setCurrentItem(row);
            clickAction(window, NewRow);
            return window.findChild<DiskPartitionPage *>();
        };
        auto row = [&](int i) { return tree->topLevelItem(0)->child(i); };
        MessageBoxAnswerer boxes;
        tree->setCurrentItem(nullptr);
        QVERIFY(!clickNew(nullptr));
        QVERIFY(!clickNew(row(0)));
        QCOMPARE(boxes.titles(), (QStringList{"No Selection", "Invalid Selection"}));
        QCOMPARE(boxes.at(0).text + '|' + boxes.at(1).text, "Please select an unallocated space to create a new partition.|You can "
                 "only create new partitions in unallocated space.\nPlease select an unallocated space entry.");
        QCOMPARE(childTexts(tree->topLevelItem(0)), (QStringList{"C", "Unallocated", "E", "Unallocated"}));

        struct Round { int row; int rows; bool quick; QStringList sizes; QList<int> bar; QString headline; QStringList table; };
        const QList<Round> rounds{
            {1, 4, true, {"500", "600"}, {3, 19, 36, 80, 100}, "✅ Partition creation and formatting completed",
             {"500.00 MB D NTFS New Volume 1", "600.00 MB F NTFS New Volume 2", "826.00 MB Unallocated - -"}},
            {5, 6, false, {"1024"}, {3, 36, 60, 100}, "✅ Partitions created (not formatted)",
             {"1.00 GB G Not formatted -", "16.88 GB Unallocated - -"}},
        };
        for (const Round &round : rounds) {
            QTRY_COMPARE(tree->topLevelItem(0)->childCount(), round.rows);
            QPointer<DiskPartitionPage> page = clickNew(row(round.row));
            QVERIFY(page);
            child<QCheckBox>(*page, "checkBox")->setChecked(round.quick);
            for (const QString &size : round.sizes)
                plan(page, size);
            QCOMPARE(tableOf(page), round.table);
            QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
            PartitionProgressDialog *progress = page->progressDialog();
            QList<int> bar;
            connect(child<QProgressBar>(*progress, "progressBar"), &QProgressBar::valueChanged, this,
                    [&bar](int value) { bar << value; });
            QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(*progress, "okButton"), 15000);
            QCOMPARE(bar, round.bar);
            QCOMPARE(child<QLabel>(*progress, "headlineLabel")->text(), round.headline);
            QTest::mouseClick(child<QPushButton>(*progress, "okButton"), Qt::LeftButton);
            QTRY_VERIFY(page.isNull());
        }
        QCOMPARE(disk0(m_machine->read()),
                 (QStringList{"1 @1 C NTFS Windows", "3 @10241 D NTFS New Volume 1", "4 @10751 F NTFS New Volume 2",
                              "2 @12289 E NTFS Data", "5 @22529 G  "}));
        QTRY_COMPARE(childTexts(tree->topLevelItem(0)),
                     (QStringList{"C", "D", "F", "Unallocated", "E", "G", "Unallocated"}));
        QCOMPARE(boxes.count(), 2);
    }
};

TESSALINE_GUI_TEST_MAIN(TestCreatePartitions)
#include "tst_createpartitions.moc"
