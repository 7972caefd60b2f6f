#include "deletejob.h"

#include "diskoperationworker.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "storage/scriptrunner.h"

#include <QDebug>
#include <QTimer>

#include <exception>

void DiskOperationWorker::startDeletePartition(PartitionInfo options)
{
    // Test and set in one step: the flag is cleared on the worker's thread.
    if (m_exclusiveJob.exchange(true)) {
        emit deletePartitionFinished(false, tr("Another delete operation is in progress"));
        return;
    }
    qDebug() << "开始删除分区:" << options.diskIndex << options.partitionNumber;
    // A 0 ms timer with the worker as context runs the job on the worker's own thread.
    QTimer::singleShot(0, this, [this, options] { executeDeletePartition(options); });
}

void DiskOperationWorker::executeDeletePartition(PartitionInfo options)
{
    setCurrentOperation(DeleteOperation, 0);
    DeleteJob(*this).run(options);
    endCurrentOperation(DeleteOperation);
    jobEnded();
}

bool DiskOperationWorker::deletePartitionWithDiskpart(PartitionInfo options)
{
    return DeleteJob(*this).deleteWithDiskpart(options);
}

void DeleteJob::run(const PartitionInfo &partition)
{
    m_report.asked = JobReport::tr("delete partition %1:%2").arg(partition.diskIndex).arg(partition.partitionNumber);
    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    const Step remove{JobReport::tr("delete partition"), true, [&](ReportNode &node) {
        const QString status = tr("Deleting partition....");
        emit m_worker.deletePartitionProgress(status, 30);
        emit m_worker.deletePartitionStatusChanged(status);
        // Read again just before it goes: numbers shift after a delete elsewhere, and another
        // program may have changed the disk since the user chose. A record without a size
        // (a bare disk and number) has nothing to compare.
        const QString changed = storageaccess::changedSinceConfirmed(m_worker, partition);
        if (!changed.isEmpty()) {
            m_error = node.detail = changed;
            return false;
        }
        const bool ok = deleteWithDiskpart(partition);
        node.detail = m_error;
        return ok;
    }};

    bool ok = false;
    try {
        ok = runner.run({remove}) == StepRunner::Stop::None;
        if (ok) {
            const QString status = tr("Partition deletion completed");
            emit m_worker.deletePartitionProgress(status, 100);
            emit m_worker.deletePartitionStatusChanged(status);
            qDebug() << "✅ 分区删除成功:" << partition.diskIndex << partition.partitionNumber;
        } else if (runner.stopped() == StepRunner::Stop::Cancelled) {
            m_error = tr("The operation has been canceled");
        }
    } catch (const std::exception &e) {
        m_error = tr("Exception occurred when deleting a partition: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        m_error = tr("Unknown exception occurred when deleting a partition");
    }
    m_worker.publishReport(m_report);

    // Cleared before the result goes out, so a request made on receiving it is accepted.
    m_worker.releaseExclusiveJob();
    if (!ok && !m_details.isEmpty())
        emit m_worker.deletePartitionDetails(m_details);
    emit m_worker.deletePartitionFinished(ok, ok ? QString() : m_error);
}

bool DeleteJob::deleteWithDiskpart(const PartitionInfo &partition)
{
    scriptrunner::RunRequest request;
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(partition.diskIndex),
        QStringLiteral("select partition %1").arg(partition.partitionNumber),
        QStringLiteral("delete partition override"),
        QStringLiteral("exit"),
    };
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::DeletePartition, request);
    if (!result.scriptWritten) {
        m_error = tr("Unable to create temporary script file");
        return false;
    }

    qDebug().noquote() << "[deletePartitionWithDiskpart] stdout:" << result.output;
    qDebug().noquote() << "[deletePartitionWithDiskpart] stderr:" << result.errorOutput;
    if (result.success)
        return true;

    // The user reads the cause; the transcript goes to the trace and behind the details.
    m_details = result.output;
    if (!result.errorOutput.isEmpty())
        m_details += QStringLiteral("\n") + result.errorOutput;
    const QString cause = scriptrunner::failureCause(scriptrunner::Run::DeletePartition, result);
    // Ended with code 0 and still failed: the run's own test found an "error" in the output.
    const bool endedWithZero = result.finished && result.exitCodeObtained && result.exitCode == 0;
    m_error = (endedWithZero ? tr("Error occurred during deletion:\n%1") : tr("Deletion failed:\n%1")).arg(cause);
    return false;
}
