#include "storageaccess.h"

#include "diskoperationworker.h"
#include "common/partitionid.h"
#include "storage/windowsstoragemanager.h"

#include <QCoreApplication>

namespace storageaccess {

WindowsStorageManager *manager(DiskOperationWorker &worker)
{
    return worker.workerStorageManager();
}

QString unavailableText()
{
    return QCoreApplication::translate("DiskOperationWorker", "Storage manager is not initialized");
}

QString lastFailure(DiskOperationWorker &worker)
{
    WindowsStorageManager *own = manager(worker);
    return own ? own->lastFailure() : unavailableText();
}

QString setVolumeLabel(DiskOperationWorker &worker, const QString &drive, const QString &label)
{
    WindowsStorageManager *own = manager(worker);
    return own ? own->setVolumeLabel(drive, label) : unavailableText();
}

std::optional<PartitionInfo> partitionInfo(DiskOperationWorker &worker, const QString &partitionId)
{
    if (WindowsStorageManager *own = manager(worker))
        return own->getPartitionInfo(partitionId);
    return std::nullopt;
}

std::optional<qlonglong> maximumSize(DiskOperationWorker &worker, const QString &partitionId)
{
    if (WindowsStorageManager *own = manager(worker))
        return own->getPartitionMaximumSize(partitionId);
    return std::nullopt;
}

std::optional<qlonglong> minimumSize(DiskOperationWorker &worker, const QString &partitionId)
{
    if (WindowsStorageManager *own = manager(worker))
        return own->getPartitionMinimumSize(partitionId);
    return std::nullopt;
}

std::optional<QList<PartitionInfo>> partitions(DiskOperationWorker &worker, int diskNumber)
{
    if (WindowsStorageManager *own = manager(worker))
        return own->getPartitions(QString::number(diskNumber));
    return std::nullopt;
}

QString changedSinceConfirmed(DiskOperationWorker &worker, const PartitionInfo &confirmed,
                              std::optional<PartitionInfo> *now)
{
    if (confirmed.sizeBytes <= 0)
        return QString();
    const std::optional<PartitionInfo> read =
        partitionInfo(worker, makePartitionId(confirmed.diskIndex, confirmed.partitionNumber));
    if (now)
        *now = read;
    if (!read)
        return unavailableText();
    return isSamePartition(confirmed, *read) ? QString() : layoutChangedText();
}

} // namespace storageaccess
