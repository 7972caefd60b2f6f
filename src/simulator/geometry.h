#pragma once

// Geometry rules of the simulated disks, shared by the WMI provider and the diskpart stand-in
// so that both place, number and bound partitions the same way.
//
// Usable range: GPT keeps 34 sectors at the start (protective MBR, header, 128 entries) and
// 33 at the end (backup entries and header); MBR uses everything from LBA 1 up to the disk's
// end or 2 TiB, whichever comes first. Free extents are always reported 1 MiB aligned at both
// ends, which is where Windows places partitions, so the first partition of an empty disk
// starts at 1 MiB and the last MiB of a GPT disk never holds one.

#include "simulator/machine.h"

#include <QList>
#include <QString>

namespace sim {

constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = 1024 * kKiB;
constexpr qint64 kGiB = 1024 * kMiB;
constexpr qint64 kTiB = 1024 * kGiB;

namespace geometry {

constexpr qint64 kAlignment = kMiB;
constexpr qint64 kMbrLimit = 2 * kTiB;   // MBR addresses 2^32 sectors of 512 bytes
constexpr int kMbrMaxPrimary = 4;        // primary + extended entries in the MBR
constexpr int kGptMaxPartitions = 128;
constexpr int kGptHeadSectors = 34;
constexpr int kGptTailSectors = 33;

struct Extent
{
    qint64 offset = 0;
    qint64 size = 0;
    qint64 end() const { return offset + size; }
    bool isEmpty() const { return size <= 0; }
    bool contains(qint64 off, qint64 len) const { return off >= offset && off + len <= end(); }
};

qint64 alignUp(qint64 value, qint64 alignment = kAlignment);
qint64 alignDown(qint64 value, qint64 alignment = kAlignment);

bool isGpt(const Disk &disk);
bool isMbr(const Disk &disk);

// The running Windows: its volume is C:, and the partition it started from is the EFI system
// partition (GPT) or the active partition (MBR) of the disk that holds C:. Another disk's EFI
// partition is not it.
bool isBootPartition(const Partition &partition);
bool isSystemPartition(const Disk &disk, const Partition &partition);

// Bytes a partition may occupy: [begin, end). Empty for a RAW (uninitialised) disk.
Extent usableRange(const Disk &disk);
// The same range without the MBR 2 TiB cut, to tell "beyond 2 TiB" from "no room".
Extent usableRangeIgnoringMbrLimit(const Disk &disk);

// Unoccupied, aligned extents of at least kAlignment between the partitions of the disk's
// primary layer (an extended partition occupies its whole range), ascending by offset.
QList<Extent> freeExtents(const Disk &disk);
// The largest of freeExtents(); the first one wins a tie. Empty when there is none.
Extent largestFreeExtent(const Disk &disk);
// The free bytes right after the partition up to the next partition of its layer (or the
// end of the usable range, or of its extended partition for a logical one), end aligned
// down. Its offset is the partition's end; empty when the neighbour touches it.
Extent freeExtentAfter(const Disk &disk, const Partition &partition);

// Entries the disk's partition table holds now (MBR: primary and extended only).
int tableEntriesUsed(const Disk &disk);
bool tableFull(const Disk &disk);

// The lowest number from 1 that no partition of the disk carries.
int lowestUnusedNumber(const Disk &disk);

// True when [offset, offset + size) overlaps a partition of the same layer (logical
// partitions only meet each other; everything else meets non-logical partitions).
// `ignoreNumber` leaves one partition out, for a resize.
bool overlaps(const Disk &disk, qint64 offset, qint64 size, bool logical = false, int ignoreNumber = -1);

void sortPartitions(Disk &disk);

enum class Placement {
    Ok,
    NotInitialized,   // RAW disk
    TableFull,        // MBR 4 entries / GPT 128
    NoSpace,          // no free extent large enough
    BeyondMbrLimit,   // would fit only past 2 TiB
    InvalidOffset,    // offset not in a free extent
    InvalidSize,      // not positive
};

enum class Strategy { Largest, First };

// Where a new partition of `size` bytes (0: as large as the chosen extent) goes. `offset` < 0
// lets the rule choose; otherwise it is aligned up to kAlignment and must start inside a free
// extent. The size is rounded up to whole logical sectors.
Placement placePartition(const Disk &disk, qint64 size, qint64 offset, Strategy strategy, Extent *out);
QString placementText(Placement placement);

// The extended partition of an MBR disk, or null.
const Partition *extendedPartition(const Disk &disk);
// Where a new logical drive can go inside the extended partition, ascending: each extent starts
// one alignment unit after the free space it is in begins, and ends one unit before the next
// logical drive, for the boot record that precedes every logical drive.
QList<Extent> logicalFreeExtents(const Disk &disk);
// placePartition for a logical drive: the largest logical free extent, or the one `offset`
// (aligned up) starts in.
Placement placeLogicalPartition(const Disk &disk, qint64 size, qint64 offset, Extent *out);

// Random identities for new partitions and volumes.
QString newVolumeSerial(); // "1A2B-3C4D"
QString newGuid();         // lower-case, without braces

// Volume serial text <-> the 32-bit value GetVolumeInformation reports.
quint32 serialValue(const QString &serial);

} // namespace geometry
} // namespace sim
