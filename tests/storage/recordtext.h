#pragma once

// Whole records as one line of text, so a comparison shows every field that differs.

#include "common/records.h"
#include "common/sizetext.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>
#include <QStringList>

inline QString recordText(const PartitionInfo &p)
{
    QString s;
    QDebug(&s).noquote().nospace()
        << "id=" << p.id << " name=" << p.name << " label=" << p.volumeLabel << " letter=" << p.driveLetter
        << " letters=" << p.driveLetters.join(QLatin1Char(',')) << " fs=" << p.fileSystem << " type=" << p.type
        << " typeCode=" << p.typeCode << " status=" << p.status << " disk=" << p.diskIndex << " number="
        << p.partitionNumber << " gptNumber=" << p.gptPartitionNumber << " offset=" << p.offset << " offsetBytes="
        << p.offsetBytes << " startSector=" << p.startSector << " size=" << p.sizeBytes << " sizeStr=" << p.sizeStr
        << " unallocated=" << p.isUnallocated << " devicePath=" << p.devicePath;
    return s;
}

inline QStringList recordTexts(const QList<PartitionInfo> &list)
{
    QStringList out;
    for (const PartitionInfo &p : list)
        out << recordText(p);
    return out;
}

// The geometry every record of a disk's list carries.
inline PartitionInfo expectedRegion(int disk, qint64 offset, qint64 size)
{
    PartitionInfo p;
    p.diskIndex = disk;
    p.offset = offset;
    p.offsetBytes = offset;
    p.sizeBytes = size;
    p.sizeStr = formatSize(size);
    return p;
}

inline PartitionInfo expectedGap(int disk, qint64 offset, qint64 size)
{
    PartitionInfo p = expectedRegion(disk, offset, size);
    p.name = p.type = QStringLiteral("Unallocated");
    p.isUnallocated = true;
    return p;
}

// What enumeration makes of a real partition.
inline PartitionInfo expectedPartition(int disk, int number, qint64 offset, qint64 size, int typeCode,
                                       const QString &type, const QString &letter = QString(),
                                       const QString &fileSystem = QString(), const QString &label = QString())
{
    PartitionInfo p = expectedRegion(disk, offset, size);
    p.partitionNumber = number;
    p.id = QStringLiteral("%1:%2").arg(disk).arg(number);
    p.typeCode = typeCode;
    p.type = type;
    p.driveLetter = letter;
    p.name = letter.isEmpty() ? QStringLiteral("Partition %1").arg(number) : letter + QLatin1Char(':');
    if (!letter.isEmpty())
        p.driveLetters = QStringList{p.name};
    p.fileSystem = fileSystem;
    p.volumeLabel = label;
    return p;
}
