#include "splitjob.h"

#include "diskoperationworker.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "common/sizetext.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>

#include <exception>

namespace {

constexpr qint64 MiB = 1048576;
constexpr qint64 MinimumSplitSize = 100 * MiB;

} // namespace

void DiskOperationWorker::startSplitPartition(SplitPartitionOptions options)
{
    // Shared with the delete job, which sets it from the caller's thread.
    bool idle = false;
    if (!m_exclusiveJob.compare_exchange_strong(idle, true)) {
        emit splitPartitionFinished(false, tr("Another operation is in progress, please try again later"));
        return;
    }
    emit splitPartitionStatusChanged(tr("Initializing partition split operation..."));
    emit splitPartitionProgress(tr("Ready to split"), 5);
    QMetaObject::invokeMethod(this, [this, options] {
        SplitJob job(*this, options);
        m_split = &job;
        job.run();
        m_split = nullptr;
    }, Qt::QueuedConnection);
}

void DiskOperationWorker::onSplitCreateFinished(bool success, QString message)
{
    disconnect(this, &DiskOperationWorker::partitionCreationCompleted, this, &DiskOperationWorker::onSplitCreateFinished);
    if (m_split)
        m_split->onCreateFinished(success, message);
}

bool SplitJob::stopRequested()
{
    if (!m_worker.stopRequest().load())
        return false;
    m_error = tr("The user canceled the split operation");
    return true;
}

