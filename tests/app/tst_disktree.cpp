// The disk tree built from a simulated machine: columns, item data, colours, hidden gaps,
// usage bars, the selection reader and the context menus.
#include "app/mainwindow.h"
#include "app/usagewidgets.h"
#include "common/records.h"
#include "support/messageboxanswerer.h"
#include "storage/windowsstoragemanager.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using sim::kGiB;
using sim::kMiB;

namespace {

const QColor kRed(QStringLiteral("#d32f2f"));
const QColor kOrange(QStringLiteral("#ff9800"));
const QColor kGrey(QStringLiteral("#b0b0b0"));

QTreeWidgetItem *childByText(QTreeWidgetItem *disk, const QString &text, int nth = 0)
{
    for (int i = 0; i < disk->childCount(); ++i)
        if (disk->child(i)->text(0) == text && nth-- == 0)
            return disk->child(i);
    return nullptr;
}

QStringList childTexts(QTreeWidgetItem *disk)
{
    QStringList out;
    for (int i = 0; i < disk->childCount(); ++i)
        out << disk->child(i)->text(0);
    return out;
}

int usageOf(QTreeWidget *tree, QTreeWidgetItem *item)
{
    QWidget *cell = tree->itemWidget(item, 3);
    auto *bar = cell ? cell->findChild<QProgressBar *>(QStringLiteral("usageBar")) : nullptr;
    return bar ? bar->value() : -1;
}

} // namespace

class TestDiskTree : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    QTreeWidget *m_tree = nullptr;
    qint64 m_dEnd = 0;

    QTreeWidgetItem *disk(int i) { return m_tree->topLevelItem(i); }

    // Opens the tree's context menu on `item` and hands the open menu to `inspect`, which may
    // pick an action; returns once the menu is gone.
    void withContextMenu(QTreeWidgetItem *item, const std::function<QAction *(QMenu *)> &inspect)
    {
        m_tree->scrollToItem(item);
        const QPoint pos = m_tree->visualItemRect(item).center();
        bool seen = false;
        QTimer opener;
        opener.setSingleShot(true);
        connect(&opener, &QTimer::timeout, this, [&] {
            if (!QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }))
                return;
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            seen = true;
            QAction *pick = inspect(menu);
            if (pick) {
                menu->setActiveAction(pick);
                QTest::keyClick(menu, Qt::Key_Return);
            } else {
                menu->close();
            }
        });
        opener.start(0);
        emit m_tree->customContextMenuRequested(pos);
        opener.stop(); // no menu opened: nothing may run later
        QVERIFY(seen);
    }

