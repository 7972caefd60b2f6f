#pragma once

#include "diskoperationworker.h"

#include <QCoreApplication>
#include <QString>

#include <utility>

// The format engine: puts a file system on an existing partition, named by its drive letter or
// by its "disk:partition" id, with diskpart scripts (FAT32 above 32 GiB goes to largefat32.h).
// The worker owns one; its steps are the worker's format members.
class FormatEngine
{
    Q_DECLARE_TR_FUNCTIONS(DiskOperationWorker)

public:
    using FormatOptions = DiskOperationWorker::FormatOptions;

    explicit FormatEngine(DiskOperationWorker &worker) : m_worker(worker) {}

    // The format dialog's job: one step, reported through operationProgress and
    // operationCompleted; answers what it reported.
    std::pair<bool, QString> runJob(const FormatOptions &options);

    bool formatPartition(const QString &partitionId, const QString &fileSystem, const QString &label);
    bool executeStandardFormat(const FormatOptions &options);
    bool formatByVolume(const QString &driveLetter, const QString &fileSystem, const QString &label, bool quickFormat,
                        int clusterSize);
    bool executeFormatWithDiskpart(const FormatOptions &options);
    bool formatByPartitionId(const QString &partitionId, const QString &fileSystem, const QString &label,
                             qint64 sizeBytes);

    // Sets a label the format's script could not carry, through the system; empty when it is
    // set, else why not.
    QString nameVolume(const QString &partitionId, const QString &label);

    // The reason the last failing step left.
    QString &lastError() { return m_lastError; }
    // Why the last formatPartition failed, in one line with the tool's own words, or what a
    // successful one could not finish (the label); empty when all went well or it failed before
    // any tool ran.
    const QString &lastCause() const { return m_lastCause; }

private:
    // Empty when the partition the user confirmed is still the one the options lead to (or no
    // record was confirmed); otherwise what the job says instead of formatting.
    QString identityRefusal(const FormatOptions &options);

    DiskOperationWorker &m_worker;
    QString m_lastError;
    QString m_lastCause;
};
