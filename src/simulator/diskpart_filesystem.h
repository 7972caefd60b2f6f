#pragma once

// File-system rules of a Windows format, shared by diskpart's `format` and fat32format.exe:
// names, label limits, allocation unit sizes, size limits and what a fresh file system uses.

#include "simulator/machine.h"

#include <QString>

namespace sim {
namespace filesystem {

// "NTFS", "FAT32", "exFAT" or "FAT" for a name `format fs=` accepts (any case); "" otherwise.
QString canonicalName(const QString &name);

// Characters a volume label may hold: NTFS 32, FAT and FAT32 11, exFAT 15.
int labelLimit(const QString &fileSystem);
QString cutLabel(const QString &label, const QString &fileSystem);

// The largest volume Windows' own formatter puts this file system on; -1 when unlimited.
// (FAT32 above 32 GiB is possible, but only with an outside formatter.)
qint64 formatterSizeLimit(const QString &fileSystem);

// Windows' default allocation unit for a volume of `size` bytes.
qint64 defaultClusterSize(const QString &fileSystem, qint64 size, int sectorSize);
// A power of two from the sector size up to the file system's largest unit, leaving no more
// clusters than the file system can address.
bool clusterSizeValid(const QString &fileSystem, qint64 size, qint64 clusterSize, int sectorSize);

// Layout of a FAT32 file system (as fat32format prints it).
struct FatLayout
{
    qint64 totalSectors = 0;
    qint64 sectorsPerCluster = 1;
    int reservedSectors = 32;
    qint64 sectorsPerFat = 0;
    int fats = 2;
    qint64 totalClusters = 0;

    // Sectors written for reserved area, FATs and the root directory's first cluster.
    qint64 metadataSectors() const { return reservedSectors + fats * sectorsPerFat + sectorsPerCluster; }
};
FatLayout fat32Layout(qint64 size, int sectorSize, qint64 clusterSize);

// Bytes a freshly formatted, empty file system reports as used.
qint64 freshUsedBytes(const QString &fileSystem, qint64 size, qint64 clusterSize, int sectorSize);

// Puts a new, empty file system on the partition: a new serial, the given file system, unit
// and label (cut to the limit), usage reset. The drive letter and volume GUID stay; a
// partition without a volume gets one.
void applyFormat(Partition &partition, const QString &fileSystem, qint64 clusterSize, const QString &label,
                 int sectorSize);

} // namespace filesystem
} // namespace sim
