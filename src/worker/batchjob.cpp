#include "batchjob.h"

#include "steprunner.h"
#include "storageaccess.h"

#include "common/creationplan.h"
#include "common/driveletter.h"
#include "platform/platform.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>

void DiskOperationWorker::startBatchCreateAndFormat(QList<PartitionCreateRequest> requests, int diskIndex)
{
    m_batch = std::make_unique<BatchJob>(*this);
    m_batch->createAndFormat(requests, diskIndex);
}

void DiskOperationWorker::startBatchFormat(QList<FormatOptions> optionsList)
{
    // Within a creation job the creation's batch goes on to its formats.
    if (!m_batch || m_batch->isFormatting())
        m_batch = std::make_unique<BatchJob>(*this);
    m_batch->startFormat(optionsList);
}

void DiskOperationWorker::processNextFormatTask()
{
    if (m_batch)
        m_batch->processNextFormatTask();
}

void DiskOperationWorker::onSingleFormatFinished(bool success, QString message)
{
    if (m_batch)
        m_batch->onSingleFormatFinished(success, message);
}

void DiskOperationWorker::onBatchFormatFinished(bool success, QString message)
{
    if (m_batch)
        m_batch->onBatchFormatFinished(success, message);
}

void BatchJob::createAndFormat(const QList<PartitionCreateRequest> &requests, int diskIndex)
{
    m_isCreateAndFormatMode = true;
    m_report.asked = JobReport::tr("create %1 partitions on disk %2").arg(requests.size()).arg(diskIndex);
    emit m_worker.partitionCreationProgress(5, tr("Ready to create partition..."));

    WindowsStorageManager *storage = storageaccess::manager(m_worker);
    if (!storage) {
        endCreation(false, tr("WindowsStorageManager is not initialized"));
        return;
    }

    const int count = int(requests.size());
    QStringList created;
    QList<FormatOptions> formats;
    int accumulated = 0;
    qint64 nextOffset = 0; // end of the partition placed last, where an unplaced request goes
    QString failure;
    QStringList lettersNotGiven;
    bool logicalRegion = false; // inside an extended partition: the next logical drive starts past its boot record
    QList<Step> steps{{JobReport::tr("check the plan"), false, [&](ReportNode &node) {
        failure = node.detail = refusal(*storage, requests, diskIndex, &logicalRegion);
        return failure.isEmpty();
    }}};
    for (int i = 1; i <= count; ++i) {
        const PartitionCreateRequest &request = requests.at(i - 1);
        steps << Step{JobReport::tr("create partition %1 of %2").arg(i).arg(count), true, [&, i](ReportNode &node) {
            emit m_worker.partitionCreationProgress(accumulated / count + 5, tr("Creating partition %1/%2...").arg(i).arg(count));
            const qint64 offset = request.offsetBytes > 0 ? request.offsetBytes : nextOffset;
            const QString id = storage->createPartition(diskIndex, request.sizeBytes, request.fileSystem,
                                                        request.driveLetter.isEmpty(), offset, request.exactSize);
            if (id.isEmpty()) {
                failure = tr("创建第 %1 个分区失败: %2").arg(i).arg(request.volumeLabel);
                if (!storage->lastFailure().isEmpty())
                    failure += QStringLiteral(" (%1)").arg(storage->lastFailure());
                node.detail = failure;
                return false;
            }
            // A letter the user asked for and did not get is said in the end, never only traced.
            if (!request.driveLetter.isEmpty() && !storage->assignDriveLetter(id, request.driveLetter)) {
                qWarning() << "WorkerThread: ⚠ 无法分配盘符" << request.driveLetter << "给分区" << id;
                const QString now = driveletter::driveOf(storage->getPartitionInfo(id));
                lettersNotGiven << tr("Partition %1 did not get the letter %2 (it is in use or cannot be given); it has %3.")
                                       .arg(i)
                                       .arg(driveletter::drive(driveletter::parse(request.driveLetter)),
                                            now.isEmpty() ? tr("no letter") : now);
            }
            created << id;
            node.detail = id;

            if (offset > 0) {
                const PartitionInfo made = storage->getPartitionInfo(id);
                nextOffset = made.sizeBytes > 0
                                 ? made.offsetBytes + made.sizeBytes + (logicalRegion ? LogicalBootRecordRoom : 0)
                                 : 0;
            }
            platform::current().sleepMs(1500);

            if (request.quickFormat) {
                const QString label = request.volumeLabel.isEmpty() ? QStringLiteral("New Volume %1").arg(i)
                                                                    : request.volumeLabel;
                formats << FormatOptions{id, request.fileSystem.isEmpty() ? QStringLiteral("NTFS") : request.fileSystem,
                                         label, 0, true};
            }
            accumulated += 55;
            emit m_worker.partitionCreationProgress(accumulated / count + 5, tr("Partition %1 Created successfully").arg(i));
            return true;
        }};
    }

    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    const StepRunner::Stop stop = runner.run(steps);
    if (stop != StepRunner::Stop::None) {
        qWarning() << "WorkerThread: 创建过程中出现错误，开始清理...";
        QStringList left;
        for (const QString &earlier : std::as_const(created))
            if (!storage->deletePartition(earlier))
                left << earlier;
        QString message = stop == StepRunner::Stop::Failed ? failure : tr("The operation has been canceled");
        // What the disk holds now: the partitions made before the failure are taken out again.
        if (!created.isEmpty() && left.isEmpty())
            message += QLatin1Char('\n') + (created.size() == 1
                                                  ? tr("The partition made before it was removed again; the disk is as it was.")
                                                  : tr("The %1 partitions made before it were removed again; the disk is as it was.")
                                                        .arg(created.size()));
        else if (!left.isEmpty())
            message += QLatin1Char('\n') + tr("Removing the partitions made before it failed: %1 remain on the disk.")
                                               .arg(left.join(QStringLiteral(", ")));
        endCreation(false, message);
        return;
    }

    emit m_worker.partitionCreationProgress(60, tr("All partitions created, ready to format..."));
    m_lettersNotGiven = lettersNotGiven;
    if (!formats.isEmpty()) {
        m_worker.startBatchFormat(formats);
        return;
    }
    emit m_worker.partitionCreationProgress(100, tr("Partition creation completed (unformatted)"));
    endCreation(true, tr("Successfully created %1 partitions").arg(count));
}

