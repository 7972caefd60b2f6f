// Initialise Disk, Change Drive Letter and Rename Volume as a user meets them: the action list opens
// each dialog, which refuses what the system would; the job's end shows in a box and in the tree.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"
#include "dialogs/volumedialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

class TestVolumeDialogs : public QObject, WindowFixture
{
    Q_OBJECT

    enum Row { LastInRowMenu = -1, LetterRow = SplitRow + 1, RenameRow, InitializeRow };

    // Clicks `row` of the action list (or the last item of the selected row's own menu) and hands
    // the dialog it opens to `answer`, which clicks its buttons; false when no such dialog opened.
    template <typename Dialog>
    bool inDialog(int row, const std::function<void(Dialog *)> &answer)
    {
        bool seen = false;
        QObject guard;
        QTimer::singleShot(50, &guard, [&] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            seen = dialog;
            if (dialog)
                answer(dialog);
        });
        if (row != LastInRowMenu)
            clickAction(*m_window, ActionRow(row));
        else if (!useContextMenu(m_tree, m_tree->currentItem(), [](QMenu *menu) { return menu->actions().constLast(); }))
            return false;
        return seen;
    }
    QTreeWidgetItem *row(const QString &text) const
    {
        return m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    static void click(QDialog *dialog, const char *button) { child<QPushButton>(*dialog, button)->click(); }

private slots:
    void init()
    {
        m_machine = std::make_unique<TestMachine>();
        m_machine->addDisk(0, 100 * sim::kGiB);
        m_machine->addPartition(0, sim::kMiB, 40 * sim::kGiB, "Primary", TestMachine::Vol("NTFS", "Windows", "C"));
        m_machine->addPartition(0, 41 * sim::kGiB, 10 * sim::kGiB, "Primary", TestMachine::Vol("FAT32", "MEDIA", "F"));
        m_machine->addDisk(1, 10 * sim::kGiB, "RAW", "Fresh Disk");
        QVERIFY(m_machine->write());
        QVERIFY(showWindow());
    }
    void cleanup() { closeWindow(); }

    // GPT is offered first; MBR chosen; the disk then shows its free space.
    void initializeDisk()
    {
        QCOMPARE(m_tree->topLevelItem(1)->text(4), "Not Initialized");
        QVERIFY(m_tree->topLevelItem(1)->toolTip(4).contains("Initialize Disk"));
        bool offered = false; // in the disk's own menu too, which offers it only to a disk without a table
        QVERIFY(useContextMenu(m_tree, m_tree->topLevelItem(1), [&](QMenu *menu) {
            offered = menu->actions().constLast()->isEnabled();
            return nullptr;
        }));
        QVERIFY(offered);
        MessageBoxAnswerer boxes;
        m_tree->setCurrentItem(m_tree->topLevelItem(1));
        QVERIFY(inDialog<InitializeDiskDialog>(InitializeRow, [](InitializeDiskDialog *d) {
            QVERIFY(child<QRadioButton>(*d, "gptRadio")->isChecked());
            QVERIFY(child<QLabel>(*d, "initializeIntroLabel")->text().startsWith("Disk 1 (Fresh Disk, 10.00 GB) is not initialised"));
            child<QRadioButton>(*d, "mbrRadio")->click();
            click(d, "okButton");
        }));
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).text, "Disk 1 is initialised as MBR. Its space is free for new partitions.");
        QTRY_COMPARE(m_tree->topLevelItem(1)->text(4), "MBR");
        QCOMPARE(child<QLabel>(*m_window, "statusLabel")->text(), "Initialisation of disk 1: completed");
        QCOMPARE(childTexts(m_tree->topLevelItem(1)), QStringList{"Unallocated"});
        QCOMPARE(m_machine->read().disk(1)->partitionStyle, "MBR");

        // A disk with a table is refused before any dialog.
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
        QVERIFY(!inDialog<InitializeDiskDialog>(InitializeRow, [](InitializeDiskDialog *d) { d->reject(); }));
        QVERIFY(boxes.waitFor(2));
        QCOMPARE(boxes.at(1).text, "Disk 0 is already initialised. Only a new, uninitialised (RAW) disk can be initialised; "
                                   "this one keeps its partitions.");
    }

    // Only free letters are offered; the current one cannot be "changed" to itself; C: is refused.
    void changeLetter()
    {
        MessageBoxAnswerer boxes;
        m_tree->setCurrentItem(row("F"));
        QStringList offered;
        QVERIFY(inDialog<DriveLetterDialog>(LetterRow, [&](DriveLetterDialog *d) {
            QCOMPARE(d->objectName(), "driveLetterDialog");
            auto *combo = child<QComboBox>(*d, "letterCombo");
            for (int i = 0; i < combo->count(); ++i)
                offered << combo->itemText(i);
            QVERIFY(!child<QPushButton>(*d, "okButton")->isEnabled());
            auto *note = child<QLabel>(*d, "letterNoteLabel");
            QCOMPARE(note->text(), "This is the letter it has now.");
            combo->setCurrentText("K:");
            QCOMPARE(note->text(), "Programs and shortcuts that use F: will not find the volume under K:.");
            click(d, "okButton");
        }));
        QCOMPARE(offered.first(), "F: (now)");
        QCOMPARE(offered.size(), 1 + 22 + 1); // F: itself, D: to Z: but F:, "No letter"
        QVERIFY(!offered.contains("C:") && offered.contains("D:") && offered.last() == "No letter");
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).text, "F: is now K:. Programs and shortcuts that used F: need the new letter.");
        QTRY_VERIFY(row("K"));
        QCOMPARE(child<QLabel>(*m_window, "statusLabel")->text(), "Drive letter of F: (MEDIA): completed");
        QCOMPARE(partitionsOf(m_machine->read(), 0, "letter"), (QStringList{"C", "K"}));

        m_tree->setCurrentItem(row("C"));
        QVERIFY(!inDialog<DriveLetterDialog>(LetterRow, [](DriveLetterDialog *d) { d->reject(); }));
        QVERIFY(boxes.waitFor(2));
        QCOMPARE(boxes.at(1).text, "C: holds the running Windows: its letter cannot change while Windows runs from it.");
    }

    // The refusal stands in the dialog while the label breaks the file system's rules.
    void renameVolume()
    {
        MessageBoxAnswerer boxes;
        m_tree->setCurrentItem(row("F"));
        QString refusal;
        QVERIFY(inDialog<VolumeLabelDialog>(LastInRowMenu, [&](VolumeLabelDialog *d) {
            auto *edit = child<QLineEdit>(*d, "labelEdit");
            auto *ok = child<QPushButton>(*d, "okButton");
            QVERIFY(!ok->isEnabled()); // the name it has
            edit->setText("a.b");
            refusal = child<QLabel>(*d, "labelRefusalLabel")->text();
            QVERIFY(!ok->isEnabled());
            edit->setText("music");
            QVERIFY(ok->isEnabled() && child<QLabel>(*d, "labelRefusalLabel")->isHidden());
            click(d, "okButton");
        }));
        QCOMPARE(refusal, "FAT32 labels cannot contain \u201C.\u201D.");
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).text, "F: is now named \u201CMUSIC\u201D.");
        QCOMPARE(partitionsOf(m_machine->read(), 0, "label"), (QStringList{"Windows", "MUSIC"}));
        QTRY_COMPARE(child<QLabel>(*m_window, "statusLabel")->text(), "Renaming of F: (MEDIA): completed");

        // A disk row has no volume; nothing selected has no disk.
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
        QVERIFY(!inDialog<VolumeLabelDialog>(RenameRow, [](VolumeLabelDialog *d) { d->reject(); }));
        m_tree->setCurrentItem(nullptr);
        QVERIFY(!inDialog<InitializeDiskDialog>(InitializeRow, [](InitializeDiskDialog *d) { d->reject(); }));
        QVERIFY(boxes.waitFor(3));
        QCOMPARE(boxes.at(1).text + " | " + boxes.at(2).text, "Please select a partition. | Please select a disk to initialise.");
    }
};

TESSALINE_GUI_TEST_MAIN(TestVolumeDialogs)
#include "tst_volumedialogs.moc"
