#include "simulator/diskpart_filesystem.h"

#include "simulator/geometry.h"

#include <algorithm>

namespace sim {
namespace filesystem {

namespace {

bool is(const QString &fs, const char *name) { return fs.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; }
bool isFat(const QString &fs) { return is(fs, "FAT"); }
bool isFat32(const QString &fs) { return is(fs, "FAT32"); }
bool isExfat(const QString &fs) { return is(fs, "exFAT"); }

bool powerOfTwo(qint64 v) { return v > 0 && (v & (v - 1)) == 0; }
qint64 ceilDiv(qint64 a, qint64 b) { return (a + b - 1) / b; }

// Clusters a file system can address.
qint64 maxClusters(const QString &fs)
{
    if (isFat32(fs))
        return 0x0FFFFFF5 - 2;
    if (isFat(fs))
        return 65524;
    return 0xFFFFFFFFLL; // NTFS and exFAT: 32-bit cluster numbers
}

qint64 maxClusterSize(const QString &fs)
{
    if (isFat32(fs) || isFat(fs))
        return 64 * kKiB;
    if (isExfat(fs))
        return 32 * kMiB;
    return 2 * kMiB;
}

} // namespace

QString canonicalName(const QString &name)
{
    for (const char *fs : {"NTFS", "FAT32", "exFAT", "FAT"})
        if (is(name, fs))
            return QLatin1String(fs);
    return QString();
}

int labelLimit(const QString &fileSystem)
{
    if (isFat32(fileSystem) || isFat(fileSystem))
        return 11;
    if (isExfat(fileSystem))
        return 15;
    return 32;
}

QString cutLabel(const QString &label, const QString &fileSystem)
{
    qsizetype n = labelLimit(fileSystem);
    if (label.size() <= n)
        return label;
    if (label.at(n - 1).isHighSurrogate()) // never leave half a character behind
        --n;
    return label.left(n);
}

qint64 formatterSizeLimit(const QString &fileSystem)
{
    if (isFat32(fileSystem))
        return 32 * kGiB;
    if (isFat(fileSystem))
        return 4 * kGiB;
    return -1;
}

qint64 defaultClusterSize(const QString &fileSystem, qint64 size, int sectorSize)
{
    qint64 unit = 4 * kKiB;
    if (isFat32(fileSystem)) {
        if (size < 64 * kMiB)
            unit = 512;
        else if (size < 128 * kMiB)
            unit = kKiB;
        else if (size < 256 * kMiB)
            unit = 2 * kKiB;
        else if (size < 8 * kGiB)
            unit = 4 * kKiB;
        else if (size < 16 * kGiB)
            unit = 8 * kKiB;
        else if (size <= 32 * kGiB)
            unit = 16 * kKiB;
        else
            unit = 32 * kKiB;
    } else if (isFat(fileSystem)) {
        unit = 2 * kKiB;
        while (size / unit > maxClusters(fileSystem) && unit < maxClusterSize(fileSystem))
            unit *= 2;
    } else if (isExfat(fileSystem)) {
        unit = size <= 256 * kMiB ? 4 * kKiB : size <= 32 * kGiB ? 32 * kKiB : 128 * kKiB;
    } else {
        // NTFS: 4 KiB up to 16 TiB, then doubled so the cluster count fits 32 bits.
        while (size / unit > maxClusters(fileSystem) && unit < maxClusterSize(fileSystem))
            unit *= 2;
    }
    return std::max<qint64>(unit, sectorSize);
}

bool clusterSizeValid(const QString &fileSystem, qint64 size, qint64 clusterSize, int sectorSize)
{
    if (!powerOfTwo(clusterSize) || clusterSize < sectorSize || clusterSize > maxClusterSize(fileSystem))
        return false;
    return size / clusterSize <= maxClusters(fileSystem);
}

FatLayout fat32Layout(qint64 size, int sectorSize, qint64 clusterSize)
{
    FatLayout l;
    const qint64 bps = std::max(sectorSize, 512);
    l.totalSectors = size / bps;
    l.sectorsPerCluster = std::max<qint64>(1, clusterSize / bps);
    // Sized for every cluster of the area after the reserved sectors (a little generous, as
    // the FATs themselves take part of that area), plus the two reserved entries.
    const qint64 dataSectors = std::max<qint64>(0, l.totalSectors - l.reservedSectors);
    l.sectorsPerFat = ceilDiv((dataSectors / l.sectorsPerCluster + 2) * 4, bps);
    l.totalClusters = std::max<qint64>(0, (l.totalSectors - l.reservedSectors - l.fats * l.sectorsPerFat)
                                              / l.sectorsPerCluster);
    return l;
}

qint64 freshUsedBytes(const QString &fileSystem, qint64 size, qint64 clusterSize, int sectorSize)
{
    const qint64 bps = std::max(sectorSize, 512);
    const qint64 unit = std::max(clusterSize, bps);
    qint64 used = 0;
    if (isFat32(fileSystem)) {
        used = fat32Layout(size, sectorSize, unit).metadataSectors() * bps;
    } else if (isFat(fileSystem)) {
        const qint64 fatSectors = ceilDiv((size / unit + 2) * 2, bps);
        used = (1 + 2 * fatSectors) * bps + 16 * kKiB; // boot sector, two FATs, 512 root entries
    } else if (isExfat(fileSystem)) {
        const qint64 clusters = size / unit;
        // Boot regions, one FAT, then bitmap, up-case table and root directory in the heap.
        used = geometry::alignUp(24 * bps + clusters * 4, unit) + geometry::alignUp(ceilDiv(clusters, 8), unit)
               + 2 * unit;
    } else {
        // NTFS: the log file (up to 64 MiB), the cluster bitmap and the first MFT records.
        const qint64 logFile = std::clamp<qint64>(size / 100, 2 * kMiB, 64 * kMiB);
        used = geometry::alignUp(logFile + ceilDiv(size / unit, 8) + kMiB, unit);
    }
    return std::min(used, size);
}

void applyFormat(Partition &partition, const QString &fileSystem, qint64 clusterSize, const QString &label,
                 int sectorSize)
{
    Volume v = partition.volume.value_or(Volume());
    if (v.guid.isEmpty())
        v.guid = geometry::newGuid();
    QString serial;
    do {
        serial = geometry::newVolumeSerial();
    } while (serial == v.serial);
    v.serial = serial;
    v.fileSystem = fileSystem;
    v.clusterSize = clusterSize;
    v.label = cutLabel(label, fileSystem);
    v.usedBytes = freshUsedBytes(fileSystem, partition.size, clusterSize, sectorSize);
    partition.volume = v;
}

} // namespace filesystem
} // namespace sim