QString BatchJob::refusal(WindowsStorageManager &storage, const QList<PartitionCreateRequest> &requests, int diskIndex,
                          bool *logical)
{
    int style = 0;
    for (const QVariantMap &disk : storage.getDisks())
        if (disk.value(DiskKey::Id).toString() == QString::number(diskIndex))
            style = disk.value(DiskKey::PartitionStyle).toInt();
    const QList<PartitionInfo> layout = storage.getPartitions(QString::number(diskIndex));
    // Where the first goes; unplaced, the provider takes the largest free region.
    const qint64 start = requests.isEmpty() ? 0 : requests.first().offsetBytes;
    const PartitionInfo *free = nullptr;
    for (const PartitionInfo &p : layout) {
        if (!p.isUnallocated)
            continue;
        if (start > 0 ? p.offsetBytes <= start && start < p.offsetBytes + p.sizeBytes
                      : !free || p.sizeBytes > free->sizeBytes)
            free = &p;
    }
    if (!free)
        return layoutChangedText();
    creationplan::Region region = creationplan::regionOf(*free, style, layout);
    *logical = region.logical;
    if (start > region.offset) {
        region.size -= start - region.offset;
        region.offset = start;
    }
    return creationplan::check(region, requests).refusal;
}

void BatchJob::endCreation(bool success, const QString &message)
{
    m_isCreateAndFormatMode = false;
    m_worker.publishReport(m_report);
    m_worker.jobEnded();
    const QStringList notes = m_lettersNotGiven + m_labelsNotSet;
    emit m_worker.partitionCreationCompleted(success, success && !notes.isEmpty()
                                                          ? message + QLatin1Char('\n') + notes.join(QLatin1Char('\n'))
                                                          : message);
}

