#pragma once

#include "jobreport.h"

#include "common/records.h"

#include <QCoreApplication>
#include <QString>

class DiskOperationWorker;

// The resize job: finds the partition's file system, converts FAT32 to NTFS by formatting it
// (the provider resizes NTFS only), then resizes through the storage layer. Also the
// stand-alone NTFS conversion and its script.
class ResizeJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    explicit ResizeJob(DiskOperationWorker &worker) : m_worker(worker) {}

    // The resize dialog's job, reported through operationProgress and operationCompleted. A
    // confirmed record with a size must still match the disk before anything changes.
    void run(const QString &partitionId, qint64 newSizeBytes, const PartitionInfo &confirmed = PartitionInfo());
    // The stand-alone conversion, reported the same way.
    void convertToNtfs(const QString &partitionId);

    // Formats a FAT32 partition (given by id) as NTFS and checks that it reads NTFS afterwards.
    bool convertFat32ToNtfs(const QString &partitionId);
    // The storage layer's resize, through the creator's manager on its own thread or through the
    // worker's own manager.
    bool resizeInThread(const QString &partitionId, qint64 newSizeBytes);
    // The partition's file system, or empty when it cannot be found.
    QString detectFileSystem(const QString &partitionId);
    // The NTFS conversion script by disk and partition. The volume keeps its label: in the script
    // when the script can carry it, else set through the system afterwards (a lettered volume).
    bool formatUsingDiskpart(const QString &partitionId);

private:
    // Why the resize cannot be done, checked before anything changes; empty when it may go ahead.
    QString refusal(const QString &partitionId, qint64 newSizeBytes, const PartitionInfo &confirmed);

    DiskOperationWorker &m_worker;
    JobReport m_report;
    // What the conversion did with the volume's label: empty when it was kept (or had none),
    // else why it was lost.
    QString m_labelLost;
    QString m_label;
};
