#pragma once

#include "common/records.h"

#include <QString>

#include <optional>

class DiskOperationWorker;
class WindowsStorageManager;

// How a job reaches the storage layer: through the creator's manager by a blocking queued call
// onto its own thread (its COM apartment lives there), or through the worker's own manager when
// the creator handed none over.
namespace storageaccess {

// The record from `manager`, called on its own thread; nullopt when the call cannot be made.
std::optional<PartitionInfo> partitionInfoFrom(WindowsStorageManager *manager, const QString &partitionId);

// The record from the creator's manager, or else the worker's own; nullopt when neither answers.
std::optional<PartitionInfo> partitionInfo(DiskOperationWorker &worker, const QString &partitionId);

// The most the partition may grow to, read like partitionInfo; nullopt when neither answers.
std::optional<qlonglong> maximumSize(DiskOperationWorker &worker, const QString &partitionId);

} // namespace storageaccess