void BatchJob::startFormat(const QList<FormatOptions> &tasks)
{
    if (tasks.isEmpty()) {
        emit m_worker.batchFormatFinished(true, tr("No tasks to process"));
        return;
    }
    m_formatQueue = tasks;
    m_unformatted.clear();
    m_labelsNotSet.clear();
    m_totalFormatTasks = int(tasks.size());
    m_succeededFormatTasks = 0;
    m_batchErrors.clear();
    m_isBatchFormatting = true;
    processNextFormatTask();
}

void BatchJob::processNextFormatTask()
{
    if (!m_formatQueue.isEmpty() && m_worker.stopRequest().load()) {
        // Stopped between partitions: those formatted stay so, the rest are not touched.
        const int left = int(m_formatQueue.size());
        m_formatQueue.clear();
        m_isBatchFormatting = false;
        m_formatCancelled = true;
        onBatchFormatFinished(false, tr("Formatting canceled: %1 of %2 partitions formatted; %3 not started and left as "
                                        "they were. %4")
                                         .arg(m_succeededFormatTasks)
                                         .arg(m_totalFormatTasks)
                                         .arg(left)
                                         .arg(m_batchErrors)
                                         .trimmed());
        return;
    }
    if (!m_formatQueue.isEmpty()) {
        const FormatOptions task = m_formatQueue.takeFirst();
        const bool ok = m_worker.formatPartition(task.partitionPath, task.fileSystem, task.volumeLabel);
        QString message = ok ? tr("Partition %1 formatted successfully").arg(task.partitionPath)
                             : tr("Partition %1 could not be formatted").arg(task.partitionPath);
        if (!ok) {
            m_unformatted << task.partitionPath;
            if (!m_worker.lastFormatCause().isEmpty())
                message += QStringLiteral(" (%1)").arg(m_worker.lastFormatCause());
        } else if (!m_worker.lastFormatCause().isEmpty()) {
            m_labelsNotSet << tr("Partition %1: %2.").arg(task.partitionPath, m_worker.lastFormatCause());
        }
        const int done = m_totalFormatTasks - int(m_formatQueue.size());
        emit m_worker.batchFormatProgress(done, m_totalFormatTasks, done * 100 / m_totalFormatTasks);
        if (m_isBatchFormatting) {
            if (ok)
                ++m_succeededFormatTasks;
            else
                m_batchErrors += message + QLatin1String("; ");
            processNextFormatTask();
        }
        return;
    }

    const bool all = m_succeededFormatTasks == m_totalFormatTasks;
    QString message = all ? tr("All %1 partitions formatted successfully").arg(m_totalFormatTasks)
                                : tr("%1 of %2 partitions formatted. %3")
                                      .arg(m_succeededFormatTasks)
                                      .arg(m_totalFormatTasks)
                                      .arg(m_batchErrors);
    if (!m_labelsNotSet.isEmpty())
        message += QLatin1Char('\n') + m_labelsNotSet.join(QLatin1Char('\n'));
    m_isBatchFormatting = false;
    onBatchFormatFinished(all, message);
}

void BatchJob::onSingleFormatFinished(bool success, const QString &message)
{
    if (!m_isBatchFormatting)
        return;
    if (success)
        ++m_succeededFormatTasks;
    else
        m_batchErrors += tr("格式化失败: %1; ").arg(message);
    processNextFormatTask();
}

void BatchJob::onBatchFormatFinished(bool success, const QString &message)
{
    emit m_worker.batchFormatFinished(success, message);
    if (!m_isCreateAndFormatMode) {
        m_worker.jobEnded();
        return;
    }
    if (success)
        endCreation(true, tr("Partition creation and formatting are all completed！"));
    else
        endCreation(false, m_formatCancelled
                               ? message
                               // What the disk holds: the partition is there, without a file system.
                               : tr("The formatting process failed: %1").arg(message) + QLatin1Char('\n')
                                     + (m_unformatted.size() == 1
                                            ? tr("Partition %1 was created and stays on the disk without a file system.")
                                            : tr("Partitions %1 were created and stay on the disk without a file system."))
                                           .arg(m_unformatted.join(QStringLiteral(", "))));
}
