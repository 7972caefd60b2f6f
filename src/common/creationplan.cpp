#include "creationplan.h"

#include "common/sizetext.h"

#include <QCoreApplication>

#include <algorithm>

namespace creationplan {
namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;
// The provider starts every partition on a MiB boundary.
constexpr qint64 Alignment = MiB;
constexpr int MbrTableEntries = 4;
constexpr int GptTableEntries = 128;

qint64 alignUp(qint64 value)
{
    return (value + Alignment - 1) / Alignment * Alignment;
}


// The request grown by what the file system itself takes, so the volume gets what was asked.
qint64 overheadCompensated(qint64 sizeBytes, const QString &fileSystem)
{
    const QString fs = fileSystem.toUpper();
    double factor = 1.0;
    if (fs == QLatin1String("NTFS"))
        factor = 1.02;
    else if (fs == QLatin1String("FAT32"))
        factor = 1.015;
    else if (fs == QLatin1String("EXFAT"))
        factor = 1.01;
    return static_cast<qint64>(static_cast<double>(sizeBytes) * factor);
}

// The step partition sizes are rounded to.
qint64 granularity(int partitionStyle)
{
    return partitionStyle == GptStyle ? MiB : 512 * 1024;
}

} // namespace

QString tableRefusal(const Region &region, int wanted)
{
    const int freeEntries = region.freeTableEntries;
    if (freeEntries < 0 || wanted <= freeEntries)
        return QString();
    if (freeEntries == 0) {
        return region.partitionStyle == MbrStyle
                   ? QCoreApplication::translate("CreationPlan", "The partition table of this MBR disk is full (4 primary partitions, an extended "
                          "partition counting as one). Delete a partition first, or convert the disk to GPT.")
                   : QCoreApplication::translate("CreationPlan", "The partition table of this disk is full (%1 partitions).").arg(GptTableEntries);
    }
    return QCoreApplication::translate("CreationPlan", "The partition table of this disk can take %1 more; the plan has %2 partitions.")
        .arg(freeEntries)
        .arg(wanted);
}

qint64 reserveFor(qint64 freeBytes, qint64 diskSize)
{
    if (diskSize <= 0)
        return 100 * MiB;
    if (diskSize < 32 * GiB)
        return 50 * MiB;
    if (diskSize < 500 * GiB)
        return std::max(freeBytes / 200, 100 * MiB);
    return std::max(freeBytes / 100, 500 * MiB);
}

qint64 requestedSize(qint64 sizeBytes, const QString &fileSystem, int partitionStyle)
{
    const qint64 step = granularity(partitionStyle);
    const qint64 rounded = overheadCompensated(sizeBytes, fileSystem) + step - 1;
    return std::max(rounded - rounded % step, MinimumPartitionSize);
}

qint64 sizeToAsk(qint64 sizeBytes, const QString &fileSystem, int partitionStyle, qint64 freeBytes, qint64 diskSize)
{
    const qint64 step = granularity(partitionStyle);
    const qint64 size = requestedSize(sizeBytes, fileSystem, partitionStyle);
    const qint64 usable = freeBytes - reserveFor(freeBytes, diskSize);
    if (size <= usable)
        return size;
    const qint64 adjusted = usable - usable % step;
    return adjusted >= MinimumPartitionSize ? adjusted : 0;
}

Region regionOf(const PartitionInfo &free, int partitionStyle, const QList<PartitionInfo> &layout)
{
    Region region;
    region.partitionStyle = partitionStyle;
    if (isLogicalFreeSpace(free)) {
        // Logical drives take no entry of the disk's table; the record already leaves the
        // first boot record's room.
        region.logical = true;
        region.offset = free.offsetBytes;
        region.size = free.sizeBytes;
        return region;
    }
    // A record that starts the disk includes the partition table's first MiB.
    region.offset = std::max(free.offsetBytes, FirstPartitionOffset);
    region.size = std::max<qint64>(0, free.offsetBytes + free.sizeBytes - region.offset);
    if (partitionStyle == MbrStyle || partitionStyle == GptStyle) {
        // Logical drives live inside the extended partition's own table; everything else takes a slot.
        const auto used = std::count_if(layout.cbegin(), layout.cend(), [&](const PartitionInfo &p) {
            return !p.isUnallocated && !(partitionStyle == MbrStyle && p.typeCode == PartitionTypeCode::Logical);
        });
        region.freeTableEntries =
            std::max(0, (partitionStyle == MbrStyle ? MbrTableEntries : GptTableEntries) - int(used));
    }
    return region;
}

Outcome check(const Region &region, const QList<PartitionCreateRequest> &plan)
{
    Outcome outcome;
    const int wanted = int(plan.size());
    outcome.refusal = tableRefusal(region, wanted);
    if (!outcome.refusal.isEmpty())
        return outcome;
    const qint64 end = region.offset + region.size;
    qint64 at = region.offset;
    // What a partition at `at` can be given beside the reserve.
    const auto roomAt = [&] { return std::max<qint64>(0, end - at - reserveFor(end - at)); };
    for (int i = 0; i < wanted; ++i) {
        const PartitionCreateRequest &request = plan.at(i);
        if (request.exactSize) {
            // Fills the space freed for it, no more.
            const qint64 exact = std::min(request.sizeBytes, end - at);
            if (exact < MinimumPartitionSize) {
                outcome.refusal = regionTooSmallText(MinimumPartitionSize);
                return outcome;
            }
            at = alignUp(at + exact) + (region.logical ? LogicalBootRecordRoom : 0);
            continue;
        }
        const qint64 size = sizeToAsk(request.sizeBytes, request.fileSystem, region.partitionStyle, end - at);
        if (i == 0 && size == 0) {
            outcome.refusal = regionTooSmallText(MinimumPartitionSize);
            return outcome;
        }
        if (size == 0 || request.sizeBytes > roomAt()) {
            outcome.refusal = QCoreApplication::translate("CreationPlan", "Partition %1 (%2) does not fit: %3 of the free region can still be given to it.")
                                  .arg(i + 1)
                                  .arg(formatSize(request.sizeBytes), formatSize(roomAt()));
            return outcome;
        }
        at = alignUp(at + size) + (region.logical ? LogicalBootRecordRoom : 0);
    }
    const bool slotLeft = region.freeTableEntries < 0 || wanted < region.freeTableEntries;
    outcome.room = slotLeft && roomAt() >= MinimumPartitionSize ? roomAt() : 0;
    return outcome;
}

QString regionTooSmallText(qint64 minimumBytes)
{
    return QCoreApplication::translate("CreationPlan", "This free region is too small to hold a partition (at least %1 MB are needed).")
        .arg((minimumBytes + reserveFor(minimumBytes)) / MiB);
}

} // namespace creationplan
