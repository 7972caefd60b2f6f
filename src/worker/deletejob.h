#pragma once

#include "jobreport.h"

#include "common/records.h"

#include <QCoreApplication>
#include <QString>

class DiskOperationWorker;

// The delete job: one partition removed by a diskpart script. One step; the worker lets at most
// one deletion (or split) be pending at a time.
class DeleteJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    explicit DeleteJob(DiskOperationWorker &worker) : m_worker(worker) {}

    // Runs the job and reports its end through deletePartitionFinished (and the transcript of
    // a failure through deletePartitionDetails first).
    void run(const PartitionInfo &partition);
    // The diskpart script alone; false with error() set on failure.
    bool deleteWithDiskpart(const PartitionInfo &partition);

    const QString &error() const { return m_error; }

private:
    DiskOperationWorker &m_worker;
    JobReport m_report;
    QString m_error;
    QString m_details;
};
