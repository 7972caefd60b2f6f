// The disk tree built from a simulated machine: columns, item data, colours, hidden gaps,
// usage bars, the selection reader and the context menus.
#include "app/mainwindow.h"
#include "app/usagewidgets.h"
#include "common/records.h"
#include "storage/windowsstoragemanager.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <QProgressBar>

#include <memory>

using sim::kGiB;
using sim::kMiB;

namespace {

// One row as "texts | usage cell | colours": the usage cell is the bar's value or "strip", the
// colours one letter per column (. none, R system red, O data orange, G unallocated grey).
QString describe(QTreeWidget *tree, QTreeWidgetItem *item)
{
    QStringList cells;
    for (int c = 0; c < 5; ++c)
        cells << item->text(c);
    if (!item->parent())
        return cells.join(QStringLiteral(" | "));
    QWidget *widget = tree->itemWidget(item, 3);
    if (auto *bar = widget ? widget->findChild<QProgressBar *>(QStringLiteral("usageBar")) : nullptr)
        cells[3] = QStringLiteral("%1%").arg(bar->value());
    else if (auto *strip = qobject_cast<QLabel *>(widget); strip && strip->pixmap().size() == QSize(72, 8))
        cells[3] = QStringLiteral("strip");
    QString colours;
    for (int c = 0; c < 5; ++c) {
        const QBrush brush = item->foreground(c);
        const QString name = brush.style() == Qt::NoBrush ? QString() : brush.color().name();
        colours += name.isEmpty() ? '.' : name == "#d32f2f" ? 'R' : name == "#ff9800" ? 'O' : name == "#b0b0b0" ? 'G' : '?';
    }
    return "  " + cells.join(QStringLiteral(" | ")) + " | " + colours;
}

// The fields the window needs from a record, for comparing records compactly.
QString keyFields(const PartitionInfo &p)
{
    return QStringLiteral("%1 %2 @%3 +%4 d%5 p%6 %7 %8 %9 t%10")
        .arg(p.id, p.isUnallocated ? "free" : "used")
        .arg(p.offset).arg(p.sizeBytes).arg(p.diskIndex).arg(p.partitionNumber)
        .arg(p.driveLetter, p.fileSystem, p.volumeLabel).arg(p.typeCode);
}

} // namespace

class TestDiskTree : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestMachine> m_machine;
    std::unique_ptr<MainWindow> m_window;
    QTreeWidget *m_tree = nullptr;

    QTreeWidgetItem *disk(int i) { return m_tree->topLevelItem(i); }

