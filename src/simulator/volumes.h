#pragma once

// The drive letters of a simulated machine as the Win32 volume calls and Win32_LogicalDisk
// see them: lettered volumes of online disks, and the other drives (optical, network, ...).

#include "simulator/machine.h"

#include <QList>
#include <QString>

namespace sim {

struct MountedDrive
{
    QString letter;          // "E"
    int driveType = 0;       // GetDriveType codes: 2 removable, 3 fixed, 4 network, 5 CD/DVD
    bool ready = false;      // false: no media (an empty optical drive)
    QString fileSystem;      // empty: RAW (unrecognised) or no media
    QString label;
    quint32 serial = 0;
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;
    int diskNumber = -1;     // -1 for the other drives
    int partitionNumber = 0;
};

// Ascending by letter.
QList<MountedDrive> mountedDrives(const Machine &machine);

// Volume capacity as the file system reports it: the partition rounded down to whole clusters.
qint64 volumeTotalBytes(const Partition &partition);
qint64 volumeFreeBytes(const Partition &partition);

} // namespace sim
