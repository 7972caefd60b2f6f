// The Delete action of the main window: its checks, the dialog it opens, and the refresh when
// the dialog goes away.
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"
#include "dialogs/deletepartitionpage.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <memory>

class TestDeleteAction : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<ScheduleRecorder> m_schedule;
    QTreeWidget *m_tree = nullptr;

    QStringList disk0Rows() const { return childTexts(m_tree->topLevelItem(0)); }
    QTreeWidgetItem *item(const QString &text) const
    {
        return m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    void clickDeleteRow()
    {
        auto *list = m_window->findChild<QListWidget *>(QStringLiteral("rightPanel"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
    }
    DeletePartitionPage *dialog() const { return m_window->findChild<DeletePartitionPage *>(); }

private slots:
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        buildDeleteMachine(*m_machine, 0.1);
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_tree = treeOf(*m_window);
        QVERIFY(waitUntilReady(*m_window));
        m_schedule = std::make_unique<ScheduleRecorder>(*m_window);
        QCOMPARE(disk0Rows(), (QStringList{"C", "E", "F", "Unallocated"}));
    }

    void cleanup()
    {
        m_schedule.reset();
        m_window.reset();
        m_machine.reset();
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("row"); // empty: nothing selected
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing selected") << "" << "Warning" << "Please select a partition to delete.";
        QTest::newRow("disk row") << "Disk 0 (Test Disk 0)" << "Warning" << "Please select a partition to delete.";
        QTest::newRow("unallocated row") << "Unallocated" << "Cannot Delete" << "Cannot delete unallocated space.";
    }

    void refusals()
    {
        QFETCH(QString, row);
        if (!row.isEmpty()) {
            QVERIFY(item(row));
            m_tree->setCurrentItem(item(row));
        }
        MessageBoxAnswerer boxes;
        clickDeleteRow();
        QVERIFY(boxes.waitFor(1));
        QTEST(boxes.at(0).title, "title");
        QTEST(boxes.at(0).text, "text");
        QVERIFY(!dialog());
    }

    // End to end: exactly the selected partition goes, its neighbours keep geometry, letters and
    // serials, and the refreshed tree shows its region as free space.
    void deleteFromActionListRefreshesTree()
    {
        QStringList expected = layoutOf(m_machine->read());
        expected.removeAt(1);
        const PartitionInfo e = item(QStringLiteral("E"))->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        m_tree->setCurrentItem(item(QStringLiteral("E")));
        MessageBoxAnswerer boxes;
        clickDeleteRow();
        QPointer<DeletePartitionPage> page = dialog();
        QVERIFY(page && page->isVisible());
        QCOMPARE(page->windowModality(), Qt::ApplicationModal);
        QCOMPARE(child<QLabel>(*page, "headerLabel")->text(), QStringLiteral("Deleting a Partition: 0:2 (E:)"));

        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QVERIFY(boxes.waitFor(2, 15000));
        QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Deleted successfully"}));
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("You are about to delete the partition: 0:2\n")));
        QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
        QCOMPARE(boxes.at(1).text,
                 QStringLiteral("Partition 0:2 (E:) Deleted successfully!\n\nClick 'OK' to close the window."));
        QTRY_VERIFY(page.isNull());
        QCOMPARE(layoutOf(m_machine->read()), expected);

        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "Unallocated", "F", "Unallocated"}));
        const PartitionInfo freed = item(QStringLiteral("Unallocated"))->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        QCOMPARE(freed.offset, e.offset);
        QCOMPARE(freed.sizeBytes, e.sizeBytes);
    }

    // Closing the dialog without deleting still refreshes: a change made meanwhile shows.
    void contextMenuDeleteThenCloseStillRefreshes()
    {
        QTreeWidgetItem *f = item(QStringLiteral("F"));
        m_tree->setCurrentItem(f);
        QVERIFY(useContextMenu(m_tree, f, [](QMenu *menu) {
            QAction *del = menu->actions().value(3);
            return del && del->text() == QStringLiteral("🗑️ Delete") ? del : nullptr;
        }));
        QPointer<DeletePartitionPage> page = dialog();
        QVERIFY(page);

        QVERIFY(m_machine->store().modify([](sim::Machine &m) {
            m.disks[0].partitions[2].volume->letter = QStringLiteral("G");
            return true;
        }));
        QTest::mouseClick(child<QPushButton>(*page, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(page.isNull());
        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "E", "G", "Unallocated"}));
    }

    // The window going away with the dialog still open refreshes nothing (it would be gone).
    void windowDestroyedWithDialogOpen()
    {
        m_tree->setCurrentItem(item(QStringLiteral("E")));
        clickDeleteRow();
        QPointer<DeletePartitionPage> page = dialog();
        QVERIFY(page);
        m_schedule.reset();
        m_window.reset();
        QVERIFY(page.isNull());
    }
};

QTEST_MAIN(TestDeleteAction)
#include "tst_deleteaction.moc"
