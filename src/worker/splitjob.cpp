// The split job: shrinks a partition to the size the user keeps, has diskpart read the disk's
// table again, and creates (and formats) a new partition in the freed space through the batch job.

#include "diskoperationworker.h"

#include "crossthreadcall.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>

#include <exception>

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 MinimumSplitSize = 100 * MiB;

QString gbText(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0 * 1024.0), 'f', 2);
}

// The file systems the provider cannot shrink in place.
bool isUnshrinkableFileSystem(const QString &fileSystem)
{
    const QString fs = fileSystem.trimmed().toUpper();
    return fs == QLatin1String("FAT") || fs == QLatin1String("FAT32") || fs == QLatin1String("EXFAT");
}

} // namespace

void DiskOperationWorker::startSplitPartition(SplitPartitionOptions options)
{
    // Shared with the delete job, which sets it from the caller's thread.
    bool idle = false;
    if (!m_isDeleting.compare_exchange_strong(idle, true)) {
        emit splitPartitionFinished(false, tr("Another operation is in progress, please try again later"));
        return;
    }
    m_splitOptions = options;
    m_splitError.clear();
    m_splitCreated = false;
    emit splitPartitionStatusChanged(tr("Initializing partition split operation..."));
    emit splitPartitionProgress(tr("Ready to split"), 5);
    QMetaObject::invokeMethod(this, &DiskOperationWorker::executeSplit, Qt::QueuedConnection);
}

void DiskOperationWorker::cancelSplitOperation()
{
    m_splitCancelRequested.store(true);
}

bool DiskOperationWorker::splitStopRequested()
{
    if (!m_splitCancelRequested.load())
        return false;
    m_splitError = tr("The user canceled the split operation");
    return true;
}

