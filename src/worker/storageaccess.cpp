#include "storageaccess.h"

#include "crossthreadcall.h"
#include "diskoperationworker.h"
#include "storage/windowsstoragemanager.h"

namespace storageaccess {

std::optional<PartitionInfo> partitionInfoFrom(WindowsStorageManager *manager, const QString &partitionId)
{
    PartitionInfo info;
    if (!manager || !crossthread::invokeBlocking(manager, "getPartitionInfo", info, partitionId))
        return std::nullopt;
    return info;
}

std::optional<PartitionInfo> partitionInfo(DiskOperationWorker &worker, const QString &partitionId)
{
    if (worker.m_storageManager)
        return partitionInfoFrom(worker.m_storageManager, partitionId);
    if (WindowsStorageManager *own = worker.workerStorageManager())
        return own->getPartitionInfo(partitionId);
    return std::nullopt;
}

std::optional<qlonglong> maximumSize(DiskOperationWorker &worker, const QString &partitionId)
{
    qlonglong maximum = 0;
    if (worker.m_storageManager) {
        if (!crossthread::invokeBlocking(worker.m_storageManager, "getPartitionMaximumSize", maximum, partitionId))
            return std::nullopt;
        return maximum;
    }
    if (WindowsStorageManager *own = worker.workerStorageManager())
        return own->getPartitionMaximumSize(partitionId);
    return std::nullopt;
}

} // namespace storageaccess
