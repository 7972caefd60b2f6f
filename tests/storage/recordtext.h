#pragma once

// Whole records as one line of text, so a comparison shows every field that differs.

#include "common/records.h"
#include "common/sizetext.h"
#include "storage/windowsstoragemanager.h"

#include <QStringList>

inline QString recordText(const PartitionInfo &p)
{
    return QStringLiteral("name=%1 label=%2 letter=%3 letters=[%4] fs=%5 sizeStr=%6 type=%7 status=%8 disk=%9 "
                          "startSector=%10 gptNumber=%11 offsetBytes=%12 unallocated=%13 number=%14 offset=%15 "
                          "size=%16 id=%17 typeCode=%18 devicePath=%19")
        .arg(p.name, p.volumeLabel, p.driveLetter, p.driveLetters.join(QLatin1Char(',')), p.fileSystem, p.sizeStr,
             p.type, p.status)
        .arg(p.diskIndex)
        .arg(p.startSector)
        .arg(p.gptPartitionNumber)
        .arg(p.offsetBytes)
        .arg(p.isUnallocated ? 1 : 0)
        .arg(p.partitionNumber)
        .arg(p.offset)
        .arg(p.sizeBytes)
        .arg(p.id)
        .arg(p.typeCode)
        .arg(p.devicePath);
}

inline QStringList recordTexts(const QList<PartitionInfo> &list)
{
    QStringList out;
    for (const PartitionInfo &p : list)
        out << recordText(p);
    return out;
}

inline QString entryText(const VolumeMapEntry &e)
{
    return QStringLiteral("%1:%2 fs=%3 label=%4 letter=%5")
        .arg(e.diskNumber)
        .arg(e.partitionNumber)
        .arg(e.fileSystem, e.volumeLabel, e.driveLetter);
}

// What enumeration makes of a real partition.
inline PartitionInfo expectedPartition(int disk, int number, qint64 offset, qint64 size, int typeCode,
                                       const QString &type, const QString &letter = QString(),
                                       const QString &fileSystem = QString(), const QString &label = QString())
{
    PartitionInfo p;
    p.diskIndex = disk;
    p.partitionNumber = number;
    p.id = QStringLiteral("%1:%2").arg(disk).arg(number);
    p.offset = offset;
    p.offsetBytes = offset;
    p.sizeBytes = size;
    p.sizeStr = formatSize(size);
    p.typeCode = typeCode;
    p.type = type;
    p.driveLetter = letter;
    if (!letter.isEmpty()) {
        p.name = letter + QLatin1Char(':');
        p.driveLetters = QStringList{p.name};
    } else {
        p.name = QStringLiteral("Partition %1").arg(number);
    }
    p.fileSystem = fileSystem;
    p.volumeLabel = label;
    return p;
}

inline PartitionInfo expectedGap(int disk, qint64 offset, qint64 size)
{
    PartitionInfo p;
    p.diskIndex = disk;
    p.offset = offset;
    p.offsetBytes = offset;
    p.sizeBytes = size;
    p.sizeStr = formatSize(size);
    p.name = QStringLiteral("Unallocated");
    p.type = QStringLiteral("Unallocated");
    p.isUnallocated = true;
    return p;
}