void DiskOperationWorker::executeSplit()
{
    try {
        emit splitPartitionProgress(tr("验证拆分条件"), 10);
        emit splitPartitionStatusChanged(tr("正在验证分区状态和拆分条件..."));
        if (splitStopRequested()) {
            reportSplitEnd(false, m_splitError);
            return;
        }
        QString text;
        if (m_splitOptions.validateBeforeSplit && !validateSplit(&text)) {
            reportSplitEnd(false, tr("拆分条件验证失败: %1").arg(text));
            return;
        }
        emit splitPartitionProgress(tr("Start split operation"), 15);
        emit splitPartitionStatusChanged(tr("Partition split is being executed..."));
        if (runSplitCore()) {
            const QString message = splitSuccessMessage();
            emit splitPartitionProgress(tr("Split completed"), 100);
            emit splitPartitionStatusChanged(tr("Partition split completed successfully."));
            reportSplitEnd(true, message);
        } else {
            reportSplitEnd(false, m_splitError.isEmpty() ? tr("Partition split failed") : m_splitError);
        }
    } catch (const std::exception &e) {
        reportSplitEnd(false, tr("An error occurred during partition split: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        reportSplitEnd(false, tr("An unknown error occurred during partition split"));
    }
}

bool DiskOperationWorker::validateSplit(QString *text) const
{
    const SplitPartitionOptions &o = m_splitOptions;
    if (!o.isValid()) {
        *text = tr("Invalid split parameters");
        return false;
    }
    if (!m_storageManager && !m_workerStorageManager.load()) {
        *text = tr("Storage manager is not initialized");
        return false;
    }
    if (o.keepSizeBytes < MinimumSplitSize) {
        *text = tr("Keep partition size requires at least %1 MB").arg(100);
        return false;
    }
    if (o.newSizeBytes < MinimumSplitSize) {
        *text = tr("New partition size requires at least %1 MB").arg(100);
        return false;
    }
    const qint64 difference = qAbs(o.originalSizeBytes - (o.keepSizeBytes + o.newSizeBytes));
    if (difference > SplitPartitionOptions::SizeTolerance) {
        *text = tr("The total size of the reserved partition and the new partition does not match the original "
                   "partition size, difference: %1 bytes (exceeds the %2 byte tolerance)")
                    .arg(difference)
                    .arg(SplitPartitionOptions::SizeTolerance);
        return false;
    }
    return true;
}

std::optional<PartitionInfo> DiskOperationWorker::readPartitionForSplit(const QString &partitionId)
{
    if (m_storageManager) {
        // The creator's manager answers only on its own thread.
        PartitionInfo info;
        if (crossthread::invokeBlocking(m_storageManager, "getPartitionInfo", info, partitionId))
            return info;
    } else if (WindowsStorageManager *own = workerStorageManager()) {
        return own->getPartitionInfo(partitionId);
    }
    return std::nullopt;
}

// Why the partition cannot be split, found before anything changes: otherwise the shrink of a
// partition the provider cannot shrink fails only after the user confirmed, and a system
// partition would be cut in two. Empty when the split may go ahead.
QString DiskOperationWorker::splitRefusal()
{
    PartitionId id;
    if (!parsePartitionId(m_splitOptions.partitionId, &id, IdCheck::Checked))
        return tr("Invalid partition ID format");
    const std::optional<PartitionInfo> read = readPartitionForSplit(m_splitOptions.partitionId);
    if (!read)
        return tr("The partition layout could not be read");
    const PartitionInfo &info = *read;
    if (info.isUnallocated || info.partitionNumber != id.partition || info.sizeBytes <= 0)
        return tr("Partition %1 was not found").arg(m_splitOptions.partitionId);
    switch (partitionGuard(info)) {
    case PartitionGuard::RunningSystem:
    case PartitionGuard::EfiSystem:
    case PartitionGuard::Msr:
    case PartitionGuard::Recovery:
        return tr("%1\n\nThis partition cannot be split.").arg(partitionGuardText(info));
    case PartitionGuard::None:
    case PartitionGuard::Oem:
        break;
    }
    if (isUnshrinkableFileSystem(info.fileSystem))
        return tr("A %1 partition cannot be shrunk, so it cannot be split. Only NTFS partitions can be split.")
            .arg(info.fileSystem);
    return QString();
}

bool DiskOperationWorker::runSplitCore()
{
    const SplitPartitionOptions &o = m_splitOptions;
    QString text;
    if (!validateSplit(&text)) {
        m_splitError = text;
        return false;
    }
    const QStringList parts = o.partitionId.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    if (parts.size() != 2) {
        m_splitError = tr("Invalid partition ID format");
        return false;
    }
    bool diskIsNumber = false;
    const int diskNumber = parts.at(0).toInt(&diskIsNumber);
    if (!diskIsNumber) {
        m_splitError = tr("Unable to parse disk index");
        return false;
    }
    const QString refusal = splitRefusal();
    if (!refusal.isEmpty()) {
        m_splitError = refusal;
        return false;
    }
    if (splitStopRequested())
        return false;

    // The provider takes whole sectors only; a whole MiB also keeps the new partition aligned.
    const qint64 keepBytes = o.keepSizeBytes - o.keepSizeBytes % MiB;
    emit splitPartitionProgress(tr("Adjusting the original partition size"), 25);
    emit splitPartitionStatusChanged(tr("Adjusting the partition to %1 GB...").arg(gbText(o.keepSizeBytes)));
    if (!resizePartitionInThread(o.partitionId, keepBytes)) {
        m_splitError = tr("调整原分区大小失败");
        return false;
    }

    refreshPartitionTableForSplit(diskNumber);
    platform::current().sleepMs(3000);

    // Without a place the provider picks the disk's largest free region, which may lie elsewhere.
    const std::optional<PartitionInfo> shrunk = readPartitionForSplit(o.partitionId);
    if (!shrunk || shrunk->sizeBytes <= 0) {
        m_splitError = tr("Failed to create new partition: %1")
                           .arg(tr("the shrunk partition could not be read again; the freed space is left unallocated"));
        return false;
    }

    PartitionCreateRequest request;
    request.sizeBytes = o.newSizeBytes;
    request.fileSystem = o.newFileSystem.isEmpty() ? QStringLiteral("NTFS") : o.newFileSystem;
    request.volumeLabel = o.newVolumeLabel.isEmpty() ? QStringLiteral("New partition") : o.newVolumeLabel;
    const QString letter = o.newDriveLetter.trimmed();
    if (!letter.isEmpty() && letter != QLatin1String("Automatically allocated"))
        request.driveLetter = letter.endsWith(QLatin1Char(':')) ? letter : letter + QLatin1Char(':');
    request.quickFormat = o.formatNewPartition;
    request.offsetBytes = shrunk->offsetBytes + shrunk->sizeBytes;

    if (splitStopRequested()) {
        m_splitError = tr("The user canceled the split operation; the partition was already shrunk and the freed "
                          "space is left unallocated");
        return false;
    }
    emit splitPartitionProgress(tr("Creating new partition"), 50);
    emit splitPartitionStatusChanged(tr("Creating and formatting new partition..."));
    connect(this, &DiskOperationWorker::partitionCreationCompleted, this, &DiskOperationWorker::onSplitCreateFinished,
            Qt::UniqueConnection);
    m_splitCreated = false;
    startBatchCreateAndFormat({request}, diskNumber);
    return m_splitCreated;
}

void DiskOperationWorker::onSplitCreateFinished(bool success, QString message)
{
    disconnect(this, &DiskOperationWorker::partitionCreationCompleted, this, &DiskOperationWorker::onSplitCreateFinished);
    m_splitCreated = success;
    if (success) {
        emit splitPartitionProgress(tr("Split completed"), 100);
        emit splitPartitionStatusChanged(tr("Partition split completed!"));
        emit splitPartitionCompleted(true, tr("Partition split successful"));
        return;
    }
    m_splitError = tr("Failed to create new partition: %1").arg(message);
    emit splitPartitionCompleted(false, m_splitError);
}

bool DiskOperationWorker::refreshPartitionTableForSplit(int diskNumber)
{
    scriptrunner::RunRequest request;
    request.nameParts = {QString::number(diskNumber)};
    request.scriptLines = {QStringLiteral("select disk %1").arg(diskNumber), QStringLiteral("rescan"),
                           QStringLiteral("list partition"), QStringLiteral("exit")};
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::SplitRefresh, request);
    qDebug().noquote() << "[refreshPartitionTableForSplit]" << result.output;
    if (!result.success)
        qWarning().noquote() << "[refreshPartitionTableForSplit]"
                             << scriptrunner::failureCause(scriptrunner::Run::SplitRefresh, result);
    return result.success;
}

QString DiskOperationWorker::splitSuccessMessage() const
{
    const SplitPartitionOptions &o = m_splitOptions;
    QString message = tr("Partition splitting completed successfully!\n\n");
    message += tr("Original partition has been adjusted to: %1 GB\n").arg(gbText(o.keepSizeBytes));
    message += tr("New partition has been created: %2 GB").arg(gbText(o.newSizeBytes));
    if (!o.newDriveLetter.isEmpty())
        message += QStringLiteral(" (%1)").arg(o.newDriveLetter);
    if (o.formatNewPartition) {
        message += tr("\nFile System: %1").arg(o.newFileSystem.isEmpty() ? QStringLiteral("NTFS") : o.newFileSystem);
        if (!o.newVolumeLabel.isEmpty())
            message += QLatin1Char('\n') + tr("Label: %1").arg(o.newVolumeLabel);
    }
    return message;
}

void DiskOperationWorker::reportSplitEnd(bool success, const QString &message)
{
    m_isDeleting.store(false);
    emit splitPartitionFinished(success, message);
}
