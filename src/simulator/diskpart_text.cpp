#include "simulator/diskpart_text.h"

#include "simulator/geometry.h"

#include <QStringList>

#include <algorithm>

namespace sim {
namespace diskpart {

QString Wording::operator()(const char *english, const char *chineseText) const
{
    return QString::fromUtf8(chinese ? chineseText : english);
}

namespace {

bool typeIs(const Partition &p, const char *type) { return p.type.compare(QLatin1String(type), Qt::CaseInsensitive) == 0; }

QList<const Disk *> disksByNumber(const Machine &m)
{
    QList<const Disk *> out;
    for (const Disk &d : m.disks)
        out.append(&d);
    std::sort(out.begin(), out.end(), [](const Disk *a, const Disk *b) { return a->number < b->number; });
    return out;
}

// East Asian wide characters take two columns in a console.
int displayWidth(const QString &text)
{
    int w = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        const ushort u = c.unicode();
        w += (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3)
                     || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60)
                     || (u >= 0xFFE0 && u <= 0xFFE6) || c.isHighSurrogate()
                 ? 2
                 : 1;
    }
    return w;
}

struct Column
{
    int width;
    bool right = false;
    bool onScreen = false; // padded by display width in rows too (the object column)
};

QString pad(const QString &cell, const Column &col, bool byDisplayWidth)
{
    const int used = byDisplayWidth ? displayWidth(cell) : int(cell.size());
    const QString fill(std::max(0, col.width - used), QLatin1Char(' '));
    return col.right ? fill + cell : cell + fill;
}

QString line(bool selected, const QStringList &cells, const QList<Column> &cols, bool header = false)
{
    QString out = selected ? QStringLiteral("* ") : QStringLiteral("  ");
    for (int i = 0; i < cells.size() && i < cols.size(); ++i) {
        if (i > 0)
            out += QStringLiteral("  ");
        out += pad(cells[i], cols[i], header || cols[i].onScreen);
    }
    while (out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

QString dashes(const QList<Column> &cols)
{
    QStringList cells;
    for (const Column &c : cols)
        cells << QString(c.width, QLatin1Char('-'));
    return line(false, cells, cols);
}

// "Volume 3  ", "卷     3  ": the object word takes the English word's columns on screen.
QString objectCell(const QString &word, int englishLength, int number)
{
    return pad(word, Column{englishLength}, true) + QLatin1Char(' ') + QString::number(number).leftJustified(3);
}

const QList<Column> kVolumeColumns = {{10, false, true}, {3}, {11}, {5}, {10}, {7, true}, {9}, {8}};
const QList<Column> kPartitionColumns = {{13, false, true}, {16}, {7, true}, {7, true}};
const QList<Column> kDiskColumns = {{8, false, true}, {13}, {7, true}, {7, true}, {3}, {3}};

QString volumeHeader(const Wording &w)
{
    const QStringList cells = w.chinese
        ? QStringList{QStringLiteral("卷 ###"), QStringLiteral("LTR"), QStringLiteral("标签"), QStringLiteral("FS"), QStringLiteral("类型"),
                      QStringLiteral("大小"), QStringLiteral("状态"), QStringLiteral("信息")}
        : QStringList{QStringLiteral("Volume ###"), QStringLiteral("Ltr"), QStringLiteral("Label"),
                      QStringLiteral("Fs"), QStringLiteral("Type"), QStringLiteral("Size"), QStringLiteral("Status"),
                      QStringLiteral("Info")};
    // The header's size title is left-aligned, unlike the sizes under it.
    QList<Column> cols = kVolumeColumns;
    cols[5].right = false;
    return line(false, cells, cols, true) + QLatin1Char('\n') + dashes(kVolumeColumns);
}

QString volumeRow(const Disk &disk, const Partition &p, int number, bool selected, const Wording &w)
{
    const Volume &v = *p.volume;
    QString info;
    if (v.letter == QLatin1String("C"))
        info = w("Boot", "启动");
    else if (typeIs(p, "System") || typeIs(p, "EFI"))
        info = w("System", "系统");
    else if ((typeIs(p, "Recovery") || typeIs(p, "OEM")) && v.letter.isEmpty())
        info = w("Hidden", "隐藏");
    const QStringList cells = {
        objectCell(w("Volume", "卷"), 6, number),
        v.letter.isEmpty() ? QString() : QLatin1Char(' ') + v.letter,
        v.label.left(11),
        v.fileSystem.isEmpty() ? QStringLiteral("RAW") : v.fileSystem,
        disk.removable ? w("Removable", "可移动") : w("Partition", "磁盘分区"),
        sizeText(p.size),
        w("Healthy", "正常"),
        info,
    };
    return line(selected, cells, kVolumeColumns);
}

} // namespace

QList<VolumeRef> volumeOrder(const Machine &machine)
{
    QList<VolumeRef> out;
    for (const Disk *d : disksByNumber(machine)) {
        QList<const Partition *> parts;
        for (const Partition &p : d->partitions)
            if (p.volume)
                parts.append(&p);
        std::stable_sort(parts.begin(), parts.end(),
                         [](const Partition *a, const Partition *b) { return a->offset < b->offset; });
        for (const Partition *p : parts)
            out.append(VolumeRef{d->number, p->number});
    }
    return out;
}

int volumeNumber(const Machine &machine, int disk, int partition)
{
    const QList<VolumeRef> order = volumeOrder(machine);
    for (int i = 0; i < order.size(); ++i)
        if (order[i].disk == disk && order[i].partition == partition)
            return i;
    return -1;
}

QString sizeText(qint64 bytes)
{
    static const char *const units[] = {"B", "KB", "MB", "GB", "TB", "PB"};
    qint64 value = std::max<qint64>(0, bytes);
    int unit = 0;
    while (value >= 10240 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    return QString::number(value).rightJustified(4) + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString partitionTypeText(const Disk &disk, const Partition &p, const Wording &w)
{
    if (typeIs(p, "EFI") || (typeIs(p, "System") && !geometry::isMbr(disk)))
        return w("System", "系统");
    if (typeIs(p, "MSR"))
        return w("Reserved", "保留");
    if (typeIs(p, "Primary") || typeIs(p, "System"))
        return w("Primary", "主要");
    if (typeIs(p, "Extended"))
        return w("Extended", "扩展的");
    if (typeIs(p, "Logical"))
        return w("Logical", "逻辑");
    if (typeIs(p, "Recovery"))
        return w("Recovery", "恢复");
    if (typeIs(p, "OEM"))
        return QStringLiteral("OEM");
    return w("Unknown", "未知");
}

QString listDisks(const Machine &machine, int selectedDisk, const Wording &w)
{
    QStringList out;
    const QStringList header = w.chinese
        ? QStringList{QStringLiteral("磁盘 ###"), QStringLiteral("状态"), QStringLiteral("大小"), QStringLiteral("可用"), QStringLiteral("Dyn"),
                      QStringLiteral("Gpt")}
        : QStringList{QStringLiteral("Disk ###"), QStringLiteral("Status"), QStringLiteral("Size"),
                      QStringLiteral("Free"), QStringLiteral("Dyn"), QStringLiteral("Gpt")};
    QList<Column> headerCols = kDiskColumns;
    headerCols[2].right = headerCols[3].right = false;
    out << line(false, header, headerCols, true) << dashes(kDiskColumns);
    for (const Disk *d : disksByNumber(machine)) {
        qint64 free = 0;
        for (const geometry::Extent &e : geometry::freeExtents(*d))
            free += e.size;
        const bool online = d->operationalStatus.compare(QLatin1String("Offline"), Qt::CaseInsensitive) != 0;
        out << line(d->number == selectedDisk,
                    {objectCell(w("Disk", "磁盘"), 4, d->number), online ? w("Online", "联机") : w("Offline", "脱机"),
                     sizeText(d->size), sizeText(free), QString(),
                     geometry::isGpt(*d) ? QStringLiteral(" *") : QString()},
                    kDiskColumns);
    }
    return out.join(QLatin1Char('\n'));
}

QString listPartitions(const Disk &disk, int selectedPartition, const Wording &w)
{
    if (disk.partitions.isEmpty())
        return w("There are no partitions on this disk to show.", "此磁盘上没有要显示的分区。");
    QStringList out;
    const QStringList header = w.chinese ? QStringList{QStringLiteral("分区 ###"), QStringLiteral("类型"), QStringLiteral("大小"), QStringLiteral("偏移量")}
                                         : QStringList{QStringLiteral("Partition ###"), QStringLiteral("Type"),
                                                       QStringLiteral("Size"), QStringLiteral("Offset")};
    QList<Column> headerCols = kPartitionColumns;
    headerCols[2].right = headerCols[3].right = false;
    out << line(false, header, headerCols, true) << dashes(kPartitionColumns);
    QList<const Partition *> parts;
    for (const Partition &p : disk.partitions)
        parts.append(&p);
    std::stable_sort(parts.begin(), parts.end(),
                     [](const Partition *a, const Partition *b) { return a->offset < b->offset; });
    for (const Partition *p : parts)
        out << line(p->number == selectedPartition,
                    {objectCell(w("Partition", "分区"), 9, p->number), partitionTypeText(disk, *p, w),
                     sizeText(p->size), sizeText(p->offset)},
                    kPartitionColumns);
    return out.join(QLatin1Char('\n'));
}

QString listVolumes(const Machine &machine, int selectedVolume, const Wording &w)
{
    const QList<VolumeRef> order = volumeOrder(machine);
    if (order.isEmpty())
        return w("There are no volumes.", "没有卷。");
    QStringList out{volumeHeader(w)};
    for (int i = 0; i < order.size(); ++i) {
        const Disk *d = machine.disk(order[i].disk);
        for (const Partition &p : d->partitions)
            if (p.number == order[i].partition)
                out << volumeRow(*d, p, i, i == selectedVolume, w);
    }
    return out.join(QLatin1Char('\n'));
}

QString detailPartition(const Machine &machine, const Disk &disk, const Partition &p, int selectedVolume,
                        const Wording &w)
{
    const auto yesNo = [&w](bool v) { return v ? w("Yes", "是") : w("No", "否"); };
    QStringList out{w("Partition %1", "分区 %1").arg(p.number)};
    const bool recovery = typeIs(p, "Recovery") || typeIs(p, "OEM");
    if (geometry::isMbr(disk)) {
        QString code = QStringLiteral("07");
        if (typeIs(p, "Extended"))
            code = QStringLiteral("0F");
        else if (typeIs(p, "Recovery"))
            code = QStringLiteral("27");
        else if (typeIs(p, "OEM"))
            code = QStringLiteral("12");
        else if (p.volume && p.volume->fileSystem == QLatin1String("FAT32"))
            code = QStringLiteral("0C");
        else if (p.volume && p.volume->fileSystem == QLatin1String("FAT"))
            code = QStringLiteral("06");
        out << w("Type  : %1", "类型  : %1").arg(code) << w("Hidden: %1", "隐藏: %1").arg(yesNo(recovery))
            << w("Active: %1", "活动: %1").arg(yesNo(p.active));
    } else {
        QString guid = QStringLiteral("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7");
        if (typeIs(p, "EFI") || typeIs(p, "System"))
            guid = QStringLiteral("c12a7328-f81f-11d2-ba4b-00a0c93ec93b");
        else if (typeIs(p, "MSR"))
            guid = QStringLiteral("e3c9e316-0b5c-4db8-817d-f92df00215ae");
        else if (typeIs(p, "Recovery"))
            guid = QStringLiteral("de94bba4-06d1-4d40-a16a-bfd50179d6ac");
        const bool hidden = recovery || typeIs(p, "EFI") || typeIs(p, "System") || typeIs(p, "MSR");
        const QString attrib = recovery ? QStringLiteral("0X8000000000000001")
                               : hidden ? QStringLiteral("0X8000000000000000")
                                        : QStringLiteral("0000000000000000");
        out << w("Type    : %1", "类型    : %1").arg(guid) << w("Hidden  : %1", "隐藏    : %1").arg(yesNo(hidden))
            << w("Required: %1", "必需    : %1").arg(yesNo(recovery)) << w("Attrib  : %1", "属性    : %1").arg(attrib);
    }
    out << w("Offset in Bytes: %1", "偏移字节: %1").arg(p.offset) << QString();
    if (!p.volume) {
        out << w("There is no volume associated with this partition.", "没有与此分区关联的卷。");
    } else {
        const int number = volumeNumber(machine, disk.number, p.number);
        out << volumeHeader(w) << volumeRow(disk, p, number, number == selectedVolume, w);
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace diskpart
} // namespace sim
