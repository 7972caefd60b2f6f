// The disk tree built from a simulated machine: columns, item data, colours, hidden gaps,
// usage bars, the selection reader and the context menus.
#include "support/guitestmain.h"
#include "app/usagewidgets.h"
#include "storage/windowsstoragemanager.h"
#include "support/messageboxanswerer.h"
#include "support/testmachine.h"
#include "windowtesting.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStandardItemModel>

using sim::kGiB;
using sim::kMiB;

namespace {

// One row as "texts | colours", partition rows indented: the Usage cell shows the bar's value or
// "strip", colours one letter per column (. none, R system red, O data orange, G unallocated grey).
QString describe(QTreeWidget *tree, QTreeWidgetItem *item)
{
    static const QHash<QString, char> known{{"#d32f2f", 'R'}, {"#ff9800", 'O'}, {"#b0b0b0", 'G'}};
    QStringList cells;
    QString colours;
    for (int c = 0; c < 5; ++c) {
        cells << item->text(c);
        const QBrush brush = item->foreground(c);
        colours += brush.style() == Qt::NoBrush ? '.' : known.value(brush.color().name(), '?');
    }
    Q_UNUSED(tree);
    const QVariant usage = item->data(3, UsageDelegate::Role);
    if (usage.isValid())
        cells[3] = usage.toInt() == UsageDelegate::Strip ? QStringLiteral("strip") : QString::number(usage.toInt()) + '%';
    return (item->parent() ? "  " : "") + cells.join(QStringLiteral(" | ")) + " | " + colours;
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

class TestDiskTree : public QObject, WindowFixture
{
    Q_OBJECT

    QTreeWidgetItem *disk(int i) { return m_tree->topLevelItem(i); }

private slots:
    void initTestCase()
    {
        m_machine = std::make_unique<TestMachine>();
        TestMachine &tm = *m_machine;
        tm.setTimeScale(0.01);
        tm.setPartitionTypeProperty(true);
        using Vol = TestMachine::Vol;

        // GPT disk: EFI, MSR, C:, a gap a sector short of 50 MiB, D:, a gap of exactly 50 MiB,
        // recovery, free space at the end.
        tm.addDisk(0, 100 * kGiB, "GPT", "System Disk");
        tm.addPartition(0, kMiB, 100 * kMiB, "System", Vol("FAT32"));
        tm.addPartition(0, 101 * kMiB, 16 * kMiB, "MSR");
        tm.addPartition(0, 117 * kMiB, 40 * kGiB, "Primary", Vol("NTFS", "Windows", "C"));
        const qint64 dAt = 117 * kMiB + 40 * kGiB + 50 * kMiB - 512;
        tm.addPartition(0, dAt, 30 * kGiB, "Primary", Vol("NTFS", "Data", "D"));
        tm.addPartition(0, dAt + 30 * kGiB + 50 * kMiB, 500 * kMiB, "Recovery", Vol("NTFS"));
        // MBR disk: E:, one sector of slack, a raw partition without letter or file system, free
        // space after them.
        tm.addDisk(1, 50 * kGiB, "MBR", "Backup Disk");
        tm.addPartition(1, kMiB, 20 * kGiB, "Primary", Vol("NTFS", "Backup", "E"));
        tm.addPartition(1, kMiB + 20 * kGiB + 512, 10 * kGiB, "Primary");
        tm.addDisk(2, 8 * kGiB, "GPT", "Empty Disk");
        QVERIFY(tm.write());

        QVERIFY(showWindow());
    }

    // The rows as text, and under their roles the id and the very record enumeration gave.
    void contents()
    {
        WindowsStorageManager storage;
        QVERIFY(storage.initialize());
        QStringList rows{describe(m_tree, m_tree->headerItem())}, stored, enumerated;
        for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
            rows << describe(m_tree, disk(d));
            for (const PartitionInfo &p : storage.getPartitions(QString::number(d)))
                if (!p.isUnallocated || p.sizeBytes >= 50 * kMiB)
                    enumerated << keyFields(p) + " | " + (p.isUnallocated ? QStringLiteral("unallocated") : p.id);
            for (int i = 0; i < disk(d)->childCount(); ++i) {
                QTreeWidgetItem *row = disk(d)->child(i);
                rows << describe(m_tree, row);
                stored << keyFields(row->data(0, Qt::UserRole + 1).value<PartitionInfo>()) + " | "
                              + row->data(0, Qt::UserRole).toString();
            }
        }
        // Without a drive letter the file system is not known to the volume map. The gap after C:
        // is left out, the 50 MiB after D: is shown; a sector of slack is not even a record.
        QCOMPARE(storage.getPartitions("1").size(), 4); // the first MiB, E:, the raw partition, the free space
        QCOMPARE(rows, (QStringList{
            "Partition/Disk | File System | Size | Usage | Status | .....",
            "Disk 0 (System Disk) |  | 100.00 GB | Online | GPT | .....",
            "  Partition 1 | - | 100.00 MB | 0% | System | ....R",
            "  Partition 2 | - | 16.00 MB | 0% | System, MSR | ....R",
            "  C | NTFS | 40.00 GB | 40% | Boot, Data Partition | ....R",
            "  D | NTFS | 30.00 GB | 30% | Data Partition | ....O",
            "  Unallocated | - | 50.00 MB | strip | Unused Partition | GGGGG",
            "  Partition 5 | - | 500.00 MB | 0% | Recovery | ....O",
            "  Unallocated | - | 29.30 GB | strip | Unused Partition | GGGGG",
            "Disk 1 (Backup Disk) |  | 50.00 GB | Online | MBR | .....",
            "  E | NTFS | 20.00 GB | 40% | Data Partition | ....O",
            "  Partition 2 | - | 10.00 GB | 20% | Data Partition | ....O",
            "  Unallocated | - | 20.00 GB | strip | Unused Partition | GGGGG",
            "Disk 2 (Empty Disk) |  | 8.00 GB | Online | GPT | .....",
            "  Unallocated | - | 8.00 GB | strip | Unused Partition | GGGGG",
        }));
        QCOMPARE(stored, enumerated);
        // Long disk names are elided in the column, so the disk row says its name as a hint; each
        // disk opens on its rows in bold, and every partition row carries the partition picture.
        for (int d = 0; d < m_tree->topLevelItemCount(); ++d) {
            QVERIFY(disk(d)->toolTip(0) == disk(d)->text(0) && disk(d)->isExpanded() && disk(d)->font(0).bold());
            for (int i = 0; i < disk(d)->childCount(); ++i)
                QVERIFY(!disk(d)->child(i)->icon(0).pixmap(16).isNull());
        }
    }

    // Truncated; 0 for a disk of size 0; clamped when a size is beyond its disk or negative.
    void usagePercentRule()
    {
        QCOMPARE(usagePercent(999, 1000), 99);
        QCOMPARE(usagePercent(40 * kGiB, 0), 0);
        QCOMPARE(usagePercent(3 * kGiB, 2 * kGiB), 100);
        QCOMPARE(usagePercent(-kGiB, 2 * kGiB), 0);

        // The bar's green part is its share of the cell, down to one pixel.
        UsageDelegate delegate;
        QStandardItemModel model(1, 1);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 100, 20);
        QList<int> widths;
        for (int value : {0, 1, 37, 100, 130}) {
            model.setData(model.index(0, 0), value, UsageDelegate::Role);
            QImage cell(100, 20, QImage::Format_RGB32);
            cell.fill(Qt::white);
            QPainter painter(&cell);
            delegate.paint(&painter, option, model.index(0, 0));
            painter.end();
            widths << 0;
            for (int x = 0; x < 100; ++x)
                widths.last() += cell.pixelColor(x, 10).red() < 0xb0; // the fill's red is 0x73, the track's 0xe3
        }
        QCOMPARE(widths, (QList<int>{0, 1, 37, 100, 100}));
    }

