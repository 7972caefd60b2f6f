// The Delete action of the main window: its checks, the dialog it opens, and the refresh when
// the dialog goes away.
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"
#include "dialogs/deletepartitionpage.h"

#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <memory>

class TestDeleteAction : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<ScheduleRecorder> m_schedule;
    QTreeWidget *m_tree = nullptr;

    QStringList disk0Rows() const
    {
        QStringList out;
        for (int i = 0; i < m_tree->topLevelItem(0)->childCount(); ++i)
            out << m_tree->topLevelItem(0)->child(i)->text(0);
        return out;
    }
    QTreeWidgetItem *disk0Row(const QString &text) const
    {
        const QList<QTreeWidgetItem *> found = m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    void clickDeleteRow()
    {
        auto *list = m_window->findChild<QListWidget *>(QStringLiteral("rightPanel"));
        QListWidgetItem *row = list->item(4);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
    }

private slots:
    void init()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        buildDeleteMachine(*m_machine, 0.1);
        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_tree = treeOf(*m_window);
        QTRY_COMPARE(m_tree->topLevelItemCount(), 1);
        QTRY_VERIFY(!loadingPopupVisible(*m_window));
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
        QFETCH(QString, title);
        QFETCH(QString, text);
        if (!row.isEmpty()) {
            QVERIFY(disk0Row(row));
            m_tree->setCurrentItem(disk0Row(row));
        }
        MessageBoxAnswerer boxes;
        clickDeleteRow();
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, title);
        QCOMPARE(boxes.at(0).text, text);
        QVERIFY(!m_window->findChild<DeletePartitionPage *>());
    }

    void deleteFromActionListRefreshesTree()
    {
        m_tree->setCurrentItem(disk0Row(QStringLiteral("E")));
        MessageBoxAnswerer boxes;
        clickDeleteRow();
        QPointer<DeletePartitionPage> dialog = m_window->findChild<DeletePartitionPage *>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);

        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("confirmButton")), Qt::LeftButton);
        QVERIFY(boxes.waitFor(2, 15000));
        QCOMPARE(boxes.at(1).title, QStringLiteral("Deleted successfully"));
        QTRY_VERIFY(dialog.isNull());
        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "Unallocated", "F", "Unallocated"}));
    }

    // Closing the dialog without deleting still refreshes: a change made meanwhile shows.
    void contextMenuDeleteThenCloseStillRefreshes()
    {
        QTreeWidgetItem *f = disk0Row(QStringLiteral("F"));
        m_tree->setCurrentItem(f);
        QTimer picker;
        picker.setSingleShot(true);
        connect(&picker, &QTimer::timeout, this, [] {
            if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }))
                return;
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QAction *del = menu->actions().value(3);
            if (del && del->text() == QStringLiteral("🗑️ Delete") && del->isEnabled()) {
                menu->setActiveAction(del);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
        picker.start(0);
        emit m_tree->customContextMenuRequested(m_tree->visualItemRect(f).center());
        QPointer<DeletePartitionPage> dialog = m_window->findChild<DeletePartitionPage *>();
        QVERIFY(dialog);

        QVERIFY(sim::MachineStore(m_machine->path()).modify([](sim::Machine &m) {
            m.disks[0].partitions[2].volume->letter = QStringLiteral("G");
            return true;
        }));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "E", "G", "Unallocated"}));
    }

    // The window going away with the dialog still open refreshes nothing (it would be gone).
    void windowDestroyedWithDialogOpen()
    {
        m_tree->setCurrentItem(disk0Row(QStringLiteral("E")));
        clickDeleteRow();
        QPointer<DeletePartitionPage> dialog = m_window->findChild<DeletePartitionPage *>();
        QVERIFY(dialog);
        m_schedule.reset();
        m_window.reset();
        QVERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TestDeleteAction)
#include "tst_deleteaction.moc"