private slots:
    void initTestCase()
    {
        registerRecordMetaTypes();

        m_machine = std::make_unique<TestMachine>();
        TestMachine &tm = *m_machine;
        tm.setTimeScale(0.01);
        tm.setPartitionTypeProperty(true);

        // GPT disk: EFI, MSR, C:, a 40 MiB gap, D:, a 60 MiB gap, recovery, free space at the end.
        tm.addDisk(0, 100 * kGiB, QStringLiteral("GPT"), QStringLiteral("System Disk"));
        tm.addPartition(0, kMiB, 100 * kMiB, QStringLiteral("System"), TestMachine::Vol(QStringLiteral("FAT32")));
        tm.addPartition(0, 101 * kMiB, 16 * kMiB, QStringLiteral("MSR"));
        const qint64 cAt = 117 * kMiB, cSize = 40 * kGiB;
        tm.addPartition(0, cAt, cSize, QStringLiteral("Primary"),
                        TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Windows"), QStringLiteral("C")));
        const qint64 dAt = cAt + cSize + 40 * kMiB, dSize = 30 * kGiB;
        tm.addPartition(0, dAt, dSize, QStringLiteral("Primary"),
                        TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Data"), QStringLiteral("D")));
        m_dEnd = dAt + dSize;
        tm.addPartition(0, m_dEnd + 60 * kMiB, 500 * kMiB, QStringLiteral("Recovery"),
                        TestMachine::Vol(QStringLiteral("NTFS")));

        // MBR disk: E:, a raw partition without letter or file system, free space after them.
        tm.addDisk(1, 50 * kGiB, QStringLiteral("MBR"), QStringLiteral("Backup Disk"));
        tm.addPartition(1, kMiB, 20 * kGiB, QStringLiteral("Primary"),
                        TestMachine::Vol(QStringLiteral("NTFS"), QStringLiteral("Backup"), QStringLiteral("E")));
        tm.addPartition(1, kMiB + 20 * kGiB, 10 * kGiB, QStringLiteral("Primary"));

        // An empty disk.
        tm.addDisk(2, 8 * kGiB, QStringLiteral("GPT"), QStringLiteral("Empty Disk"));
        QVERIFY(tm.write());

        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_tree = treeOf(*m_window);
        QVERIFY(m_tree);
        QTRY_COMPARE(m_tree->topLevelItemCount(), 3);
        QTRY_VERIFY(!loadingPopupVisible(*m_window));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_machine.reset();
    }

    void headers()
    {
        QCOMPARE(m_tree->columnCount(), 5);
        const QStringList expected{"Partition/Disk", "File System", "Size", "Usage", "Status"};
        const QList<int> widths{200, 100, 100, 120, 150};
        for (int c = 0; c < 5; ++c) {
            QCOMPARE(m_tree->headerItem()->text(c), expected.at(c));
            // The last column stretches to the tree's edge.
            if (c < 4)
                QCOMPARE(m_tree->columnWidth(c), widths.at(c));
            else
                QVERIFY(m_tree->columnWidth(c) >= widths.at(c));
        }
    }

    void diskRows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("style");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("gpt") << 0 << "Disk 0 (System Disk)" << "100.00 GB" << "GPT"
                             << QStringList{"Partition 1", "Partition 2", "C", "D", "Unallocated",
                                            "Partition 5", "Unallocated"};
        QTest::newRow("mbr") << 1 << "Disk 1 (Backup Disk)" << "50.00 GB" << "MBR"
                             << QStringList{"E", "Partition 2", "Unallocated"};
        QTest::newRow("empty") << 2 << "Disk 2 (Empty Disk)" << "8.00 GB" << "GPT" << QStringList{"Unallocated"};
    }

    void diskRows()
    {
        QFETCH(int, row);
        QTreeWidgetItem *item = disk(row);
        QFETCH(QString, name);
        QCOMPARE(item->text(0), name);
        QVERIFY(item->font(0).bold());
        QCOMPARE(item->text(1), QString());
        QTEST(item->text(2), "size");
        QCOMPARE(item->text(3), QStringLiteral("Online"));
        QTEST(item->text(4), "style");
        QCOMPARE(item->data(0, Qt::UserRole).toString(), QString::number(row));
        QVERIFY(!item->data(0, Qt::UserRole + 1).isValid());
        QVERIFY(item->isExpanded());
        // The 40 MiB gap after C: is left out, the 60 MiB gap after D: is shown.
        QTEST(childTexts(item), "children");
    }

    void partitionRows_data()
    {
        QTest::addColumn<int>("diskRow");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("usage");
        // Without a drive letter the file system is not known to the volume map.
        QTest::newRow("efi") << 0 << "Partition 1" << "-" << "100.00 MB" << "System" << kRed << 0;
        QTest::newRow("msr") << 0 << "Partition 2" << "-" << "16.00 MB" << "System, MSR" << kRed << 0;
        QTest::newRow("C") << 0 << "C" << "NTFS" << "40.00 GB" << "Boot, Data Partition" << kRed << 40;
        QTest::newRow("D") << 0 << "D" << "NTFS" << "30.00 GB" << "Data Partition" << kOrange << 30;
        QTest::newRow("recovery") << 0 << "Partition 5" << "-" << "500.00 MB" << "Recovery" << kOrange << 0;
        QTest::newRow("E") << 1 << "E" << "NTFS" << "20.00 GB" << "Data Partition" << kOrange << 40;
        QTest::newRow("raw") << 1 << "Partition 2" << "-" << "10.00 GB" << "Data Partition" << kOrange << 20;
    }

    void partitionRows()
    {
        QFETCH(int, diskRow);
        QFETCH(QString, name);
        QTreeWidgetItem *item = childByText(disk(diskRow), name);
        QVERIFY(item);
        QTEST(item->text(1), "fileSystem");
        QTEST(item->text(2), "size");
        QTEST(item->text(4), "status");
        QTEST(item->foreground(4).color(), "colour");
        QTEST(usageOf(m_tree, item), "usage");
        QVERIFY(!item->icon(0).isNull());
    }

    // Every row carries the record enumeration gave, and the id, under its roles.
    void itemDataRoundTrip()
    {
        WindowsStorageManager storage;
        QVERIFY(storage.initialize());
        for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
            QList<PartitionInfo> records = storage.getPartitions(QString::number(d));
            records.erase(std::remove_if(records.begin(), records.end(),
                                         [](const PartitionInfo &p) {
                                             return p.isUnallocated && p.sizeBytes < 50 * kMiB;
                                         }),
                          records.end());
            QTreeWidgetItem *diskItem = disk(d);
            QCOMPARE(diskItem->childCount(), int(records.size()));
            for (int i = 0; i < records.size(); ++i) {
                const PartitionInfo &want = records.at(i);
                const QVariant data = diskItem->child(i)->data(0, Qt::UserRole + 1);
                QVERIFY(data.canConvert<PartitionInfo>());
                const PartitionInfo got = data.value<PartitionInfo>();
                QCOMPARE(got.id, want.id);
                QCOMPARE(got.isUnallocated, want.isUnallocated);
                QCOMPARE(got.offset, want.offset);
                QCOMPARE(got.sizeBytes, want.sizeBytes);
                QCOMPARE(got.diskIndex, want.diskIndex);
                QCOMPARE(got.partitionNumber, want.partitionNumber);
                QCOMPARE(got.driveLetter, want.driveLetter);
                QCOMPARE(got.fileSystem, want.fileSystem);
                QCOMPARE(got.volumeLabel, want.volumeLabel);
                QCOMPARE(got.typeCode, want.typeCode);
                QCOMPARE(diskItem->child(i)->data(0, Qt::UserRole).toString(),
                         want.isUnallocated ? QStringLiteral("unallocated") : want.id);
            }
        }
    }

    void unallocatedRows()
    {
        QTreeWidgetItem *gap = childByText(disk(0), QStringLiteral("Unallocated"));
        QVERIFY(gap);
        const PartitionInfo record = gap->data(0, Qt::UserRole + 1).value<PartitionInfo>();
        QVERIFY(record.isUnallocated);
        QCOMPARE(record.offset, m_dEnd);
        QCOMPARE(record.sizeBytes, 60 * kMiB);
        QCOMPARE(gap->text(1), QStringLiteral("-"));
        QCOMPARE(gap->text(2), QStringLiteral("60.00 MB"));
        QCOMPARE(gap->text(4), QStringLiteral("Unused Partition"));
        QCOMPARE(gap->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(gap->foreground(c).color(), kGrey);
        auto *strip = qobject_cast<QLabel *>(m_tree->itemWidget(gap, 3));
        QVERIFY(strip);
        QCOMPARE(strip->pixmap().size(), QSize(72, 8));

        QTreeWidgetItem *whole = disk(2)->child(0);
        QCOMPARE(whole->text(2), QStringLiteral("8.00 GB"));
    }

    void usagePercentRule_data()
    {
        QTest::addColumn<qint64>("part");
        QTest::addColumn<qint64>("disk");
        QTest::addColumn<int>("percent");
        QTest::newRow("truncated") << qint64(999) << qint64(1000) << 99;
        QTest::newRow("whole") << qint64(1000) << qint64(1000) << 100;
        QTest::newRow("disk of size 0") << 40 * kGiB << qint64(0) << 0;
        QTest::newRow("negative disk size") << 40 * kGiB << qint64(-1) << 0;
        QTest::newRow("partition larger than disk") << 3 * kGiB << 2 * kGiB << 100;
        QTest::newRow("huge sizes") << qint64(1) << (qint64(1) << 62) << 0;
    }

    void usagePercentRule()
    {
        QFETCH(qint64, part);
        QFETCH(qint64, disk);
        QTEST(usagePercent(part, disk), "percent");
    }

    void selectedPartition_data()
    {
        QTest::addColumn<int>("diskRow");
        QTest::addColumn<int>("childRow"); // -1: the disk row itself
        QTest::addColumn<QString>("id");
        QTest::newRow("disk row") << 0 << -1 << QString();
        QTest::newRow("C") << 0 << 2 << "0:3";
        QTest::newRow("unallocated") << 0 << 4 << QString();
        QTest::newRow("raw") << 1 << 1 << "1:2";
    }

    void selectedPartition()
    {
        QFETCH(int, diskRow);
        QFETCH(int, childRow);
        QTreeWidgetItem *item = childRow < 0 ? disk(diskRow) : disk(diskRow)->child(childRow);
        m_tree->setCurrentItem(item);
        QTEST(m_window->getSelectedPartition().id, "id");
    }

    // A row whose stored record is missing is completed from the storage layer.
    void selectedPartitionWithoutStoredRecord()
    {
        QTreeWidgetItem *item = childByText(disk(0), QStringLiteral("D"));
        const QVariant stored = item->data(0, Qt::UserRole + 1);
        item->setData(0, Qt::UserRole + 1, QVariant());
        m_tree->setCurrentItem(item);
        const PartitionInfo p = m_window->getSelectedPartition();
        item->setData(0, Qt::UserRole + 1, stored);
        QCOMPARE(p.id, QStringLiteral("0:4"));
        QCOMPARE(p.driveLetter, QStringLiteral("D"));
        QCOMPARE(p.volumeLabel, QStringLiteral("Data"));
        QCOMPARE(p.sizeBytes, 30 * kGiB);
    }

    void diskMenuShowsInformation()
    {
        MessageBoxAnswerer boxes;
        QStringList texts;
        withContextMenu(disk(0), [&](QMenu *menu) {
            QAction *info = nullptr;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator())
                    continue;
                texts << a->text();
                if (a->text() == QStringLiteral("📊 Disk Information"))
                    info = a;
            }
            return info;
        });
        QCOMPARE(texts, (QStringList{"🔍 Properties", "🔄 Refresh", "📊 Disk Information"}));
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("Disk information"));
        QCOMPARE(boxes.at(0).icon, QMessageBox::Information);
        QCOMPARE(boxes.at(0).text, QStringLiteral("Disk details\n\nDisk name: Disk 0 (System Disk)\nDisk ID: 0\n"
                                                  "Total capacity: 100.00 GB\nStatus: Online\n"
                                                  "Number of partitions: 7"));
    }

    void diskMenuRefreshRebuildsTree()
    {
        m_machine->store().modify([](sim::Machine &m) {
            m.disk(2)->friendlyName = QStringLiteral("Renamed Disk");
            return true;
        });
        withContextMenu(disk(2), [](QMenu *menu) { return menu->actions().at(1); });
        QTRY_COMPARE(disk(2)->text(0), QStringLiteral("Disk 2 (Renamed Disk)"));
        QVERIFY(!loadingPopupVisible(*m_window));
    }

    void partitionMenuEntries_data()
    {
        QTest::addColumn<int>("childRow");
        QTest::addColumn<bool>("unallocated");
        QTest::newRow("partition") << 2 << false;
        QTest::newRow("unallocated") << 4 << true;
    }

    void partitionMenuEntries()
    {
        QFETCH(int, childRow);
        QFETCH(bool, unallocated);
        QStringList texts;
        QList<bool> enabled;
        withContextMenu(disk(0)->child(childRow), [&](QMenu *menu) {
            for (QAction *a : menu->actions()) {
                texts << a->text();
                enabled << a->isEnabled();
            }
            return nullptr;
        });
        QCOMPARE(texts, (QStringList{"↔️ Resize/Move", "➕ New", "📁 Format", "🗑️ Delete", "🔗 Merge", "🔀 Split"}));
        // "New" only on free space; the other actions never on free space.
        QCOMPARE(enabled.at(1) && !unallocated, false);
        for (int i : {0, 2, 3, 4, 5})
            QCOMPARE(enabled.at(i) && unallocated, false);
    }
};

QTEST_MAIN(TestDiskTree)
#include "tst_disktree.moc"