void SplitJob::run()
{
    m_report.asked = JobReport::tr("split %1").arg(m_options.partitionId);
    try {
        emit m_worker.splitPartitionProgress(tr("验证拆分条件"), 10);
        emit m_worker.splitPartitionStatusChanged(tr("正在验证分区状态和拆分条件..."));
        if (stopRequested()) {
            reportEnd(false, m_error);
            return;
        }
        QString text;
        if (m_options.validateBeforeSplit && !validate(&text)) {
            reportEnd(false, tr("拆分条件验证失败: %1").arg(text));
            return;
        }
        emit m_worker.splitPartitionProgress(tr("Start split operation"), 15);
        emit m_worker.splitPartitionStatusChanged(tr("Partition split is being executed..."));
        if (runCore()) {
            const QString message = successMessage();
            emit m_worker.splitPartitionProgress(tr("Split completed"), 100);
            emit m_worker.splitPartitionStatusChanged(tr("Partition split completed successfully."));
            reportEnd(true, message);
        } else {
            reportEnd(false, m_error.isEmpty() ? tr("Partition split failed") : m_error);
        }
    } catch (const std::exception &e) {
        reportEnd(false, tr("An error occurred during partition split: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        reportEnd(false, tr("An unknown error occurred during partition split"));
    }
}

bool SplitJob::validate(QString *text)
{
    const SplitPartitionOptions &o = m_options;
    if (!o.isValid()) {
        *text = tr("Invalid split parameters");
        return false;
    }
    if (!storageaccess::manager(m_worker)) {
        *text = storageaccess::unavailableText();
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

// Why the partition cannot be split, found before anything changes: otherwise the shrink of a
// partition the provider cannot shrink fails only after the user confirmed, and a system
// partition would be cut in two. Empty when the split may go ahead.
QString SplitJob::refusal()
{
    PartitionId id;
    if (!parsePartitionId(m_options.partitionId, &id, IdCheck::Checked))
        return tr("Invalid partition ID format");
    const std::optional<PartitionInfo> read = storageaccess::partitionInfo(m_worker, m_options.partitionId);
    if (!read)
        return tr("The partition layout could not be read");
    const PartitionInfo &info = *read;
    if (info.isUnallocated || info.partitionNumber != id.partition || info.sizeBytes <= 0)
        return tr("Partition %1 was not found").arg(m_options.partitionId);
    // The sizes were planned on the partition the user chose; another one is not split by them.
    if (m_options.originalSizeBytes > 0 && info.sizeBytes != m_options.originalSizeBytes)
        return layoutChangedText();
    m_original = info;
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
    // The provider shrinks in place what it can grow in place.
    if (!DiskOperationWorker::canExtendFileSystem(info.fileSystem))
        return tr("A %1 partition cannot be shrunk, so it cannot be split. Only NTFS partitions can be split.")
            .arg(info.fileSystem);
    return QString();
}

bool SplitJob::runCore()
{
    const SplitPartitionOptions &o = m_options;
    QString text;
    if (!validate(&text)) {
        m_error = text;
        return false;
    }
    PartitionId id;
    if (!parsePartitionId(o.partitionId, &id, IdCheck::Unchecked)) {
        m_error = tr("Invalid partition ID format");
        return false;
    }
    if (!parsePartitionId(o.partitionId, &id)) {
        m_error = tr("Unable to parse disk index");
        return false;
    }
    const QString refused = refusal();
    if (!refused.isEmpty()) {
        m_error = refused;
        return false;
    }

    bool shrunkDone = false;
    std::optional<PartitionInfo> shrunk;
    qint64 newOffset = -1;
    const QList<Step> steps{
        {JobReport::tr("shrink the partition"), true, [&](ReportNode &node) {
             // The provider takes whole sectors only; a whole MiB also keeps the new partition aligned.
             const qint64 keepBytes = o.keepSizeBytes - o.keepSizeBytes % MiB;
             emit m_worker.splitPartitionProgress(tr("Adjusting the original partition size"), 25);
             emit m_worker.splitPartitionStatusChanged(tr("Adjusting the partition to %1 GB...").arg(gibNumber(o.keepSizeBytes)));
             if (!m_worker.resizePartitionInThread(o.partitionId, keepBytes)) {
                 const QString why = storageaccess::lastFailure(m_worker);
                 m_error = why.isEmpty() ? tr("调整原分区大小失败") : tr("The partition could not be shrunk: %1").arg(why);
                 node.detail = m_error;
                 return false;
             }
             shrunkDone = true;
             return true;
         }},
        {JobReport::tr("read the partition table again"), false, [&](ReportNode &node) {
             refreshPartitionTable(id.disk);
             platform::current().sleepMs(3000);
             // Without a place the provider picks the disk's largest free region, which may lie elsewhere.
             shrunk = storageaccess::partitionInfo(m_worker, o.partitionId);
             if (shrunk && shrunk->sizeBytes > 0)
                 return true;
             m_error = tr("Failed to create new partition: %1")
                           .arg(tr("the shrunk partition could not be read again"));
             node.detail = m_error;
             return false;
         }},
        {JobReport::tr("create the new partition"), true, [&](ReportNode &node) {
             PartitionCreateRequest request;
             // Exactly the space the shrink freed: up to where the partition used to end.
             m_keptBytes = shrunk->sizeBytes;
             request.offsetBytes = newOffset = shrunk->offsetBytes + shrunk->sizeBytes;
             request.sizeBytes = m_original.offsetBytes + m_original.sizeBytes - request.offsetBytes;
             request.exactSize = true;
             request.fileSystem = o.newFileSystem.isEmpty() ? QStringLiteral("NTFS") : o.newFileSystem;
             request.volumeLabel = o.newVolumeLabel.isEmpty() ? QStringLiteral("New partition") : o.newVolumeLabel;
             const QChar letter = driveletter::parse(o.newDriveLetter);
             if (!letter.isNull())
                 request.driveLetter = driveletter::drive(letter);
             request.quickFormat = o.formatNewPartition;

             emit m_worker.splitPartitionProgress(tr("Creating new partition"), 50);
             emit m_worker.splitPartitionStatusChanged(tr("Creating and formatting new partition..."));
             QObject::connect(&m_worker, &DiskOperationWorker::partitionCreationCompleted, &m_worker,
                              &DiskOperationWorker::onSplitCreateFinished, Qt::UniqueConnection);
             m_created = false;
             m_worker.startBatchCreateAndFormat({request}, id.disk);
             const std::optional<PartitionInfo> made = partitionAt(id.disk, request.offsetBytes);
             // Made but not formatted: the cause is the format's, not the creation's.
             if (!m_created && made && !m_worker.lastFormatCause().isEmpty())
                 m_error = tr("The new partition could not be formatted: %1").arg(m_worker.lastFormatCause());
             node.detail = m_error;
             if (m_created) {
                 m_createdBytes = made ? made->sizeBytes : 0;
                 m_createdLetter = made ? made->driveLetter : QString();
             }
             return m_created;
         }},
    };
    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    const StepRunner::Stop stop = runner.run(steps);
    if (stop == StepRunner::Stop::Failed && shrunkDone)
        m_error += QLatin1Char('\n') + rollBack(id.disk, newOffset);
    if (stop == StepRunner::Stop::Cancelled) {
        m_error = shrunkDone ? tr("The user canceled the split operation; the partition was already shrunk and the freed "
                                  "space is left unallocated")
                             : tr("The user canceled the split operation");
    }
    return runner.stopped() == StepRunner::Stop::None;
}

void SplitJob::onCreateFinished(bool success, const QString &message)
{
    m_created = success;
    if (success) {
        m_notes = message.section(QLatin1Char('\n'), 1); // what the creation could not give: a letter, a label
        emit m_worker.splitPartitionProgress(tr("Split completed"), 100);
        emit m_worker.splitPartitionStatusChanged(tr("Partition split completed!"));
        emit m_worker.splitPartitionCompleted(true, tr("Partition split successful"));
        return;
    }
    m_error = tr("Failed to create new partition: %1").arg(message);
    emit m_worker.splitPartitionCompleted(false, m_error);
}

bool SplitJob::refreshPartitionTable(int diskNumber)
{
    scriptrunner::RunRequest request;
    request.scriptLines = {QStringLiteral("select disk %1").arg(diskNumber), QStringLiteral("rescan"),
                           QStringLiteral("list partition"), QStringLiteral("exit")};
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::SplitRefresh, request);
    qDebug().noquote() << "[refreshPartitionTableForSplit]" << result.output;
    if (!result.success)
        qWarning().noquote() << "[refreshPartitionTableForSplit]"
                             << scriptrunner::failureCause(scriptrunner::Run::SplitRefresh, result);
    return result.success;
}

std::optional<PartitionInfo> SplitJob::partitionAt(int diskNumber, qint64 offsetBytes)
{
    const std::optional<QList<PartitionInfo>> records = storageaccess::partitions(m_worker, diskNumber);
    for (const PartitionInfo &p : records.value_or(QList<PartitionInfo>()))
        if (!p.isUnallocated && p.offsetBytes == offsetBytes)
            return p;
    return std::nullopt;
}

void SplitJob::addReportNode(const QString &description, bool done)
{
    ReportNode node;
    node.description = description;
    node.changesDisk = true;
    node.state = done ? ReportNode::State::Done : ReportNode::State::Failed;
    m_report.nodes << node;
}

QString SplitJob::rollBack(int diskNumber, qint64 newOffset)
{
    // A split either happens whole or not at all: a shrunk partition beside a half-made one is
    // not something the user asked for.
    const QString name = partitionName(m_original);
    bool removed = false;
    if (const std::optional<PartitionInfo> made = newOffset >= 0 ? partitionAt(diskNumber, newOffset) : std::nullopt) {
        const QString id = makePartitionId(made->diskIndex, made->partitionNumber);
        WindowsStorageManager *storage = storageaccess::manager(m_worker);
        removed = storage && storage->deletePartition(id);
        addReportNode(JobReport::tr("remove the new partition %1").arg(id), removed);
        if (!removed)
            return tr("The new partition %1 could not be removed: it stays on the disk, and %2 keeps its smaller size.")
                .arg(partitionName(*made), name);
    }
    const bool grown = m_worker.resizePartitionInThread(m_options.partitionId, m_original.sizeBytes);
    addReportNode(JobReport::tr("give %1 its old size back").arg(m_options.partitionId), grown);
    if (!grown) {
        const std::optional<PartitionInfo> now = storageaccess::partitionInfo(m_worker, m_options.partitionId);
        return tr("%1 could not be given its old size back: it stays at %2 GB and the space it gave up is free.")
            .arg(name, gibNumber(now ? now->sizeBytes : m_keptBytes));
    }
    return removed ? tr("The new partition was removed again and %1 has its old size (%2 GB) back; the disk is as it was.")
                         .arg(name, gibNumber(m_original.sizeBytes))
                   : tr("%1 has its old size (%2 GB) back; the disk is as it was.").arg(name, gibNumber(m_original.sizeBytes));
}

QString SplitJob::successMessage() const
{
    const SplitPartitionOptions &o = m_options;
    QString message = tr("Partition splitting completed successfully!\n\n");
    // What the disk holds now, which may differ from the plan by the rounding to whole MiB.
    message += tr("Original partition has been adjusted to: %1 GB\n").arg(gibNumber(m_keptBytes > 0 ? m_keptBytes : o.keepSizeBytes));
    message += tr("New partition has been created: %2 GB").arg(gibNumber(m_createdBytes > 0 ? m_createdBytes : o.newSizeBytes));
    // Named only when it got the letter asked for; a letter it did not get is said below.
    if (!o.newDriveLetter.isEmpty() && driveletter::parse(o.newDriveLetter) == driveletter::parse(m_createdLetter))
        message += QStringLiteral(" (%1)").arg(o.newDriveLetter);
    if (o.formatNewPartition) {
        message += tr("\nFile System: %1").arg(o.newFileSystem.isEmpty() ? QStringLiteral("NTFS") : o.newFileSystem);
        if (!o.newVolumeLabel.isEmpty())
            message += QLatin1Char('\n') + tr("Label: %1").arg(o.newVolumeLabel);
    }
    return m_notes.isEmpty() ? message : message + QStringLiteral("\n\n") + m_notes;
}

void SplitJob::reportEnd(bool success, const QString &message)
{
    m_worker.publishReport(m_report);
    m_worker.jobEnded();
    m_worker.releaseExclusiveJob();
    emit m_worker.splitPartitionFinished(success, message);
}
