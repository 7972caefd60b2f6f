#include "records.h"

#include "driveletter.h"
#include "partitionid.h"

#include <QCoreApplication>
#include <QDebug>

#include <cstdlib>

bool SplitPartitionOptions::isValid() const
{
    if (partitionId.isEmpty()) {
        qWarning() << "SplitPartitionOptions invalid: partitionId is empty";
        return false;
    }
    if (originalSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: originalSizeBytes <= 0";
        return false;
    }
    if (keepSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: keepSizeBytes <= 0";
        return false;
    }
    if (newSizeBytes <= 0) {
        qWarning() << "SplitPartitionOptions invalid: newSizeBytes <= 0";
        return false;
    }
    const qint64 diff = std::llabs(originalSizeBytes - (keepSizeBytes + newSizeBytes));
    if (diff > SizeTolerance) {
        qWarning() << "SplitPartitionOptions invalid: size mismatch of" << diff << "bytes";
        return false;
    }
    return true;
}

void registerRecordMetaTypes()
{
    qRegisterMetaType<PartitionInfo>("PartitionInfo");
    qRegisterMetaType<SplitPartitionOptions>("SplitPartitionOptions");
    qRegisterMetaType<PartitionCreateRequest>("PartitionCreateRequest");
    qRegisterMetaType<QList<PartitionCreateRequest>>("QList<PartitionCreateRequest>");
}

bool isSamePartition(const PartitionInfo &confirmed, const PartitionInfo &now)
{
    return !now.isUnallocated && now.diskIndex == confirmed.diskIndex && now.partitionNumber == confirmed.partitionNumber
           && now.offsetBytes == confirmed.offsetBytes && now.sizeBytes == confirmed.sizeBytes
           && now.guid == confirmed.guid && now.volumeSerial == confirmed.volumeSerial;
}

QString partitionName(const PartitionInfo &partition)
{
    const QString drive = driveletter::driveOf(partition);
    PartitionId id{partition.diskIndex, partition.partitionNumber};
    // A record known only by its id still names its disk and number.
    if (PartitionId parsed; id.disk < 0 && parsePartitionId(partition.id, &parsed))
        id = parsed;
    if (drive.isEmpty())
        return QCoreApplication::translate("PartitionName", "Partition %1 of Disk %2").arg(id.partition).arg(id.disk);
    return partition.volumeLabel.isEmpty() ? drive : QStringLiteral("%1 (%2)").arg(drive, partition.volumeLabel);
}

QString layoutChangedText()
{
    return QCoreApplication::translate("PartitionIdentity", "The disk layout changed since you chose this partition. "
                                                            "The list has been refreshed; please choose again.");
}
