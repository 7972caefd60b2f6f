// The window's Delete action: its checks, the dialog it opens, the refresh when the dialog goes.
#include "support/guitestmain.h"
#include "deletetesting.h"
#include "support/messageboxanswerer.h"

#include "app/windowtesting.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QThread>

class TestDeleteAction : public QObject, WindowFixture
{
    Q_OBJECT

    QStringList disk0Rows() const { return childTexts(m_tree->topLevelItem(0)); }
    QTreeWidgetItem *item(const QString &text) const
    {
        return m_tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
    }
    // Selects the row and clicks Delete in the action list; returns the dialog it opened.
    DeletePartitionPage *deleteRow(const QString &text) { return deleteItem(item(text)); }
    DeletePartitionPage *deleteItem(QTreeWidgetItem *row)
    {
        m_tree->setCurrentItem(row);
        clickAction(*m_window, DeleteRow);
        return m_window->findChild<DeletePartitionPage *>();
    }

private slots:
    // The special partitions' test gets a machine of its own: the running system's EFI, MSR, C:
    // and recovery partitions on disk 0, a maker's OEM partition on disk 1 (MBR, where its type
    // code tells it), another disk's EFI partition on disk 2.
    static void buildSpecialMachine(TestMachine &tm)
    {
        using Vol = TestMachine::Vol;
        tm.addDisk(0, 100 * sim::kGiB);
        tm.addPartition(0, sim::kMiB, 100 * sim::kMiB, "System", Vol("FAT32"));
        tm.addPartition(0, 101 * sim::kMiB, 16 * sim::kMiB, "MSR");
        tm.addPartition(0, 117 * sim::kMiB, 30 * sim::kGiB, "Primary", Vol("NTFS", "Windows", "C"));
        tm.addPartition(0, 31 * sim::kGiB, 750 * sim::kMiB, "Recovery", Vol("NTFS"));
        tm.addDisk(1, 50 * sim::kGiB, "MBR");
        tm.addPartition(1, sim::kMiB, sim::kGiB, "OEM", Vol("NTFS"));
        tm.addPartition(1, 2 * sim::kGiB, 10 * sim::kGiB, "Primary", Vol("NTFS", "Data", "E"));
        tm.addDisk(2, 50 * sim::kGiB);
        tm.addPartition(2, sim::kMiB, 100 * sim::kMiB, "EFI", Vol("FAT32"));
        tm.setTimeScale(0.05);
        QVERIFY(tm.write());
    }

    void init()
    {
        m_machine = std::make_unique<TestMachine>();
        if (qstrcmp(QTest::currentTestFunction(), "specialPartitions") == 0) {
            buildSpecialMachine(*m_machine);
        } else {
            // The first diskpart run of each test takes a second: time to act, well inside the limit.
            buildDeleteMachine(*m_machine, 0.1, R"({"target":"tool.diskpart","hangMs":1000,"times":1})");
        }
        QVERIFY(showWindow());
    }