private slots:
    void initTestCase()
    {
        registerRecordMetaTypes();
        m_machine = std::make_unique<TestMachine>();
        TestMachine &tm = *m_machine;
        tm.setTimeScale(0.01);
        tm.setPartitionTypeProperty(true);
        using Vol = TestMachine::Vol;

        // GPT disk: EFI, MSR, C:, a 40 MiB gap, D:, a 60 MiB gap, recovery, free space at the end.
        tm.addDisk(0, 100 * kGiB, "GPT", "System Disk");
        tm.addPartition(0, kMiB, 100 * kMiB, "System", Vol("FAT32"));
        tm.addPartition(0, 101 * kMiB, 16 * kMiB, "MSR");
        tm.addPartition(0, 117 * kMiB, 40 * kGiB, "Primary", Vol("NTFS", "Windows", "C"));
        const qint64 dAt = 157 * kMiB + 40 * kGiB;
        tm.addPartition(0, dAt, 30 * kGiB, "Primary", Vol("NTFS", "Data", "D"));
        tm.addPartition(0, dAt + 30 * kGiB + 60 * kMiB, 500 * kMiB, "Recovery", Vol("NTFS"));
        // MBR disk: E:, a raw partition without letter or file system, free space after them.
        tm.addDisk(1, 50 * kGiB, "MBR", "Backup Disk");
        tm.addPartition(1, kMiB, 20 * kGiB, "Primary", Vol("NTFS", "Backup", "E"));
        tm.addPartition(1, kMiB + 20 * kGiB, 10 * kGiB, "Primary");
        tm.addDisk(2, 8 * kGiB, "GPT", "Empty Disk");
        QVERIFY(tm.write());

        m_window = std::make_unique<MainWindow>();
        m_window->show();
        m_tree = treeOf(*m_window);
        QVERIFY(waitUntilReady(*m_window));
    }

    void cleanupTestCase()
    {
        m_window.reset();
        m_machine.reset();
    }

    void contents()
    {
        QCOMPARE(m_tree->columnCount(), 5);
        for (int c = 0; c < 4; ++c) // the last column stretches to the tree's edge
            QCOMPARE(m_tree->columnWidth(c), (QList<int>{200, 100, 100, 120}).at(c));

        QStringList rows{describe(m_tree, m_tree->headerItem())};
        for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
            rows << describe(m_tree, disk(d));
            for (int i = 0; i < disk(d)->childCount(); ++i)
                rows << describe(m_tree, disk(d)->child(i));
        }
        // Without a drive letter the file system is not known to the volume map. The 40 MiB gap
        // after C: is left out, the 60 MiB gap after D: is shown.
        const QStringList expected{
            "Partition/Disk | File System | Size | Usage | Status",
            "Disk 0 (System Disk) |  | 100.00 GB | Online | GPT",
            "  Partition 1 | - | 100.00 MB | 0% | System | ....R",
            "  Partition 2 | - | 16.00 MB | 0% | System, MSR | ....R",
            "  C | NTFS | 40.00 GB | 40% | Boot, Data Partition | ....R",
            "  D | NTFS | 30.00 GB | 30% | Data Partition | ....O",
            "  Unallocated | - | 60.00 MB | strip | Unused Partition | GGGGG",
            "  Partition 5 | - | 500.00 MB | 0% | Recovery | ....O",
            "  Unallocated | - | 29.30 GB | strip | Unused Partition | GGGGG",
            "Disk 1 (Backup Disk) |  | 50.00 GB | Online | MBR",
            "  E | NTFS | 20.00 GB | 40% | Data Partition | ....O",
            "  Partition 2 | - | 10.00 GB | 20% | Data Partition | ....O",
            "  Unallocated | - | 20.00 GB | strip | Unused Partition | GGGGG",
            "Disk 2 (Empty Disk) |  | 8.00 GB | Online | GPT",
            "  Unallocated | - | 8.00 GB | strip | Unused Partition | GGGGG",
        };
        QCOMPARE(rows, expected);
    }

    // Every row carries the record enumeration gave, and the id, under its roles.
    void itemData()
    {
        WindowsStorageManager storage;
        QVERIFY(storage.initialize());
        for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
            QCOMPARE(disk(d)->data(0, Qt::UserRole).toString(), QString::number(d));
            QVERIFY(!disk(d)->data(0, Qt::UserRole + 1).isValid());
            QVERIFY(disk(d)->font(0).bold() && disk(d)->isExpanded());
            QStringList want, got;
            for (const PartitionInfo &p : storage.getPartitions(QString::number(d)))
                if (!p.isUnallocated || p.sizeBytes >= 50 * kMiB)
                    want << keyFields(p) << (p.isUnallocated ? QStringLiteral("unallocated") : p.id);
            for (int i = 0; i < disk(d)->childCount(); ++i) {
                QTreeWidgetItem *row = disk(d)->child(i);
                QVERIFY(row->data(0, Qt::UserRole + 1).canConvert<PartitionInfo>());
                got << keyFields(row->data(0, Qt::UserRole + 1).value<PartitionInfo>())
                    << row->data(0, Qt::UserRole).toString();
                QVERIFY(!row->icon(0).isNull());
            }
            QCOMPARE(got, want);
        }
        QTreeWidgetItem *gap = disk(0)->child(4);
        QCOMPARE(gap->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }

    void usagePercentRule_data()
    {
        QTest::addColumn<qint64>("part");
        QTest::addColumn<qint64>("disk");
        QTest::addColumn<int>("percent");
        QTest::newRow("truncated") << qint64(999) << qint64(1000) << 99;
        QTest::newRow("disk of size 0") << 40 * kGiB << qint64(0) << 0;
        QTest::newRow("partition larger than disk") << 3 * kGiB << 2 * kGiB << 100;
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
        QTest::addColumn<bool>("stored"); // false: the row's record is taken away first
        QTest::addColumn<QString>("id");
        QTest::newRow("disk row") << 0 << -1 << true << QString();
        QTest::newRow("C") << 0 << 2 << true << "0:3";
        QTest::newRow("unallocated") << 0 << 4 << true << QString();
        QTest::newRow("raw") << 1 << 1 << true << "1:2";
        // Completed from the storage layer.
        QTest::newRow("D without its record") << 0 << 3 << false << "0:4";
    }

    void selectedPartition()
    {
        QFETCH(int, diskRow);
        QFETCH(int, childRow);
        QFETCH(bool, stored);
        QTreeWidgetItem *item = childRow < 0 ? disk(diskRow) : disk(diskRow)->child(childRow);
        const QVariant record = item->data(0, Qt::UserRole + 1);
        if (!stored)
            item->setData(0, Qt::UserRole + 1, QVariant());
        m_tree->setCurrentItem(item);
        const PartitionInfo p = m_window->getSelectedPartition();
        item->setData(0, Qt::UserRole + 1, record);
        QTEST(p.id, "id");
        if (!p.id.isEmpty())
            QCOMPARE(keyFields(p), keyFields(record.value<PartitionInfo>()));
    }

    void diskMenuShowsInformation()
    {
        MessageBoxAnswerer boxes;
        QVERIFY(useContextMenu(m_tree, disk(0), [](QMenu *menu) { return menu->actions().constLast(); }));
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("Disk information"));
        QCOMPARE(boxes.at(0).text, QStringLiteral("Disk details\n\nDisk name: Disk 0 (System Disk)\nDisk ID: 0\n"
                                                  "Total capacity: 100.00 GB\nStatus: Online\n"
                                                  "Number of partitions: 7"));
    }

    // "New" only on free space; the other actions never on free space.
    void partitionMenuEntries()
    {
        for (int row : {2, 4}) {
            const bool unallocated = row == 4;
            QStringList texts;
            QVERIFY(useContextMenu(m_tree, disk(0)->child(row), [&](QMenu *menu) {
                for (QAction *a : menu->actions())
                    texts << a->text() + (a->isEnabled() ? "" : " (off)");
                return nullptr;
            }));
            QCOMPARE(texts.size(), 6);
            QVERIFY(texts.at(3).startsWith(QStringLiteral("🗑️ Delete")));
            for (int i = 0; i < 6; ++i)
                QVERIFY2(texts.at(i).endsWith(" (off)") || (i == 1) == unallocated, qPrintable(texts.join(',')));
        }
    }

    // Last: it changes the tree the other tests read.
    void diskMenuRefreshRebuildsTree()
    {
        m_machine->store().modify([](sim::Machine &m) {
            m.disk(2)->friendlyName = QStringLiteral("Renamed Disk");
            return true;
        });
        QVERIFY(useContextMenu(m_tree, disk(2), [](QMenu *menu) { return menu->actions().at(1); }));
        QTRY_COMPARE(disk(2)->text(0), QStringLiteral("Disk 2 (Renamed Disk)"));
        QVERIFY(!loadingPopupVisible(*m_window));
    }
};

QTEST_MAIN(TestDiskTree)
#include "tst_disktree.moc"
