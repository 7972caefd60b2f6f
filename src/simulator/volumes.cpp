#include "simulator/volumes.h"

#include "simulator/geometry.h"

#include <algorithm>

namespace sim {

qint64 volumeTotalBytes(const Partition &partition)
{
    if (!partition.volume || partition.volume->fileSystem.isEmpty())
        return 0;
    const qint64 cluster = partition.volume->clusterSize > 0 ? partition.volume->clusterSize : 4096;
    return geometry::alignDown(partition.size, cluster);
}

qint64 volumeFreeBytes(const Partition &partition)
{
    const qint64 total = volumeTotalBytes(partition);
    return std::max<qint64>(0, total - (partition.volume ? partition.volume->usedBytes : 0));
}

QList<MountedDrive> mountedDrives(const Machine &machine)
{
    QList<MountedDrive> out;
    for (const Disk &d : machine.disks) {
        if (d.operationalStatus != QLatin1String("Online"))
            continue; // volumes of an offline disk are not mounted
        for (const Partition &p : d.partitions) {
            if (!p.volume || p.volume->letter.isEmpty())
                continue;
            MountedDrive m;
            m.letter = p.volume->letter;
            m.driveType = d.removable ? 2 : 3;
            m.ready = true;
            m.fileSystem = p.volume->fileSystem;
            if (!m.fileSystem.isEmpty()) {
                m.label = p.volume->label;
                m.serial = geometry::serialValue(p.volume->serial);
                m.totalBytes = volumeTotalBytes(p);
                m.freeBytes = volumeFreeBytes(p);
            }
            m.diskNumber = d.number;
            m.partitionNumber = p.number;
            out.append(m);
        }
    }
    for (const OtherDrive &o : machine.otherDrives) {
        MountedDrive m;
        m.letter = o.letter;
        m.driveType = o.driveType;
        // An optical or removable drive without a file system has no media in it.
        m.ready = !o.fileSystem.isEmpty();
        m.fileSystem = o.fileSystem;
        m.label = o.label;
        m.totalBytes = o.totalBytes;
        m.freeBytes = std::min(o.freeBytes, o.totalBytes);
        if (m.ready)
            m.serial = geometry::serialValue(QStringLiteral("5E55-") + QString::number(o.letter.at(0).unicode(), 16).rightJustified(4, QLatin1Char('0')));
        out.append(m);
    }
    std::sort(out.begin(), out.end(), [](const MountedDrive &a, const MountedDrive &b) { return a.letter < b.letter; });
    return out;
}

} // namespace sim