    // Lets the last job's thread end before its machine goes.
    void waitForThread(QPointer<QThread> thread) { QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000); }

    void cleanup() { closeWindow(); }

    void diskRowAndFreeSpaceRefused()
    {
        MessageBoxAnswerer boxes;
        for (const char *row : {"Disk 0 (Test Disk 0)", "Unallocated"})
            QVERIFY(!deleteRow(row));
        QCOMPARE(boxes.titles(), (QStringList{"Warning", "Cannot Delete"}));
    }

    // End to end, with Cancel pressed while running and answered No: the deletion goes on, the
    // dialog shows its success and closes, exactly the selected partition goes (its neighbours
    // keep geometry, letters and serials), and the refreshed tree shows its region as free space.
    void deleteEndToEnd()
    {
        QCOMPARE(disk0Rows(), (QStringList{"C", "E", "F", "Unallocated"}));
        const QStringList expected = TestMachine::fingerprint(m_machine->read(), 0, 2); // all but E:
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
        auto *confirm = child<QPushButton>(*page, "confirmButton");
        connect(page, &QDialog::accepted, this, [&] { finalState = statusOf(*page) + ' ' + ringOf(*page) + (confirm->isEnabled() ? " on" : ""); });
        auto *cancel = child<QPushButton>(*page, "cancelButton");
        QPointer<QThread> thread = page->findChild<QThread *>();
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(confirm, Qt::LeftButton);
        QVERIFY(page->isRunning() && !confirm->isEnabled());
        QCOMPARE(statusOf(*page) + " | " + child<QLabel>(*page, "subLabel")->text(),
                 QStringLiteral("Deleting partition... | Deleting partition: E: (Data)")); // before the job's own word
        QTRY_COMPARE(statusOf(*page), QStringLiteral("Deleting partition...."));
        boxes.enqueue(QMessageBox::No);
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(page->isRunning() && page->isVisible() && !confirm->isEnabled());
        QCOMPARE(statusOf(*page) + ' ' + cancel->text(), QStringLiteral("Deleting partition.... Cancel"));

        QVERIFY(boxes.waitFor(3, 15000));
        QCOMPARE(boxes.titles(), (QStringList{"Final Confirmation", "Cancel operation", "Deleted successfully"}));
        QVERIFY(boxes.at(0).text.contains(QStringLiteral("You are about to delete the partition: E: (Data)\n")));
        QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
        QTRY_VERIFY(page.isNull());
        QCOMPARE(finalState, QStringLiteral("Delete completed NNNN/N")); // nothing left to confirm
        QCOMPARE(TestMachine::fingerprint(m_machine->read(), 0, 2), expected);

        QTRY_COMPARE(disk0Rows(), (QStringList{"C", "Unallocated", "F", "Unallocated"}));
        const PartitionInfo freed = item(QStringLiteral("Unallocated"))->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        QCOMPARE(QString("%1+%2").arg(freed.offset).arg(freed.sizeBytes), QString("%1+%2").arg(e.offset).arg(e.sizeBytes));
        QCOMPARE(boxes.count(), 3); // the window did not report it a second time
        waitForThread(thread);
    }

    // Cancel, Escape and the close button during a deletion ask the same question; Yes closes the
    // dialog at once without stopping the deletion, whose result the window shows once, the tree
    // following the machine. A result that comes while the question is open closes it and shows.
    void leaveWhileDeleting_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("fault"); // the run's only fault: long enough to act meanwhile
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("lastText");
        QTest::addColumn<QString>("rows");

        const QString deleted = "C, Unallocated, F, Unallocated";
        const QString late = "Final Confirmation, Cancel operation, Operation completed";
        const QString done = "Deletion of E: (Data) completed successfully.";
        const QByteArray slow = R"({"target":"tool.diskpart","hangMs":400})";
        for (const char *how : {"cancel", "escape", "close"})
            QTest::newRow(how) << how << slow << late << done << deleted;
        QTest::newRow("close, late failure")
            << "close" << QByteArray(R"({"target":"tool.diskpart","hangMs":400,"exitCode":5})")
            << "Final Confirmation, Cancel operation, Operation failed"
            << "Deletion of E: (Data) failed:\nDeletion failed:\ndiskpart ended with exit code 5"
            << "C, E, F, Unallocated";
        QTest::newRow("ends while asking")
            << "answer late" << slow << "Final Confirmation, Cancel operation, Deleted successfully"
            << "E: (Data) was deleted successfully." << deleted;
    }

    void leaveWhileDeleting()
    {
        QFETCH(QString, how);
        QFETCH(QByteArray, fault);
        QFETCH(QString, lastText);
        QVERIFY(m_machine->store().modify([&fault](sim::Machine &m) {
            m.faults = QJsonArray{TestMachine::slowed(QJsonDocument::fromJson(fault).object())};
            m.timeScale = 0.05 * TestMachine::slowdown(); // a 1.5 s limit, and shorter refreshes
            return true;
        }));
        MessageBoxAnswerer boxes;
        QElapsedTimer clock;
        QPointer<DeletePartitionPage> page;
        boxes.setChooser([&](const MessageBoxAnswerer::Box &box) {
            if (box.title != QLatin1String("Cancel operation"))
                return QMessageBox::NoButton;
            // The job ends while the question is open; the late Yes finds it already closed.
            if (how == QLatin1String("answer late")
                && !QTest::qWaitFor([&] { return !page || !page->isRunning(); }, 15000))
                qWarning("the deletion did not end while the question was open");
            clock.start();
            return QMessageBox::Yes;
        });
        page = deleteRow(QStringLiteral("E"));
        QVERIFY(page);
        QPointer<QThread> thread = page->findChild<QThread *>();
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QTRY_COMPARE(statusOf(*page), QStringLiteral("Deleting partition...."));

        if (how == QLatin1String("escape"))
            QTest::keyClick(page, Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            page->close();
        else
            QTest::mouseClick(child<QPushButton>(*page, "cancelButton"), Qt::LeftButton);
        if (how != QLatin1String("answer late")) {
            // Back in the event loop, with the dialog gone, at once.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const qint64 took = clock.elapsed();
            QVERIFY(page.isNull());
            QVERIFY2(took < 50 * TestMachine::slowdown(), qPrintable(QString::number(took)));
        }
        QVERIFY(boxes.waitFor(2));
        QVERIFY(boxes.at(1).text.contains(QLatin1String("cannot be stopped half-way")));
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::No);

        QVERIFY(boxes.waitFor(3, 15000));
        QTEST(boxes.titles().join(", "), "titles");
        QVERIFY2(boxes.at(2).text.startsWith(lastText), qPrintable(boxes.at(2).text));
        QTRY_VERIFY(page.isNull());
        waitForThread(thread);
        QFETCH(QString, rows);
        QTRY_COMPARE(disk0Rows().join(", "), rows);
        // The tree shows the machine: a partition per lettered row.
        QCOMPARE(m_machine->read().disks.at(0).partitions.size(), rows.count(", ") + 1 - rows.count("Unallocated"));
        QTRY_VERIFY(!m_window->findChild<QLabel *>(QStringLiteral("loadingPopup")));
        QCOMPARE(boxes.count(), 3);
    }

    // Partitions the running system needs are refused before any confirmation; other special
    // ones get a warning of their own, No the default, before the usual confirmation. The
    // records come from the tree, so this also proves the provider's flags reach the dialog.
    void specialPartitions_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("text"); // in the first box

        const QString refused = "Cannot Delete";
        const QString warned = "Special Partition";
        QTest::newRow("the running system's EFI") << "0:1" << true << refused << "the system partition the running Windows";
        QTest::newRow("C:") << "0:3" << true << refused << "the boot partition holding the running Windows";
        QTest::newRow("MSR") << "0:2" << false << warned << "Microsoft Reserved (MSR) partition";
        QTest::newRow("recovery") << "0:4" << false << warned << "is a recovery partition";
        QTest::newRow("OEM") << "1:1" << false << warned << "is an OEM partition";
        QTest::newRow("another disk's EFI, accepted")
            << "2:1" << true << warned + ", Final Confirmation, Deleted successfully" << "is an EFI system partition";
    }

    void specialPartitions()
    {
        QFETCH(QString, id);
        QFETCH(bool, accept);
        QFETCH(QString, text);
        const QStringList before = TestMachine::fingerprint(m_machine->read());
        MessageBoxAnswerer boxes;
        boxes.setChooser([accept](const MessageBoxAnswerer::Box &) { return accept ? QMessageBox::Yes : QMessageBox::No; });
        QTreeWidgetItem *row = itemWithId(m_tree, id);
        QVERIFY(row);
        QPointer<DeletePartitionPage> page = deleteItem(row);
        QVERIFY(page);
        QPointer<QThread> thread = page->findChild<QThread *>();
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QFETCH(QString, titles);
        QVERIFY(boxes.waitFor(titles.count(", ") + 1, 15000));
        QCOMPARE(boxes.titles().join(", "), titles);
        QVERIFY2(boxes.at(0).text.contains(text), qPrintable(boxes.at(0).text));
        if (boxes.at(0).icon == QMessageBox::Warning)
            QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);

        const bool deleted = titles.endsWith(QLatin1String("Deleted successfully"));
        if (page && !deleted)
            QTest::mouseClick(child<QPushButton>(*page, "cancelButton"), Qt::LeftButton);
        QTRY_VERIFY(page.isNull());
        waitForThread(thread);
        QCOMPARE(TestMachine::fingerprint(m_machine->read()).size(), before.size() - (deleted ? 1 : 0));
        QTRY_COMPARE(bool(itemWithId(m_tree, id)), !deleted);
    }

    // The partition is read again just before it goes: changed since the tree showed it, replaced
    // by another of the same number, place and size, or formatted again, it stays.
    void changedSinceChosen_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("resized") << 0;
        QTest::newRow("replaced") << 1;
        QTest::newRow("formatted") << 2;
    }

    void changedSinceChosen()
    {
        QFETCH(int, change);
        QVERIFY(m_machine->store().modify([change](sim::Machine &m) {
            sim::Partition &e = m.disks[0].partitions[1];
            if (change == 1)
                e.guid = sim::geometry::newGuid();
            else if (change == 2)
                e.volume->serial = QStringLiteral("0BAD-F00D");
            else
                e.size -= sim::kMiB;
            return true;
        }));
        const QStringList before = TestMachine::fingerprint(m_machine->read());
        MessageBoxAnswerer boxes;
        boxes.enqueue(QMessageBox::Yes);
        QPointer<DeletePartitionPage> page = deleteRow(QStringLiteral("E"));
        QVERIFY(page);
        QTest::mouseClick(child<QPushButton>(*page, "confirmButton"), Qt::LeftButton);
        QVERIFY(boxes.waitFor(2, 15000));
        QVERIFY2(boxes.at(1).text.contains("The disk layout changed since you chose this partition. The list has been "
                                           "refreshed; please choose again."),
                 qPrintable(boxes.at(1).text));
        QCOMPARE(TestMachine::fingerprint(m_machine->read()), before);
        QPointer<QThread> thread = page->findChild<QThread *>();
        QTest::mouseClick(child<QPushButton>(*page, "cancelButton"), Qt::LeftButton);
        waitForThread(thread);
    }
};

TESSALINE_GUI_TEST_MAIN(TestDeleteAction)
#include "tst_deleteaction.moc"
