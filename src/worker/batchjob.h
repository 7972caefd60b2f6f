#pragma once

#include "diskoperationworker.h"
#include "jobreport.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class WindowsStorageManager;

// The batch job: several new partitions in a row, each lettered, then formatted one after
// another, with one result for the whole job. Its format part also runs on its own from a list.
// The worker keeps the batch of its last start, since the batch's slots reach it there.
class BatchJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    using FormatOptions = DiskOperationWorker::FormatOptions;

    explicit BatchJob(DiskOperationWorker &worker) : m_worker(worker) {}

    void createAndFormat(const QList<PartitionCreateRequest> &requests, int diskIndex);
    void startFormat(const QList<FormatOptions> &tasks);
    void processNextFormatTask();
    void onSingleFormatFinished(bool success, const QString &message);
    void onBatchFormatFinished(bool success, const QString &message);

    bool isFormatting() const { return m_isBatchFormatting; }

private:
    // Empty when the plan still fits the disk as read now; otherwise why not. `logical` says
    // whether the region lies inside an extended partition.
    QString refusal(WindowsStorageManager &storage, const QList<PartitionCreateRequest> &requests, int diskIndex,
                    bool *logical);
    // Ends the creation job with its one result.
    void endCreation(bool success, const QString &message);

    DiskOperationWorker &m_worker;
    JobReport m_report;
    bool m_isCreateAndFormatMode = false;
    QStringList m_lettersNotGiven; // requested letters the new partitions did not get
    QStringList m_labelsNotSet;    // labels the formats could not set
    QList<FormatOptions> m_formatQueue;
    int m_totalFormatTasks = 0;
    int m_succeededFormatTasks = 0;
    QString m_batchErrors;
    QStringList m_unformatted; // partitions whose format failed, as the tasks name them
    bool m_isBatchFormatting = false;
    bool m_formatCancelled = false;
};
