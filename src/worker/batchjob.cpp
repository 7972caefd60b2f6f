// The batch job: several new partitions in a row, each lettered, then formatted one after another,
// with one result for the whole job. The format part also runs on its own from a list.

#include "diskoperationworker.h"

#include "platform/platform.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>

void DiskOperationWorker::startBatchCreateAndFormat(QList<PartitionCreateRequest> requests, int diskIndex)
{
    m_isCreateAndFormatMode = true;
    emit partitionCreationProgress(5, tr("Ready to create partition..."));

    // The storage calls run here, so they go through a manager of this thread's own apartment.
    WindowsStorageManager *storage = workerStorageManager();
    if (!storage) {
        m_isCreateAndFormatMode = false;
        emit partitionCreationCompleted(false, tr("WindowsStorageManager is not initialized"));
        return;
    }

    const int count = int(requests.size());
    QStringList created;
    QList<FormatOptions> formats;
    int accumulated = 0;
    qint64 nextOffset = 0; // end of the partition placed last, where an unplaced request goes
    for (int i = 1; i <= count; ++i) {
        const PartitionCreateRequest &request = requests.at(i - 1);
        emit partitionCreationProgress(accumulated / count + 5, tr("Creating partition %1/%2...").arg(i).arg(count));

        const qint64 offset = request.offsetBytes > 0 ? request.offsetBytes : nextOffset;
        const QString id = storage->createPartition(diskIndex, request.sizeBytes, request.fileSystem,
                                                    request.driveLetter.isEmpty(), offset);
        if (id.isEmpty()) {
            const QString message = tr("创建第 %1 个分区失败: %2").arg(i).arg(request.volumeLabel);
            qWarning() << "WorkerThread: 创建过程中出现错误，开始清理...";
            for (const QString &earlier : std::as_const(created))
                storage->deletePartition(earlier);
            m_isCreateAndFormatMode = false;
            emit partitionCreationCompleted(false, message);
            return;
        }
        if (!request.driveLetter.isEmpty() && !storage->assignDriveLetter(id, request.driveLetter))
            qWarning() << "WorkerThread: ⚠ 无法分配盘符" << request.driveLetter << "给分区" << id;
        created << id;

        if (offset > 0) {
            const PartitionInfo made = storage->getPartitionInfo(id);
            nextOffset = made.sizeBytes > 0 ? made.offsetBytes + made.sizeBytes : 0;
        }
        platform::current().sleepMs(1500);

        if (request.quickFormat) {
            FormatOptions options;
            options.partitionPath = id;
            options.fileSystem = request.fileSystem.isEmpty() ? QStringLiteral("NTFS") : request.fileSystem;
            options.volumeLabel = request.volumeLabel.isEmpty() ? QStringLiteral("New Volume %1").arg(i)
                                                                : request.volumeLabel;
            options.clusterSize = 0;
            options.quickFormat = true;
            formats << options;
        }
        accumulated += 55;
        emit partitionCreationProgress(accumulated / count + 5, tr("Partition %1 Created successfully").arg(i));
    }

    emit partitionCreationProgress(60, tr("All partitions created, ready to format..."));
    if (!formats.isEmpty()) {
        startBatchFormat(formats);
        return;
    }
    m_isCreateAndFormatMode = false;
    emit partitionCreationProgress(100, tr("Partition creation completed (unformatted)"));
    emit partitionCreationCompleted(true, tr("Successfully created %1 partitions").arg(count));
}

void DiskOperationWorker::startBatchFormat(QList<FormatOptions> optionsList)
{
    if (optionsList.isEmpty()) {
        emit batchFormatFinished(true, tr("No tasks to process"));
        return;
    }
    m_formatQueue = optionsList;
    m_totalFormatTasks = int(optionsList.size());
    m_succeededFormatTasks = 0;
    m_batchErrors.clear();
    m_isBatchFormatting = true;
    processNextFormatTask();
}

void DiskOperationWorker::processNextFormatTask()
{
    if (!m_formatQueue.isEmpty()) {
        const FormatOptions task = m_formatQueue.takeFirst();
        const bool ok = formatPartition(task.partitionPath, task.fileSystem, task.volumeLabel);
        const QString message = ok ? tr("Partition %1 formatted successfully").arg(task.partitionPath)
                                   : tr("Partition %1 formatted failed").arg(task.partitionPath);
        const int done = m_totalFormatTasks - int(m_formatQueue.size());
        emit batchFormatProgress(done, m_totalFormatTasks, done * 100 / m_totalFormatTasks);
        if (m_isBatchFormatting) {
            if (ok)
                ++m_succeededFormatTasks;
            else
                m_batchErrors += tr("格式化失败: %1; ").arg(message);
            processNextFormatTask();
        }
        return;
    }

    const bool all = m_succeededFormatTasks == m_totalFormatTasks;
    const QString message = all ? tr("All %1 partitions formatted successfully").arg(m_totalFormatTasks)
                                : tr("Formatting completed, %1/%2 partitions successfully. %3")
                                      .arg(m_succeededFormatTasks)
                                      .arg(m_totalFormatTasks)
                                      .arg(m_batchErrors);
    m_isBatchFormatting = false;
    onBatchFormatFinished(all, message);
}

void DiskOperationWorker::onSingleFormatFinished(bool success, QString message)
{
    if (!m_isBatchFormatting)
        return;
    if (success)
        ++m_succeededFormatTasks;
    else
        m_batchErrors += tr("格式化失败: %1; ").arg(message);
    processNextFormatTask();
}

void DiskOperationWorker::onBatchFormatFinished(bool success, QString message)
{
    emit batchFormatFinished(success, message);
    if (!m_isCreateAndFormatMode)
        return;
    m_isCreateAndFormatMode = false;
    if (success)
        emit partitionCreationCompleted(true, tr("Partition creation and formatting are all completed！"));
    else
        emit partitionCreationCompleted(false, tr("The formatting process failed: %1").arg(message));
}
