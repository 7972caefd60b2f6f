#include "simulator/geometry.h"

#include <QRandomGenerator>
#include <QUuid>

#include <algorithm>
#include <limits>

namespace sim {
namespace geometry {

namespace {

bool isLogical(const Partition &p) { return p.type == QLatin1String("Logical"); }
bool isExtended(const Partition &p) { return p.type == QLatin1String("Extended"); }

qint64 sectorSize(const Disk &disk) { return disk.logicalSectorSize > 0 ? disk.logicalSectorSize : 512; }

// Non-logical partitions ascending by offset: the disk's primary layer.
QList<const Partition *> primaryLayer(const Disk &disk)
{
    QList<const Partition *> out;
    for (const Partition &p : disk.partitions)
        if (!isLogical(p))
            out.append(&p);
    std::sort(out.begin(), out.end(), [](const Partition *a, const Partition *b) { return a->offset < b->offset; });
    return out;
}

QList<Extent> gapsWithin(const Extent &range, const QList<const Partition *> &occupied)
{
    QList<Extent> out;
    qint64 cursor = range.offset;
    auto addGap = [&](qint64 from, qint64 to) {
        const qint64 b = alignUp(std::max(from, range.offset));
        const qint64 e = alignDown(std::min(to, range.end()));
        if (e - b >= kAlignment)
            out.append(Extent{b, e - b});
    };
    for (const Partition *p : occupied) {
        if (p->offset > cursor)
            addGap(cursor, p->offset);
        cursor = std::max(cursor, p->offset + p->size);
    }
    if (cursor < range.end())
        addGap(cursor, range.end());
    return out;
}

} // namespace

qint64 alignUp(qint64 value, qint64 alignment)
{
    if (alignment <= 0)
        return value;
    const qint64 r = value % alignment;
    if (r == 0)
        return value;
    if (value < 0)
        return value - r;
    // A requested size near INT64_MAX saturates instead of wrapping.
    const qint64 step = alignment - r;
    return value > std::numeric_limits<qint64>::max() - step ? std::numeric_limits<qint64>::max() : value + step;
}

qint64 alignDown(qint64 value, qint64 alignment)
{
    if (alignment <= 0)
        return value;
    const qint64 r = value % alignment;
    if (r == 0)
        return value;
    return value >= 0 ? value - r : value - (alignment + r);
}

bool isGpt(const Disk &disk) { return disk.partitionStyle.compare(QLatin1String("GPT"), Qt::CaseInsensitive) == 0; }
bool isMbr(const Disk &disk) { return disk.partitionStyle.compare(QLatin1String("MBR"), Qt::CaseInsensitive) == 0; }

bool isBootPartition(const Partition &partition)
{
    return partition.volume && partition.volume->letter == QLatin1String("C");
}

bool isSystemPartition(const Disk &disk, const Partition &partition)
{
    if (std::none_of(disk.partitions.cbegin(), disk.partitions.cend(), isBootPartition))
        return false;
    if (isGpt(disk))
        return partition.type == QLatin1String("System") || partition.type == QLatin1String("EFI");
    return partition.active;
}

Extent usableRangeIgnoringMbrLimit(const Disk &disk)
{
    const qint64 sector = sectorSize(disk);
    if (isGpt(disk)) {
        const qint64 begin = kGptHeadSectors * sector;
        const qint64 end = disk.size - kGptTailSectors * sector;
        return end > begin ? Extent{begin, end - begin} : Extent{};
    }
    if (isMbr(disk))
        return disk.size > sector ? Extent{sector, disk.size - sector} : Extent{};
    return Extent{};
}

Extent usableRange(const Disk &disk)
{
    Extent r = usableRangeIgnoringMbrLimit(disk);
    if (isMbr(disk) && r.end() > kMbrLimit)
        r.size = std::max<qint64>(0, kMbrLimit - r.offset);
    return r;
}

QList<Extent> freeExtents(const Disk &disk)
{
    const Extent range = usableRange(disk);
    if (range.isEmpty())
        return {};
    return gapsWithin(range, primaryLayer(disk));
}

Extent largestFreeExtent(const Disk &disk)
{
    Extent best;
    for (const Extent &e : freeExtents(disk))
        if (e.size > best.size)
            best = e;
    return best;
}

Extent freeExtentAfter(const Disk &disk, const Partition &partition)
{
    const qint64 start = partition.offset + partition.size;
    qint64 limit = usableRange(disk).end();
    const bool logical = isLogical(partition);
    if (logical) {
        for (const Partition &p : disk.partitions)
            if (isExtended(p) && p.offset <= partition.offset && p.offset + p.size >= start)
                limit = p.offset + p.size;
    }
    for (const Partition &p : disk.partitions) {
        if (p.number == partition.number || isLogical(p) != logical)
            continue;
        // A logical drive's boot record sits in the unit before it: a neighbour never grows over it.
        const qint64 held = logical ? std::max(start, p.offset - kAlignment) : p.offset;
        if (p.offset >= start && held < limit)
            limit = held;
        else if (p.offset < start && p.offset + p.size > start)
            return Extent{start, 0}; // something overlaps our end: no room at all
    }
    // The boundary of the following partition is exact; only the disk's end is aligned.
    bool neighbourLimits = false;
    for (const Partition &p : disk.partitions)
        if (p.number != partition.number && isLogical(p) == logical
            && (logical ? std::max(start, p.offset - kAlignment) : p.offset) == limit)
            neighbourLimits = true;
    const qint64 end = neighbourLimits ? limit : alignDown(limit);
    return Extent{start, std::max<qint64>(0, end - start)};
}

int tableEntriesUsed(const Disk &disk)
{
    if (isMbr(disk))
        return int(std::count_if(disk.partitions.cbegin(), disk.partitions.cend(),
                                 [](const Partition &p) { return !isLogical(p); }));
    return int(disk.partitions.size());
}

bool tableFull(const Disk &disk)
{
    if (isMbr(disk))
        return tableEntriesUsed(disk) >= kMbrMaxPrimary;
    return tableEntriesUsed(disk) >= kGptMaxPartitions;
}

int lowestUnusedNumber(const Disk &disk)
{
    for (int n = 1;; ++n) {
        const bool used = std::any_of(disk.partitions.cbegin(), disk.partitions.cend(),
                                      [n](const Partition &p) { return p.number == n; });
        if (!used)
            return n;
    }
}

bool overlaps(const Disk &disk, qint64 offset, qint64 size, bool logical, int ignoreNumber)
{
    for (const Partition &p : disk.partitions) {
        if (p.number == ignoreNumber || isLogical(p) != logical)
            continue;
        if (offset < p.offset + p.size && p.offset < offset + size)
            return true;
    }
    return false;
}

void sortPartitions(Disk &disk)
{
    std::stable_sort(disk.partitions.begin(), disk.partitions.end(),
                     [](const Partition &a, const Partition &b) { return a.offset < b.offset; });
}

Placement placePartition(const Disk &disk, qint64 size, qint64 offset, Strategy strategy, Extent *out)
{
    if (!isGpt(disk) && !isMbr(disk))
        return Placement::NotInitialized;
    if (size < 0)
        return Placement::InvalidSize;
    if (tableFull(disk))
        return Placement::TableFull;
    const qint64 wanted = alignUp(size, sectorSize(disk));
    const QList<Extent> extents = freeExtents(disk);

    auto finish = [&](qint64 at, qint64 available) {
        const qint64 len = wanted == 0 ? available : wanted;
        if (len <= 0 || len > available)
            return false;
        if (out)
            *out = Extent{at, len};
        return true;
    };
    // Would the request fit if MBR could address the whole disk?
    auto fitsPastMbrLimit = [&](qint64 at) {
        if (!isMbr(disk) || usableRangeIgnoringMbrLimit(disk).end() <= kMbrLimit)
            return false;
        const Extent range = usableRangeIgnoringMbrLimit(disk);
        const QList<Extent> all = gapsWithin(range, primaryLayer(disk));
        for (const Extent &e : all) {
            if (at >= 0 && !(at >= e.offset && at < e.end()))
                continue;
            const qint64 from = at >= 0 ? at : e.offset;
            if (wanted > 0 && wanted <= e.end() - from)
                return true;
            if (at >= 0 && from >= kMbrLimit)
                return true;
        }
        return false;
    };

    if (offset >= 0) {
        const qint64 at = alignUp(offset);
        for (const Extent &e : extents) {
            if (at >= e.offset && at < e.end()) {
                if (finish(at, e.end() - at))
                    return Placement::Ok;
                return fitsPastMbrLimit(at) ? Placement::BeyondMbrLimit : Placement::NoSpace;
            }
        }
        return fitsPastMbrLimit(at) ? Placement::BeyondMbrLimit : Placement::InvalidOffset;
    }

    if (strategy == Strategy::First) {
        for (const Extent &e : extents)
            if (finish(e.offset, e.size))
                return Placement::Ok;
    } else {
        const Extent best = largestFreeExtent(disk);
        if (!best.isEmpty() && finish(best.offset, best.size))
            return Placement::Ok;
    }
    return fitsPastMbrLimit(-1) ? Placement::BeyondMbrLimit : Placement::NoSpace;
}

const Partition *extendedPartition(const Disk &disk)
{
    if (!isMbr(disk))
        return nullptr;
    for (const Partition &p : disk.partitions)
        if (isExtended(p))
            return &p;
    return nullptr;
}

QList<Extent> logicalFreeExtents(const Disk &disk)
{
    const Partition *extended = extendedPartition(disk);
    if (!extended)
        return {};
    // Each logical drive also holds the unit before it, where its boot record lives.
    QList<Partition> held;
    for (const Partition &p : disk.partitions) {
        if (isLogical(p)) {
            Partition withRecord = p;
            withRecord.offset = std::max(extended->offset, p.offset - kAlignment);
            withRecord.size = p.offset + p.size - withRecord.offset;
            held.append(withRecord);
        }
    }
    QList<const Partition *> occupied;
    for (const Partition &p : held)
        occupied.append(&p);
    std::sort(occupied.begin(), occupied.end(), [](const Partition *a, const Partition *b) { return a->offset < b->offset; });
    QList<Extent> out;
    for (const Extent &gap : gapsWithin(Extent{extended->offset, extended->size}, occupied)) {
        if (gap.size - kAlignment >= kAlignment)
            out.append(Extent{gap.offset + kAlignment, gap.size - kAlignment});
    }
    return out;
}

Placement placeLogicalPartition(const Disk &disk, qint64 size, qint64 offset, Extent *out)
{
    if (size < 0)
        return Placement::InvalidSize;
    const qint64 wanted = alignUp(size, sectorSize(disk));
    const QList<Extent> extents = logicalFreeExtents(disk);
    Extent chosen;
    qint64 at = -1;
    if (offset >= 0) {
        at = alignUp(offset);
        for (const Extent &e : extents)
            if (at >= e.offset && at < e.end())
                chosen = e;
        if (chosen.isEmpty())
            return Placement::InvalidOffset;
    } else {
        for (const Extent &e : extents)
            if (e.size > chosen.size)
                chosen = e;
        at = chosen.offset;
    }
    const qint64 available = chosen.end() - at;
    const qint64 len = wanted == 0 ? available : wanted;
    if (chosen.isEmpty() || len <= 0 || len > available)
        return Placement::NoSpace;
    if (out)
        *out = Extent{at, len};
    return Placement::Ok;
}

QString placementText(Placement placement)
{
    switch (placement) {
    case Placement::Ok: return QStringLiteral("ok");
    case Placement::NotInitialized: return QStringLiteral("the disk is not initialized");
    case Placement::TableFull: return QStringLiteral("the partition table is full");
    case Placement::NoSpace: return QStringLiteral("not enough free space");
    case Placement::BeyondMbrLimit: return QStringLiteral("only the first 2 TB are usable on MBR");
    case Placement::InvalidOffset: return QStringLiteral("the offset is not in free space");
    case Placement::InvalidSize: return QStringLiteral("invalid size");
    }
    return QString();
}

QString newVolumeSerial()
{
    const quint32 v = QRandomGenerator::global()->generate();
    return QStringLiteral("%1-%2")
        .arg(v >> 16, 4, 16, QLatin1Char('0'))
        .arg(v & 0xFFFF, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString newGuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

quint32 serialValue(const QString &serial)
{
    QString hex = serial;
    hex.remove(QLatin1Char('-'));
    bool ok = false;
    const quint32 v = hex.toUInt(&ok, 16);
    return ok ? v : 0;
}

} // namespace geometry
} // namespace sim
