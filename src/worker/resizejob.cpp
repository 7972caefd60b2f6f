#include "resizejob.h"

#include "diskoperationworker.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "common/volumelabel.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>
#include <QThread>

namespace {

constexpr qint64 MiB = 1048576;

bool isNtfs(const QString &fileSystem)
{
    return fileSystem.toUpper() == QLatin1String("NTFS");
}

} // namespace

void DiskOperationWorker::resizePartitionCompleteAsync(QString partitionId, qlonglong newSizeBytes)
{
    ResizeJob(*this).run(partitionId, newSizeBytes);
    jobEnded();
}

void DiskOperationWorker::resizeConfirmedPartitionAsync(PartitionInfo confirmed, qlonglong newSizeBytes)
{
    ResizeJob(*this).run(confirmed.id, newSizeBytes, confirmed);
    jobEnded();
}

void DiskOperationWorker::formatPartitionToNTFSAsync(QString partitionId)
{
    ResizeJob(*this).convertToNtfs(partitionId);
    jobEnded();
}

bool DiskOperationWorker::convertFat32ToNtfs(QString partitionId)
{
    return ResizeJob(*this).convertFat32ToNtfs(partitionId);
}

bool DiskOperationWorker::resizePartitionInThread(QString partitionId, qint64 newSizeBytes)
{
    return ResizeJob(*this).resizeInThread(partitionId, newSizeBytes);
}

QString DiskOperationWorker::detectFileSystemInWorker(QString partitionId)
{
    return ResizeJob(*this).detectFileSystem(partitionId);
}

bool DiskOperationWorker::formatUsingDiskpart(QString partitionId)
{
    return ResizeJob(*this).formatUsingDiskpart(partitionId);
}

QString ResizeJob::refusal(const QString &partitionId, qint64 newSizeBytes, const PartitionInfo &confirmed)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked))
        return tr("Invalid partition ID: %1").arg(partitionId);
    if (newSizeBytes < MiB)
        return tr("The new size must be at least 1 MB");
    if (!storageaccess::manager(m_worker))
        return storageaccess::unavailableText();

    const std::optional<PartitionInfo> info = storageaccess::partitionInfo(m_worker, partitionId);
    const std::optional<qlonglong> maximum = info ? storageaccess::maximumSize(m_worker, partitionId) : std::nullopt;
    if (!maximum)
        return tr("The partition layout could not be read");
    if (info->isUnallocated || info->partitionNumber != id.partition || *maximum <= 0)
        return tr("Partition %1 was not found").arg(partitionId);
    // Checked right before the FAT32 conversion, which erases the volume.
    if (confirmed.sizeBytes > 0 && !isSamePartition(confirmed, *info))
        return layoutChangedText();
    if (isRefusedPartition(*info))
        return partitionGuardText(*info);
    // Checked before anything changes: a FAT32 volume is reformatted first, and a size the
    // provider then refuses would leave it empty for nothing.
    if (newSizeBytes > *maximum)
        return tr("The new size is larger than the partition and the unallocated space after it "
                  "(at most %1 bytes)")
            .arg(*maximum);
    const qlonglong minimum = storageaccess::minimumSize(m_worker, partitionId).value_or(0);
    if (newSizeBytes < minimum)
        return tr("The new size is smaller than the files and the file system on the partition need "
                  "(at least %1 bytes)")
            .arg(minimum);
    return QString();
}

