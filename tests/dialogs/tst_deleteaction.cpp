// The Delete action of the main window: its checks, the dialog it opens, and the refresh when
// the dialog goes away.
#include "support/guitestmain.h"
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <memory>

class TestDeleteAction : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    QTreeWidget *m_tree = nullptr;

    QStringList disk0Rows() const { return childTexts(m_tree->topLevelItem(0)); }
    QTreeWidgetItem *item(const QString &text) const
    {
        return m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    // Selects the row and clicks Delete in the action list; returns the dialog it opened.
    DeletePartitionPage *deleteRow(const QString &text)
    {
        m_tree->setCurrentItem(item(text));
        auto *list = m_window->findChild<QListWidget *>(QStringLiteral("rightPanel"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
        return m_window->findChild<DeletePartitionPage *>();
    }

private slots:
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        // The first diskpart run of each test takes a second: time to act while it runs, well
        // inside the scaled limit.
        buildDeleteMachine(*m_machine, 0.1, R"({"target":"tool.diskpart","hangMs":1000,"times":1})");
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_tree = treeOf(*m_window);
        QVERIFY(waitUntilReady(*m_window));
        QCOMPARE(disk0Rows(), (QStringList{"C", "E", "F", "Unallocated"}));
    }

    void cleanup()
    {
        m_window.reset();
        m_machine.reset();
    }

    void diskRowAndFreeSpaceRefused()
    {
        MessageBoxAnswerer boxes;
        for (const char *row : {"Disk 0 (Test Disk 0)", "Unallocated"})
            QVERIFY(!deleteRow(row));
        QCOMPARE(boxes.titles(), (QStringList{"Warning", "Cannot Delete"}));
    }

    // End to end, cancelled while running: the job still ends, its late success shows and
    // closes the dialog, exactly the selected partition goes (its neighbours keep geometry,
    // letters and serials), and the refreshed tree shows its region as free space.
    void deleteEndToEnd()
    {
        QStringList expected = layoutOf(m_machine->read());
        expected.removeAt(1);
        const PartitionInfo e = item(QStringLiteral("E"))->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        MessageBoxAnswerer boxes;
        QPointer<DeletePartitionPage> page = deleteRow(QStringLiteral("E"));
        QVERIFY(page && page->isVisible());
        QCOMPARE(page->windowModality(), Qt::ApplicationModal);
        QString rings = ringOf(*page);
        for (int percentage : {29, 30}) {
            page->onDeletePartitionProgress(QStringLiteral("step"), percentage);
            rings += ' ' + ringOf(*page);
        }
        QCOMPARE(rings, QStringLiteral("GGGG/B BBGG/B NNGG/N"));
        QString finalState;
        connect(page, &QDialog::accepted, this, [&] { finalState = statusOf(*page) + ' ' + ringOf(*page); });

        auto *confirm = child<QPushButton>(*page, "confirmButton");
        auto *cancel = child<QPushButton>(*page, "cancelButton");
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(confirm, Qt::LeftButton);
        QVERIFY(page->isRunning() && !confirm->isEnabled());
        QTRY_COMPARE(statusOf(*page), QStringLiteral("Deleting partition...."));
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(!page->isRunning() && page->isVisible() && confirm->isEnabled());
        QVERIFY(child<QProgressBar>(*page, "progressBar")->isHidden());
        QCOMPARE(statusOf(*page) + ' ' + cancel->text() + ' ' + ringOf(*page), QStringLiteral("Ready Close GGGG/B"));

        QVERIFY(boxes.waitFor(3, 15000));
        QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Cancel operation", "Deleted successfully"}));
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("You are about to delete the partition: 0:2\n")));
        QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
        QTRY_VERIFY(page.isNull());
        QCOMPARE(finalState, QStringLiteral("Delete completed NNNN/N"));
        QCOMPARE(layoutOf(m_machine->read()), expected);

        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "Unallocated", "F", "Unallocated"}));
        const PartitionInfo freed = item(QStringLiteral("Unallocated"))->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        QCOMPARE(QString("%1+%2").arg(freed.offset).arg(freed.sizeBytes), QString("%1+%2").arg(e.offset).arg(e.sizeBytes));
    }

    // Closing the dialog without deleting still refreshes: a change made meanwhile shows.
    void contextMenuDeleteThenCloseStillRefreshes()
    {
        QTreeWidgetItem *f = item(QStringLiteral("F"));
        m_tree->setCurrentItem(f);
        QVERIFY(useContextMenu(m_tree, f, [](QMenu *menu) { return menu->actions().value(3); }));
        QPointer<DeletePartitionPage> page = m_window->findChild<DeletePartitionPage *>();
        QVERIFY(page);
        QVERIFY(m_machine->store().modify([](sim::Machine &m) {
            m.disks[0].partitions[2].volume->letter = QStringLiteral("G");
            return true;
        }));
        QTest::mouseClick(child<QPushButton>(*page, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(page.isNull());
        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "E", "G", "Unallocated"}));
    }

    // The window going away while a deletion runs: nothing refreshes the vanishing window, and
    // the dialog does not wait long nor kill the job, which ends by itself.
    void windowDestroyedWhileDeleting()
    {
        MessageBoxAnswerer boxes;
        QPointer<DeletePartitionPage> page = deleteRow(QStringLiteral("E"));
        QVERIFY(page);
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QTRY_COMPARE(statusOf(*page), QStringLiteral("Deleting partition...."));
        QPointer<QThread> thread = page->findChild<QThread *>();

        QElapsedTimer clock;
        clock.start();
        m_window.reset(); // the dialog waits 300 ms (scaled) for its thread, the tool takes longer
        QVERIFY(clock.elapsed() < 1200);
        QVERIFY(page.isNull() && thread);
        QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
        QCOMPARE(m_machine->read().disks.at(0).partitions.size(), 2);
        QCOMPARE(boxes.count(), 1);
    }
};

TESSALINE_GUI_TEST_MAIN(TestDeleteAction)
#include "tst_deleteaction.moc"