    // Last, as the refresh rebuilds the tree. A partition's menu enables Resize/Move, Format,
    // Delete, Merge and Split, free space's only New; the disk menu informs and refreshes.
    void contextMenus()
    {
        QStringList enabled;
        for (int row : {2, 4})
            QVERIFY(useContextMenu(m_tree, disk(0)->child(row), [&](QMenu *menu) {
                enabled << QString();
                for (QAction *a : menu->actions())
                    enabled.last() += QStringLiteral("%1%2|").arg(a->isEnabled() ? '+' : '-').arg(a->text());
                return nullptr;
            }));
        QCOMPARE(QString(enabled.at(1)).remove(QRegularExpression("[^+-]")), "-+----+--"); // free space
        QCOMPARE(enabled.at(0), "+↔️ Resize/Move|-➕ New|+📁 Format|+🗑️ Delete|+🔗 Merge|+🔀 Split|+|"
                                "+🔤 Change Drive Letter…|+🏷️ Rename Volume…|");

        MessageBoxAnswerer boxes;
        bool initializeOffered = true; // disk 0 has a partition table
        QVERIFY(useContextMenu(m_tree, disk(0), [&](QMenu *menu) {
            initializeOffered = menu->actions().constLast()->isEnabled();
            return menu->actions().at(menu->actions().size() - 3);
        }));
        QVERIFY(!initializeOffered);
        QVERIFY(boxes.waitFor(1));
        QCOMPARE(boxes.at(0).title, QStringLiteral("Disk information"));
        QCOMPARE(boxes.at(0).text, QStringLiteral("Disk details\n\nDisk name: Disk 0 (System Disk)\nDisk ID: 0\n"
                                                  "Total capacity: 100.00 GB\nStatus: Online\nNumber of partitions: 7"));

        m_machine->store().modify([](sim::Machine &m) {
            m.disk(2)->friendlyName = QStringLiteral("Renamed Disk");
            return true;
        });
        QVERIFY(useContextMenu(m_tree, disk(2), [](QMenu *menu) { return menu->actions().at(1); }));
        QTRY_COMPARE(disk(2)->text(0), QStringLiteral("Disk 2 (Renamed Disk)"));
    }
};

TESSALINE_GUI_TEST_MAIN(TestDiskTree)
#include "tst_disktree.moc"