void ResizeJob::run(const QString &partitionId, qint64 newSizeBytes, const PartitionInfo &confirmed)
{
    qDebug() << "[resizePartitionCompleteAsync] 分区:" << partitionId << "目标大小:" << newSizeBytes << QThread::currentThreadId();
    emit m_worker.operationProgress(5);
    m_report.asked = JobReport::tr("resize %1 to %2 bytes").arg(partitionId).arg(newSizeBytes);

    QString failure;
    QString fileSystem;
    const QList<Step> steps{
        {JobReport::tr("check the plan"), false, [&](ReportNode &node) {
             node.detail = refusal(partitionId, newSizeBytes, confirmed);
             if (node.detail.isEmpty())
                 return true;
             qWarning().noquote() << "[resizePartitionCompleteAsync] 拒绝调整:" << node.detail;
             failure = tr("Failed to resize partition: %1").arg(node.detail);
             return false;
         }},
        {JobReport::tr("find the file system"), false, [&](ReportNode &node) {
             fileSystem = detectFileSystem(partitionId);
             node.detail = fileSystem;
             return true;
         }},
        {JobReport::tr("convert FAT32 to NTFS"), true, [&](ReportNode &node) {
             if (fileSystem.toUpper() != QLatin1String("FAT32")) {
                 if (isNtfs(fileSystem))
                     qDebug() << "It is already an NTFS partition, you can resize it directly";
                 else if (!fileSystem.isEmpty())
                     qWarning() << "Unknown file system type:" << fileSystem;
                 else
                     qWarning() << "Unable to detect file system type, try to continue...";
                 emit m_worker.operationProgress(fileSystem.isEmpty() ? 10 : 25);
                 node.detail = QStringLiteral("not needed");
                 return true;
             }
             qDebug() << "检测到FAT32分区，需要先转换为NTFS";
             emit m_worker.operationProgress(15);
             if (!convertFat32ToNtfs(partitionId)) {
                 failure = tr("Failed to convert FAT32 to NTFS");
                 node.detail = failure;
                 return false;
             }
             emit m_worker.operationProgress(55);
             platform::current().sleepMs(2000);
             return true;
         }},
        {JobReport::tr("resize"), true, [&](ReportNode &node) {
             emit m_worker.operationProgress(65);
             if (resizeInThread(partitionId, newSizeBytes))
                 return true;
             const QString why = storageaccess::lastFailure(m_worker);
             failure = why.isEmpty() ? tr("Failed to resize partition") : tr("Failed to resize partition: %1").arg(why);
             // The end state, when it differs from before: the conversion has already happened.
             if (fileSystem.toUpper() == QLatin1String("FAT32"))
                 failure += QLatin1Char('\n') + tr("It had been reformatted from FAT32 to NTFS first, so the files it "
                                                    "held are gone; it keeps its old size.");
             node.detail = failure;
             return false;
         }},
    };

    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    const StepRunner::Stop stop = runner.run(steps);
    m_worker.publishReport(m_report);
    if (stop == StepRunner::Stop::None) {
        emit m_worker.operationProgress(100);
        QString message = tr("Partition resized successfully");
        const bool converted = fileSystem.toUpper() == QLatin1String("FAT32");
        if (converted && m_label.isEmpty())
            message += QLatin1Char(' ') + tr("It was reformatted from FAT32 to NTFS first; the files it held were erased.");
        else if (converted && m_labelLost.isEmpty())
            message += QLatin1Char(' ') + tr("It was reformatted from FAT32 to NTFS first; the files it held were erased, "
                                             "its label \u201C%1\u201D was kept.").arg(m_label);
        else if (converted)
            message += QLatin1Char(' ') + tr("It was reformatted from FAT32 to NTFS first; the files it held were erased, "
                                             "and its label \u201C%1\u201D could not be given back: %2.").arg(m_label, m_labelLost);
        emit m_worker.operationCompleted(true, message);
        return;
    }
    emit m_worker.operationCompleted(false, stop == StepRunner::Stop::Failed ? failure : tr("The operation has been canceled"));
}


bool ResizeJob::convertFat32ToNtfs(const QString &partitionId)
{
    emit m_worker.operationProgress(25);
    if (!formatUsingDiskpart(partitionId))
        return false;

    emit m_worker.operationProgress(45);
    platform::current().sleepMs(3000);
    const QString fileSystem = detectFileSystem(partitionId);
    if (isNtfs(fileSystem)) {
        qDebug() << "✅ 格式化验证成功";
        return true;
    }
    qWarning() << "⚠️ File system verification exception after formatting:" << fileSystem;
    return false;
}

bool ResizeJob::resizeInThread(const QString &partitionId, qint64 newSizeBytes)
{
    qDebug() << "[resizePartitionInThread] 线程:" << QThread::currentThreadId();
    emit m_worker.operationProgress(60);
    // A shrink may take minutes: it runs here, on the job's own manager.
    WindowsStorageManager *own = storageaccess::manager(m_worker);
    if (!own) {
        qWarning() << "Unable to initialize WMI in worker thread";
        return false;
    }
    const bool ok = own->resizePartitionStorageAPI(partitionId, newSizeBytes);
    emit m_worker.operationProgress(90);
    return ok;
}

