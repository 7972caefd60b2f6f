// The delete job: one partition removed by a diskpart script, at most one deletion per worker.

#include "diskoperationworker.h"

#include "storage/scriptrunner.h"

#include <QDebug>
#include <QTimer>

#include <exception>

void DiskOperationWorker::startDeletePartition(PartitionInfo options)
{
    // Test and set in one step: the flag is cleared on the worker's thread.
    if (m_isDeleting.exchange(true)) {
        emit deletePartitionFinished(false, tr("Another delete operation is in progress"));
        return;
    }
    qDebug() << "开始删除分区:" << options.diskIndex << options.partitionNumber;
    // A 0 ms timer with the worker as context runs the job on the worker's own thread.
    QTimer::singleShot(0, this, [this, options] { executeDeletePartition(options); });
}

void DiskOperationWorker::executeDeletePartition(PartitionInfo options)
{
    m_currentPartition = options;
    m_deleteError.clear();
    m_deleteDetails.clear();

    bool ok = false;
    try {
        m_currentStatus = tr("Deleting partition....");
        emit deletePartitionProgress(m_currentStatus, 30);
        emit deletePartitionStatusChanged(m_currentStatus);

        ok = deletePartitionWithDiskpart(options);
        if (ok) {
            m_currentStatus = tr("Partition deletion completed");
            emit deletePartitionProgress(m_currentStatus, 100);
            emit deletePartitionStatusChanged(m_currentStatus);
            qDebug() << "✅ 分区删除成功:" << options.diskIndex << options.partitionNumber;
        }
    } catch (const std::exception &e) {
        ok = false;
        m_deleteError = tr("Exception occurred when deleting a partition: %1")
                            .arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ok = false;
        m_deleteError = tr("Unknown exception occurred when deleting a partition");
    }

    // Cleared before the result goes out, so a request made on receiving it is accepted.
    m_isDeleting = false;
    if (!ok && !m_deleteDetails.isEmpty())
        emit deletePartitionDetails(m_deleteDetails);
    emit deletePartitionFinished(ok, ok ? QString() : m_deleteError);
}

bool DiskOperationWorker::deletePartitionWithDiskpart(PartitionInfo options)
{
    scriptrunner::RunRequest request;
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(options.diskIndex),
        QStringLiteral("select partition %1").arg(options.partitionNumber),
        QStringLiteral("delete partition override"),
        QStringLiteral("exit"),
    };
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::DeletePartition, request);
    if (!result.scriptWritten) {
        m_deleteError = tr("Unable to create temporary script file");
        return false;
    }

    qDebug().noquote() << "[deletePartitionWithDiskpart] stdout:" << result.output;
    qDebug().noquote() << "[deletePartitionWithDiskpart] stderr:" << result.errorOutput;
    if (result.success)
        return true;

    // The user reads the cause; the transcript goes to the trace and behind the details.
    m_deleteDetails = result.output;
    if (!result.errorOutput.isEmpty())
        m_deleteDetails += QStringLiteral("\n") + result.errorOutput;
    const QString cause = scriptrunner::failureCause(scriptrunner::Run::DeletePartition, result);
    // Ended with code 0 and still failed: the run's own test found an "error" in the output.
    const bool endedWithZero = result.finished && result.exitCodeObtained && result.exitCode == 0;
    m_deleteError = (endedWithZero ? tr("Error occurred during deletion:\n%1")
                                   : tr("Deletion failed:\n%1"))
                        .arg(cause);
    return false;
}
