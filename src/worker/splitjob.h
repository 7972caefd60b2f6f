#pragma once

#include "jobreport.h"

#include "common/records.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class DiskOperationWorker;

// The split job: shrinks a partition to the size the user keeps, has diskpart read the disk's
// table again, and creates (and formats) a new partition in the freed space through the batch
// job.
class SplitJob
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    SplitJob(DiskOperationWorker &worker, const SplitPartitionOptions &options) : m_worker(worker), m_options(options) {}

    // Runs to the end and reports it once through splitPartitionFinished.
    void run();
    // The creation step's end, from the worker's slot.
    void onCreateFinished(bool success, const QString &message);

private:
    bool validate(QString *text);
    QString refusal();
    bool runCore();
    bool stopRequested();
    bool refreshPartitionTable(int diskNumber);
    QString successMessage() const;
    // The partition that now starts at offsetBytes, if one is read there.
    std::optional<PartitionInfo> partitionAt(int diskNumber, qint64 offsetBytes);
    // After a failure past the shrink: removes a new partition made at newOffset (if any) and
    // grows the kept partition back. Says what the disk holds afterwards.
    QString rollBack(int diskNumber, qint64 newOffset);
    void addReportNode(const QString &description, bool done);
    void reportEnd(bool success, const QString &message);

    DiskOperationWorker &m_worker;
    const SplitPartitionOptions m_options;
    JobReport m_report;
    bool m_created = false;
    QString m_error;
    // The partition as read before the shrink, and both sizes as they stand afterwards.
    PartitionInfo m_original;
    qint64 m_keptBytes = 0;
    qint64 m_createdBytes = 0;
    QString m_createdLetter;
    QString m_notes;
};
