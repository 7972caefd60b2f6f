// The Merge action and dialog through the main window: the neighbour found, what the dialog
// previews and refuses, and merges run to their end with the real stand-ins, judged by the machine.
#include "support/guitestmain.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"

#include "app/windowtesting.h"
#include "dialogs/mergepartitiondialog.h"

#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

namespace {

// Disk 1 (GPT): K: then an EFI system partition right after it.
// Disk 2 (MBR, 40 GiB): E: NTFS "Data", a 60 MiB gap, F: FAT32 "Media", G: NTFS unlabelled, a 1 MiB
// gap (not in the tree), H: to the end.
void buildMachine(TestMachine &tm, const char *fault)
{
    using Vol = TestMachine::Vol;
    const qint64 M = sim::kMiB, G = sim::kGiB;
    tm.addDisk(1, 20 * G, "GPT");
    tm.addPartition(1, M, 10 * G, "Primary", Vol("NTFS", "Apps", "K"));
    tm.addPartition(1, M + 10 * G, 100 * M, "EFI", Vol("FAT32"));
    tm.addDisk(2, 40 * G, "MBR");
    tm.addPartition(2, M, 10 * G, "Primary", Vol("NTFS", "Data", "E", G, 4096, "1111-2222"));
    tm.addPartition(2, M + 10 * G + 60 * M, 5 * G, "Primary", Vol("FAT32", "Media", "F", G, 16384, "3333-4444"));
    tm.addPartition(2, 15 * G + 61 * M, G, "Primary", Vol("NTFS", "", "G", 0, 4096, "5555-6666"));
    tm.addPartition(2, 16 * G + 62 * M, 24 * G - 62 * M, "Primary", Vol("NTFS", "Rest", "H", 0, 4096, "7777-8888"));
    // Disk 3 (MBR): P:, an extended partition holding L:, free space and M: at its end, then Q:
    // and the maker's OEM partition.
    tm.addDisk(3, 20 * G, "MBR");
    tm.addPartition(3, M, G, "Primary", Vol("NTFS", "", "P"));
    tm.addPartition(3, G + M, 4 * G, "Extended");
    tm.addPartition(3, G + 2 * M, G, "Logical", Vol("NTFS", "", "L", 0, 4096, "AAAA-0001"));
    tm.addPartition(3, 4 * G + M, G, "Logical", Vol("NTFS", "", "M", 0, 4096, "AAAA-0002"));
    tm.addPartition(3, 5 * G + M, G, "Primary", Vol("NTFS", "", "Q"));
    tm.addPartition(3, 6 * G + M, 500 * M, "OEM", Vol("NTFS"));
    tm.setTimeScale(0.02);
    // One fault a line.
    for (const QByteArray &f : QByteArray(fault).split('\n'))
        if (!f.isEmpty())
            tm.addFault(f.constData());
    QVERIFY(tm.write());
}

// Disk 2 as "E 10240 1111-2222, F 5120 3333-4444, ...": letter, MiB, serial.
QString disk2(const sim::Machine &m)
{
    return partitionsOf(m, 2, QStringLiteral("letter mib serial")).join(QLatin1String(", "));
}

} // namespace

class TestMergeDialog : public QObject, WindowFixture
{
    Q_OBJECT

    void openWindow(const char *fault = nullptr)
    {
        m_machine = std::make_unique<TestMachine>();
        buildMachine(*m_machine, fault);
        QVERIFY(showWindow());
    }

    MergePartitionDialog *mergeRow(const QString &text) { return actOn<MergePartitionDialog>(*m_window, text, MergeRow); }

    QStringList disk2Rows() const { return childTexts(m_tree->topLevelItem(1)); }

private slots:
    void cleanup() { closeWindow(); }

    // What is refused, and where: the window for rows with nothing to merge, the dialog (before
    // any confirmation) for sources that cannot grow and neighbours that must stay.
    void refusalsChangeNothing()
    {
        openWindow();
        const QString before = disk2(m_machine->read()) + partitionsOf(m_machine->read(), 3, "mib letter").join(',');
        MessageBoxAnswerer boxes;
        QStringList seen;
        // E:'s size changes in the machine file after the tree was read.
        for (const char *row : {"Disk 2 (Test Disk 2)", "Unallocated", "H", "F", "K", "M", "P", "E", "G"}) {
            if (qstrcmp(row, "E") == 0)
                QVERIFY(m_machine->store().modify([](sim::Machine &m) { return m.disk(2)->partitions[0].size -= sim::kMiB; }));
            if (qstrcmp(row, "G") == 0) // its disk row no longer names the disk
                m_tree->topLevelItem(1)->setData(0, Qt::UserRole, QString());
            QPointer<MergePartitionDialog> dialog = mergeRow(QString::fromLatin1(row));
            if (dialog) {
                QTest::mouseClick(child<QPushButton>(*dialog, "mergeButton"), Qt::LeftButton);
                QVERIFY(!dialog->isRunning() && !dialog->findChild<QThread *>());
                delete dialog.data();
            }
            QVERIFY(boxes.waitFor(seen.size() + 1));
            seen << boxes.at(seen.size()).title + ": " + boxes.at(seen.size()).text.section('.', 0, 0);
        }
        QCOMPARE(seen, (QStringList{
                           "Warning: Please select a partition to merge",
                           "Cannot Merge: Cannot merge unallocated space",
                           "Cannot merge: There is no right partition or space to merge",
                           "Cannot merge: Partition F: uses the FAT32 file system, which cannot be extended, so no "
                           "space can be merged into it",
                           "Cannot merge: Partition 2 of Disk 1 is an EFI system partition",
                           "Cannot merge: M: is a logical drive: the space after the extended partition cannot be added to it",
                           "Cannot merge: The partition after P: is an extended partition holding logical drives: it cannot be merged into P:",
                           "Cannot merge: The disk layout changed since you chose this partition",
                           "Error: Failed to get disk ID",
                       }));
        QVERIFY(m_machine->store().modify([](sim::Machine &m) { return m.disk(2)->partitions[0].size += sim::kMiB; }));
        QCOMPARE(disk2(m_machine->read()) + partitionsOf(m_machine->read(), 3, "mib letter").join(','), before);
    }

