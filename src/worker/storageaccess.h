#pragma once

#include "common/records.h"

#include <QString>

#include <optional>

class DiskOperationWorker;
class WindowsStorageManager;

// Where a job's storage calls go: to the worker's own manager, made and initialised on the job's
// thread. Never to the manager a creator handed over: it answers only on its own thread, the GUI
// thread, and the window would stand still for as long as the provider takes (a Resize of a
// large NTFS volume takes minutes).
namespace storageaccess {

// The worker's own manager, made on first use; null (traced) when it cannot be initialised.
WindowsStorageManager *manager(DiskOperationWorker &worker);

// What a job reports when manager() gives null.
QString unavailableText();

// Why the worker's manager's last call failed, in the provider's words (or unavailableText()).
QString lastFailure(DiskOperationWorker &worker);

// The record; nullopt when there is no manager.
std::optional<PartitionInfo> partitionInfo(DiskOperationWorker &worker, const QString &partitionId);

// The most the partition may grow to; nullopt when there is no manager.
std::optional<qlonglong> maximumSize(DiskOperationWorker &worker, const QString &partitionId);

// The smallest size the provider can shrink it to, 0 when it cannot; nullopt when there is no manager.
std::optional<qlonglong> minimumSize(DiskOperationWorker &worker, const QString &partitionId);

// Sets the label of the volume at `drive` ("E:") through the system; empty when done, otherwise why not.
QString setVolumeLabel(DiskOperationWorker &worker, const QString &drive, const QString &label);

// The disk's records in disk order, gaps included, read afresh; nullopt when there is no manager.
std::optional<QList<PartitionInfo>> partitions(DiskOperationWorker &worker, int diskNumber);

// Empty when the disk still holds `confirmed`, read afresh (a record without a size is not
// checked); otherwise what the job says instead of changing anything. `now` gets the fresh record.
QString changedSinceConfirmed(DiskOperationWorker &worker, const PartitionInfo &confirmed,
                              std::optional<PartitionInfo> *now = nullptr);

} // namespace storageaccess
