#pragma once

#include "jobreport.h"

#include "common/records.h"

#include <QCoreApplication>
#include <QString>

class DiskOperationWorker;

// The small jobs beside the six operations: a RAW disk's partition table, a partition's drive
// letter and a volume's label. Each is one provider or system call, yet goes the way of the
// others: a check on a fresh read before anything changes, the confirmed partition compared
// before it is touched, one report, one end through volumeJobFinished.
class VolumeJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    enum Style { Mbr = 1, Gpt = 2 };

    explicit VolumeJob(DiskOperationWorker &worker) : m_worker(worker) {}

    void initializeDisk(int diskNumber, int style);
    // An empty `letter` takes the partition's letter away.
    void changeLetter(const PartitionInfo &confirmed, const QString &letter);
    // An empty `label` removes the volume's name.
    void rename(const PartitionInfo &confirmed, const QString &label);

    // Why no letter may be changed or given on the partition; empty when it may.
    static QString letterRefusal(const PartitionInfo &partition);
    // Why the volume cannot be renamed, the label aside; empty when it can.
    static QString renameRefusal(const PartitionInfo &partition);

private:
    // Publishes the report and sends the one end.
    void finish(bool success, const QString &message);

    DiskOperationWorker &m_worker;
    JobReport m_report;
};
