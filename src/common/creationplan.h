#pragma once

#include "common/records.h"

#include <QList>
#include <QString>

// How new partitions are sized in a free region. The storage layer asks the provider for these
// sizes; the create dialog and the creation job check a plan against the same rule, so a plan
// they accept is one the storage layer can carry out.
namespace creationplan {

constexpr qint64 MinimumPartitionSize = 16 * 1024 * 1024;

// PartitionStyle of MSFT_Disk.
constexpr int MbrStyle = 1;
constexpr int GptStyle = 2;

// Space kept free beside a new partition. diskSize is known (positive) only when the free space
// itself had to be estimated from it.
qint64 reserveFor(qint64 freeBytes, qint64 diskSize = 0);

// The request with the file system's overhead, rounded up to the granularity, at least the
// smallest partition: what is asked when the free space is not known.
qint64 requestedSize(qint64 sizeBytes, const QString &fileSystem, int partitionStyle);

// The size asked of the provider for sizeBytes at the start of freeBytes of free space: the
// request with the file system's overhead, rounded up, cut down to what fits beside the reserve;
// 0 when not even the smallest partition fits.
qint64 sizeToAsk(qint64 sizeBytes, const QString &fileSystem, int partitionStyle, qint64 freeBytes,
                 qint64 diskSize = 0);

struct Region
{
    qint64 offset = 0; // where the first partition goes; 0 when the provider chooses
    qint64 size = 0;
    int partitionStyle = 0;
    int freeTableEntries = -1; // -1 when not known
    bool logical = false;      // inside an extended partition: each partition after the first needs its boot record's room
};

// The region a free record leaves for new partitions, on a disk of the given style and layout.
Region regionOf(const PartitionInfo &free, int partitionStyle, const QList<PartitionInfo> &layout);

struct Outcome
{
    QString refusal;  // empty when the whole plan can be carried out
    qint64 room = 0;  // what one more partition could still be given
};

// Places the plan's partitions one after another as the storage layer will. A partition that
// would come out smaller than asked (beyond the file system's overhead) is refused too.
Outcome check(const Region &region, const QList<PartitionCreateRequest> &plan);

// Empty when the partition table has a slot for each of `wanted` new partitions.
QString tableRefusal(const Region &region, int wanted);

// What is said of a region too small for a partition of minimumBytes beside the reserve.
QString regionTooSmallText(qint64 minimumBytes);

} // namespace creationplan