    // An OEM partition, the one to grow or the neighbour to delete, is named in the question (No
    // the default) before anything runs; No leaves the disk as it was.
    void oemPartitionWarned()
    {
        openWindow();
        const QStringList before = partitionsOf(m_machine->read(), 3, "mib letter serial");
        MessageBoxAnswerer boxes;
        for (const char *row : {"Q", "Partition 6"}) {
            QPointer<MergePartitionDialog> dialog = mergeRow(QString::fromLatin1(row));
            QVERIFY(dialog);
            QTest::mouseClick(child<QPushButton>(*dialog, "mergeButton"), Qt::LeftButton);
            QVERIFY(!dialog->isRunning() && !dialog->findChild<QThread *>());
            delete dialog.data();
        }
        QCOMPARE(boxes.titles(), (QStringList{"Confirm partition merge", "Confirm partition merge"}));
        const QString oem = "Partition 6 of Disk 3 is an OEM partition. It holds the maker's recovery or support tools";
        QVERIFY2(boxes.at(0).text.startsWith(oem) && boxes.at(0).text.contains("delete partition 6 and merge its space into partition Q."), qPrintable(boxes.at(0).text));
        QVERIFY2(boxes.at(1).text.startsWith(oem) && boxes.at(1).text.endsWith("\n\nAre you sure you want to continue?"),
                 qPrintable(boxes.at(1).text));
        QCOMPARE(boxes.at(0).defaultButton, QMessageBox::No);
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::No);
        QCOMPARE(partitionsOf(m_machine->read(), 3, "mib letter serial"), before);
    }

    // E: takes the gap after it (no question, a second click ignored, the job on its named
    // thread), then F: after a confirmation; each time the dialog closes on success, the letter
    // and serial stay, and the tree shows the result.
    void gapThenPartition()
    {
        openWindow();
        MessageBoxAnswerer boxes;
        QPointer<MergePartitionDialog> dialog = mergeRow(QStringLiteral("E"));
        QVERIFY(dialog);
        QCOMPARE(child<QLabel>(*dialog, "currentUnallocated")->property("class").toString(),
                 QStringLiteral("partitionBar partitionUnallocated"));
        int started = 0;
        connect(dialog, &MergePartitionDialog::mergeStarted, this, [&started] { ++started; });
        auto *merge = child<QPushButton>(*dialog, "mergeButton");
        QTest::mouseClick(merge, Qt::LeftButton);
        QVERIFY(dialog->isRunning() && !merge->isEnabled());
        QCOMPARE(dialog->findChild<QThread *>()->objectName(), QStringLiteral("MergePartitionWorkerThread"));
        dialog->onMergeButtonClicked();
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 15000);
        QCOMPARE(started, 1);
        QCOMPARE(boxes.titles(), QStringList{"Merger Success"});
        QCOMPARE(disk2(m_machine->read()), "E 10300 1111-2222, F 5120 3333-4444, G 1024 5555-6666, H 24514 7777-8888");
        QTRY_COMPARE(disk2Rows(), (QStringList{"E", "F", "G", "H"}));

        dialog = mergeRow(QStringLiteral("E"));
        QVERIFY(dialog);
        QVERIFY(!child<QLabel>(*dialog, "currentHPartition")->isHidden());
        QCOMPARE(child<QLabel>(*dialog, "currentHPartition")->text(), QStringLiteral("F Media\n5.00 GB"));
        boxes.enqueue(QMessageBox::Yes);
        QTest::mouseClick(child<QPushButton>(*dialog, "mergeButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 15000);
        QCOMPARE(boxes.titles(), (QStringList{"Merger Success", "Confirm partition merge", "Merger Success"}));
        QCOMPARE(boxes.at(1).defaultButton, QMessageBox::No);
        QVERIFY(boxes.at(1).text.startsWith("This operation will delete partition F and merge its space into partition E."));
        QCOMPARE(boxes.at(2).text, "Successfully merged F: (Media) into E: (Data).\n\n Original partition size: "
                                   "10.06 GB, new partition size: 15.06 GB, increased space: 5.00 GB");
        QCOMPARE(disk2(m_machine->read()), "E 15420 1111-2222, G 1024 5555-6666, H 24514 7777-8888");
        QTRY_COMPARE(disk2Rows(), (QStringList{"E", "G", "H"}));
    }

    // A failed merge, a cancelled one, and one whose dialog goes away mid-merge: E: keeps its
    // letter, the machine shows whole steps only, and every end is shown.
    void failures_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("step"); // as the end box's details list it
        const QString before = "E 10240 1111-2222, F 5120 3333-4444, G 1024 5555-6666, H 24514 7777-8888";
        const QString grown = "E 10300 1111-2222, F 5120 3333-4444, G 1024 5555-6666, H 24514 7777-8888";
        QTest::newRow("extend refused") << QByteArray(R"({"target":"tool.diskpart","match":"extend","exitCode":4})")
                                        << "wait" << "Partition merge operation failed:\n\nPartition merge failed" << before
                                        << "[failed] extend over the unallocated space (changes the disk)";
        // The extend under way runs to its end; the job stops after it.
        QTest::newRow("cancelled in the extend")
            << QByteArray(R"({"target":"tool.diskpart","match":"extend","hangMs":1500})") << "cancel"
            << "Partition merge operation failed:\n\nThe user canceled the merge operation" << grown
            << "[done] extend over the unallocated space (changes the disk)";
        // The dialog does not wait for the job, which runs to its end; the window shows it.
        QTest::newRow("dialog destroyed")
            << QByteArray(R"({"target":"tool.diskpart","match":"extend","hangMs":1500})") << "destroy"
            << "Successfully merged 60.0 MB of unallocated space into E: (Data)." << grown
            << "[done] extend over the unallocated space (changes the disk)";
    }

    void failures()
    {
        QFETCH(QByteArray, fault);
        QFETCH(QString, how);
        QFETCH(QString, message);
        openWindow(fault.constData());
        MessageBoxAnswerer boxes;
        QPointer<MergePartitionDialog> dialog = mergeRow(QStringLiteral("E"));
        QVERIFY(dialog);
        auto *title = child<QLabel>(*dialog, "operationInfoTitle");
        QTest::mouseClick(child<QPushButton>(*dialog, "mergeButton"), Qt::LeftButton);
        QPointer<QThread> thread = dialog->findChild<QThread *>();

        if (how != "wait") {
            QTRY_COMPARE(dialog ? title->text() : QString(), QStringLiteral("🔄 Merge unallocated space into partition..."));
            // The progress box blocks the dialog, not the window, and follows the job.
            const QProgressDialog *progress = dialog->findChild<QProgressDialog *>();
            QVERIFY(progress->windowModality() == Qt::WindowModal && progress->value() > 0);
        }
        if (how == "cancel") {
            QTest::mouseClick(dialog->findChild<QProgressDialog *>()->findChild<QPushButton *>(), Qt::LeftButton);
        } else if (how == "destroy") {
            QElapsedTimer clock;
            clock.start();
            delete dialog.data();
            QVERIFY(clock.elapsed() < 800 * TestMachine::slowdown());
            QVERIFY(thread && thread->isRunning());
            QTRY_VERIFY_WITH_TIMEOUT(thread.isNull(), 15000);
        }
        QVERIFY(boxes.waitFor(1, 15000));
        QCOMPARE(boxes.at(0).title, how == "destroy" ? QStringLiteral("Merger Success") : QStringLiteral("Merge failed"));
        QVERIFY2(boxes.at(0).text.startsWith(message), qPrintable(boxes.at(0).text));
        QFETCH(QString, step);
        QVERIFY2(boxes.at(0).details.contains(step), qPrintable(boxes.at(0).details));
        if (how != "destroy") {
            QVERIFY(dialog && dialog->isVisible() && !dialog->isRunning());
            QVERIFY(child<QPushButton>(*dialog, "mergeButton")->isEnabled()
                    && child<QPushButton>(*dialog, "cancelButton")->isEnabled());
            QCOMPARE(title->text(), QStringLiteral("✅ Instructions:"));
            QTRY_VERIFY(!thread);
        }
        QTEST(disk2(m_machine->read()), "layout");
        // The window read the machine afresh after the end.
        QTRY_VERIFY(!m_window->findChild<QLabel *>(QStringLiteral("loadingPopup")));
        QTRY_COMPARE(disk2Rows(), (how == "wait" ? QStringList{"E", "Unallocated", "F", "G", "H"}
                                                 : QStringList{"E", "F", "G", "H"}));
    }
};

TESSALINE_GUI_TEST_MAIN(TestMergeDialog)
#include "tst_mergedialog.moc"