QString ResizeJob::detectFileSystem(const QString &partitionId)
{
    WindowsStorageManager *own = storageaccess::manager(m_worker);
    if (!own) {
        qWarning() << "Unable to initialize WMI in worker thread";
        return QString();
    }
    return own->getPartitionFileSystemById(partitionId);
}

bool ResizeJob::formatUsingDiskpart(const QString &partitionId)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "❌ Invalid partition ID format:" << partitionId;
        return false;
    }
    emit m_worker.operationProgress(20);

    // No "active": on an MBR disk it would move the boot flag to this data partition, and on
    // GPT the command fails and turns a good conversion into a failed run.
    const std::optional<PartitionInfo> before = storageaccess::partitionInfo(m_worker, partitionId);
    m_label = before ? before->volumeLabel : QString();
    // Only a label the script shows unchanged in any console code page goes into it.
    const bool inScript = !m_label.isEmpty() && volumelabel::isPrintableAscii(m_label)
                          && volumelabel::forFileSystem(QStringLiteral("NTFS"), m_label) == m_label;
    scriptrunner::RunRequest request;
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(id.disk),
        QStringLiteral("select partition %1").arg(id.partition),
        QStringLiteral("detail partition"),
        inScript ? QStringLiteral("format fs=ntfs quick label=\"%1\" override").arg(m_label)
                 : QStringLiteral("format fs=ntfs quick override"),
        QStringLiteral("exit"),
    };
    emit m_worker.operationProgress(40);
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatUsingDiskpart, request);
    if (result.started) {
        emit m_worker.operationProgress(60);
        emit m_worker.operationProgress(80);
    }
    // The cause names a tool that did not start as well as one that failed.
    if (!result.success) {
        qWarning().noquote() << "[formatUsingDiskpart]" << scriptrunner::failureCause(scriptrunner::Run::FormatUsingDiskpart, result);
        return false;
    }
    m_labelLost.clear();
    if (!m_label.isEmpty() && !inScript) {
        const QString drive = before ? driveletter::driveOf(*before) : QString();
        m_labelLost = drive.isEmpty() ? tr("the partition has no drive letter to name it through")
                                      : storageaccess::setVolumeLabel(m_worker, drive, m_label);
    }
    return true;
}

void ResizeJob::convertToNtfs(const QString &partitionId)
{
    qDebug() << "[formatPartitionToNTFSAsync] 线程:" << QThread::currentThreadId() << "目标:" << partitionId;
    emit m_worker.operationProgress(5);

    PartitionId id;
    const bool byId = parsePartitionId(partitionId, &id);
    if (byId) {
        const QString fileSystem = detectFileSystem(partitionId);
        if (isNtfs(fileSystem)) {
            emit m_worker.operationProgress(100);
            emit m_worker.operationCompleted(true, tr("Already NTFS, no conversion needed"));
            return;
        }
        qDebug() << "Converting to NTFS from" << (fileSystem.isEmpty() ? QStringLiteral("an undetected file system") : fileSystem);
    }
    emit m_worker.operationProgress(10);

    bool ok = false;
    if (driveletter::isDriveText(partitionId)) {
        ok = m_worker.formatUsingDiskpartByVolume(partitionId, QStringLiteral("ntfs"), QStringLiteral("Data"), true);
    } else if (byId) {
        ok = formatUsingDiskpart(partitionId);
    } else {
        emit m_worker.operationCompleted(false, tr("Invalid parameter: neither drive letter nor partition ID"));
        return;
    }
    if (!ok) {
        emit m_worker.operationCompleted(false, tr("diskpart格式化命令执行失败"));
        return;
    }

    emit m_worker.operationProgress(90);
    platform::current().sleepMs(2000);
    if (byId) {
        const QString fileSystem = detectFileSystem(partitionId);
        if (!isNtfs(fileSystem))
            qWarning() << "⚠️ 格式化后文件系统验证异常:" << fileSystem;
    }
    emit m_worker.operationProgress(100);
    emit m_worker.operationCompleted(true, tr("diskpart格式化成功完成"));
}
