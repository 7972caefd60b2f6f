// The resize job: finds the partition's file system, converts FAT32 to NTFS by formatting it
// (the provider resizes NTFS only), then resizes through the storage layer. Also the stand-alone
// NTFS conversion and its script.

#include "diskoperationworker.h"

#include "crossthreadcall.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
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

// A partition id rather than a drive letter ("E:").
bool looksLikePartitionId(const QString &text)
{
    return text.contains(QLatin1Char(':')) && text.size() > 2;
}

// Why the resize cannot be done, checked before anything is changed (a FAT32 partition would
// otherwise lose its contents to the conversion for a resize that is then refused); empty when
// the request may go ahead.
QString resizeRefusal(DiskOperationWorker &worker, const QString &partitionId, qint64 newSizeBytes)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked))
        return DiskOperationWorker::tr("Invalid partition ID: %1").arg(partitionId);
    if (newSizeBytes < MiB)
        return DiskOperationWorker::tr("The new size must be at least 1 MB");

    PartitionInfo info;
    qlonglong maximum = 0;
    bool read = false;
    if (worker.m_storageManager) {
        read = crossthread::invokeBlocking(worker.m_storageManager, "getPartitionInfo", info, partitionId)
               && crossthread::invokeBlocking(worker.m_storageManager, "getPartitionMaximumSize", maximum, partitionId);
    } else if (WindowsStorageManager *own = worker.workerStorageManager()) {
        info = own->getPartitionInfo(partitionId);
        maximum = own->getPartitionMaximumSize(partitionId);
        read = true;
    }
    if (!read)
        return DiskOperationWorker::tr("The partition layout could not be read");
    if (info.isUnallocated || info.partitionNumber != id.partition || maximum <= 0)
        return DiskOperationWorker::tr("Partition %1 was not found").arg(partitionId);
    if (isRefusedPartition(info))
        return partitionGuardText(info);
    // The free space inside an extended partition is not listed, so a logical drive's room is
    // left to the provider.
    if (info.typeCode != 4 && newSizeBytes > maximum)
        return DiskOperationWorker::tr("The new size is larger than the partition and the unallocated space after it "
                                       "(at most %1 bytes)")
            .arg(maximum);
    return QString();
}

} // namespace

void DiskOperationWorker::resizePartitionCompleteAsync(QString partitionId, qlonglong newSizeBytes)
{
    qDebug() << "[resizePartitionCompleteAsync] 分区:" << partitionId << "目标大小:" << newSizeBytes << QThread::currentThreadId();
    emit operationProgress(5);

    const QString refusal = resizeRefusal(*this, partitionId, newSizeBytes);
    if (!refusal.isEmpty()) {
        qWarning().noquote() << "[resizePartitionCompleteAsync] 拒绝调整:" << refusal;
        emit operationCompleted(false, tr("Failed to resize partition: %1").arg(refusal));
        return;
    }

    const QString fileSystem = detectFileSystemInWorker(partitionId);
    if (fileSystem.toUpper() == QLatin1String("FAT32")) {
        qDebug() << "检测到FAT32分区，需要先转换为NTFS";
        emit operationProgress(15);
        if (!convertFat32ToNtfs(partitionId)) {
            emit operationCompleted(false, tr("Failed to convert FAT32 to NTFS"));
            return;
        }
        emit operationProgress(55);
        platform::current().sleepMs(2000);
    } else if (!fileSystem.isEmpty()) {
        if (isNtfs(fileSystem))
            qDebug() << "It is already an NTFS partition, you can resize it directly";
        else
            qWarning() << "Unknown file system type:" << fileSystem;
        emit operationProgress(25);
    } else {
        qWarning() << "Unable to detect file system type, try to continue...";
        emit operationProgress(10);
    }

    emit operationProgress(65);
    if (resizePartitionInThread(partitionId, newSizeBytes)) {
        emit operationProgress(100);
        emit operationCompleted(true, tr("Partition resized successfully"));
    } else {
        emit operationCompleted(false, tr("Failed to resize partition"));
    }
}

bool DiskOperationWorker::convertFat32ToNtfs(QString partitionId)
{
    emit operationProgress(25);
    if (!looksLikePartitionId(partitionId)) {
        qWarning() << "[convertFat32ToNtfs] 只能转换分区ID:" << partitionId;
        return false;
    }
    if (!formatUsingDiskpart(partitionId))
        return false;

    emit operationProgress(45);
    platform::current().sleepMs(3000);
    const QString fileSystem = detectFileSystemInWorker(partitionId);
    if (isNtfs(fileSystem)) {
        qDebug() << "✅ 格式化验证成功";
        return true;
    }
    qWarning() << "⚠️ File system verification exception after formatting:" << fileSystem;
    return false;
}

bool DiskOperationWorker::resizePartitionInThread(QString partitionId, qint64 newSizeBytes)
{
    qDebug() << "[resizePartitionInThread] 线程:" << QThread::currentThreadId() << static_cast<const void *>(m_storageManager);
    emit operationProgress(60);

    if (!m_storageManager) {
        qDebug() << "主线程存储管理器不可用，使用工作线程存储管理器...";
        WindowsStorageManager *own = workerStorageManager();
        if (!own) {
            qWarning() << "Unable to initialize WMI in worker thread";
            return false;
        }
        const bool ok = own->resizePartitionStorageAPI(partitionId, newSizeBytes);
        emit operationProgress(90);
        return ok;
    }

    // The creator's manager answers only on its own thread (its COM apartment).
    bool ok = false;
    if (!crossthread::invokeBlocking(m_storageManager, "resizePartitionStorageAPI", ok, partitionId, newSizeBytes))
        return false;
    qDebug() << "跨线程调用结果:" << ok;
    emit operationProgress(90);
    return ok;
}

QString DiskOperationWorker::detectFileSystemInWorker(QString partitionId)
{
    if (m_storageManager) {
        QString fileSystem;
        if (crossthread::invokeBlocking(m_storageManager, "getPartitionFileSystemById", fileSystem, partitionId)
            && !fileSystem.isEmpty())
            return fileSystem;
        PartitionInfo info;
        if (crossthread::invokeBlocking(m_storageManager, "getPartitionInfo", info, partitionId)
            && !info.fileSystem.isEmpty())
            return info.fileSystem;
    }
    if (!m_workerStorageManager) {
        qDebug() << "工作线程中的StorageManager未初始化，尝试初始化...";
        if (!initWorkerStorageManager()) {
            qWarning() << "Unable to initialize WMI in worker thread";
            return QString();
        }
    }
    return m_workerStorageManager.load()->getPartitionFileSystemById(partitionId);
}

bool DiskOperationWorker::formatUsingDiskpart(QString partitionId)
{
    if (partitionId.split(QLatin1Char(':'), Qt::KeepEmptyParts).size() != 2) {
        qWarning() << "❌ Invalid partition ID format:" << partitionId;
        return false;
    }
    PartitionId id;
    if (!parsePartitionId(partitionId, &id, IdCheck::Checked)) {
        qWarning() << "❌ 分区ID解析失败:" << partitionId;
        return false;
    }
    emit operationProgress(20);

    // No "active": on an MBR disk it would move the boot flag to this data partition, and on
    // GPT the command fails and turns a good conversion into a failed run.
    scriptrunner::RunRequest request;
    request.nameParts = {QString::number(id.disk), QString::number(id.partition)};
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(id.disk),
        QStringLiteral("select partition %1").arg(id.partition),
        QStringLiteral("detail partition"),
        QStringLiteral("format fs=ntfs quick label=\"Data\" override"),
        QStringLiteral("exit"),
    };
    emit operationProgress(40);
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatUsingDiskpart, request);
    if (result.started) {
        emit operationProgress(60);
        emit operationProgress(80);
    }
    // The cause names a tool that did not start as well as one that failed.
    if (!result.success) {
        qWarning().noquote() << "[formatUsingDiskpart]" << scriptrunner::failureCause(scriptrunner::Run::FormatUsingDiskpart, result);
        return false;
    }
    return true;
}

void DiskOperationWorker::formatPartitionToNTFSAsync(QString partitionId)
{
    qDebug() << "[formatPartitionToNTFSAsync] 线程:" << QThread::currentThreadId() << "目标:" << partitionId;
    emit operationProgress(5);

    const bool byId = looksLikePartitionId(partitionId);
    if (byId) {
        const QString fileSystem = detectFileSystemInWorker(partitionId);
        if (isNtfs(fileSystem)) {
            emit operationProgress(100);
            emit operationCompleted(true, tr("Already NTFS, no conversion needed"));
            return;
        }
        if (fileSystem.toUpper() == QLatin1String("FAT32"))
            qDebug() << "FAT32分区，开始转换为NTFS";
        else if (!fileSystem.isEmpty())
            qWarning() << "非FAT32文件系统，仍然转换为NTFS:" << fileSystem;
        else
            qWarning() << "⚠️ Cannot detect file system. Conversion required for resize. Continue?";
    }
    emit operationProgress(10);

    bool ok = false;
    if (partitionId.size() == 2 && partitionId.endsWith(QLatin1Char(':'))) {
        ok = formatUsingDiskpartByVolume(partitionId, QStringLiteral("ntfs"), QStringLiteral("Data"), true);
    } else if (partitionId.contains(QLatin1Char(':'))) {
        ok = formatUsingDiskpart(partitionId);
    } else {
        emit operationCompleted(false, tr("Invalid parameter: neither drive letter nor partition ID"));
        return;
    }
    if (!ok) {
        emit operationCompleted(false, tr("diskpart格式化命令执行失败"));
        return;
    }

    emit operationProgress(90);
    platform::current().sleepMs(2000);
    if (byId) {
        const QString fileSystem = detectFileSystemInWorker(partitionId);
        if (!isNtfs(fileSystem))
            qWarning() << "⚠️ 格式化后文件系统验证异常:" << fileSystem;
    }
    emit operationProgress(100);
    emit operationCompleted(true, tr("diskpart格式化成功完成"));
}
