#include "volumejob.h"

#include "diskoperationworker.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/partitionguard.h"
#include "common/partitionid.h"
#include "common/volumelabel.h"
#include "storage/windowsstoragemanager.h"

#include <QDeadlineTimer>
#include <QTimer>

#include <optional>

namespace {

QString styleName(int style)
{
    return style == VolumeJob::Mbr ? QStringLiteral("MBR") : QStringLiteral("GPT");
}

// The disk's row of a fresh read, or nullopt when the disk is not listed.
std::optional<QVariantMap> diskRow(WindowsStorageManager &storage, int diskNumber)
{
    for (const QVariantMap &disk : storage.getDisks())
        if (disk.value(DiskKey::Id).toString() == QString::number(diskNumber))
            return disk;
    return std::nullopt;
}

QString quoted(const QString &label)
{
    return QStringLiteral("\u201C%1\u201D").arg(label);
}

} // namespace

void DiskOperationWorker::initializeDiskAsync(int diskNumber, int partitionStyle)
{
    VolumeJob(*this).initializeDisk(diskNumber, partitionStyle);
    jobEnded();
}

void DiskOperationWorker::changeDriveLetterAsync(PartitionInfo confirmed, QString letter)
{
    VolumeJob(*this).changeLetter(confirmed, letter);
    jobEnded();
}

void DiskOperationWorker::renameVolumeAsync(PartitionInfo confirmed, QString label)
{
    VolumeJob(*this).rename(confirmed, label);
    jobEnded();
}

QString VolumeJob::letterRefusal(const PartitionInfo &partition)
{
    if (partition.isUnallocated || partition.id.isEmpty())
        return tr("Free space has no drive letter. Create a partition in it first.");
    if (driveletter::driveOf(partition) == QLatin1String("C:"))
        return tr("C: holds the running Windows: its letter cannot change while Windows runs from it.");
    switch (partitionGuard(partition)) {
    case PartitionGuard::RunningSystem:
        return partitionGuardText(partition);
    case PartitionGuard::Msr:
        return tr("A Microsoft Reserved partition holds no volume, so it can have no drive letter.");
    default:
        break;
    }
    if (partition.typeCode == PartitionTypeCode::Extended)
        return tr("An extended partition holds logical drives, not a volume: give the letter to one of its logical drives.");
    return QString();
}

QString VolumeJob::renameRefusal(const PartitionInfo &partition)
{
    if (partition.isUnallocated || partition.id.isEmpty())
        return tr("Free space has no volume to rename. Create a partition in it first.");
    if (driveletter::driveOf(partition).isEmpty())
        return tr("%1 has no drive letter. Give it one first (Change Drive Letter), then rename it.")
            .arg(partitionName(partition));
    const QString fs = partition.fileSystem.trimmed();
    if (fs.isEmpty() || fs.compare(QLatin1String("RAW"), Qt::CaseInsensitive) == 0
        || fs.compare(QLatin1String("Unknown"), Qt::CaseInsensitive) == 0)
        return tr("%1 holds no file system, so it has no name to change. Format it first.").arg(partitionName(partition));
    return QString();
}

void VolumeJob::finish(bool success, const QString &message)
{
    m_worker.publishReport(m_report);
    emit m_worker.volumeJobFinished(success, message);
}

void VolumeJob::initializeDisk(int diskNumber, int style)
{
    m_report.asked = JobReport::tr("initialize disk %1 as %2").arg(diskNumber).arg(styleName(style));
    WindowsStorageManager *storage = storageaccess::manager(m_worker);
    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    QString why;
    const Step check{JobReport::tr("check that the disk is uninitialised"), false, [&](ReportNode &node) {
        if (style != Mbr && style != Gpt)
            why = tr("%1 is no partition style.").arg(style);
        else if (!storage)
            why = tr("%1.").arg(storageaccess::unavailableText());
        else if (const std::optional<QVariantMap> disk = diskRow(*storage, diskNumber); !disk)
            why = tr("Disk %1 is no longer there.").arg(diskNumber);
        else if (const int now = disk->value(DiskKey::PartitionStyle).toInt(); now != 0)
            why = tr("Disk %1 is already initialised (%2): initialising it again would lose its partitions.")
                      .arg(diskNumber)
                      .arg(styleName(now));
        node.detail = why;
        return why.isEmpty();
    }};
    const Step write{JobReport::tr("write the partition table"), true, [&](ReportNode &node) {
        why = node.detail = storage->initializeDisk(diskNumber, style);
        return why.isEmpty();
    }};
    if (runner.run({check}) != StepRunner::Stop::None) {
        finish(false, tr("Disk %1 was not initialised: %2 Nothing was changed.").arg(diskNumber).arg(why));
        return;
    }
    if (runner.run({write}) != StepRunner::Stop::None) {
        const std::optional<QVariantMap> after = diskRow(*storage, diskNumber);
        const int now = after ? after->value(DiskKey::PartitionStyle).toInt() : 0;
        finish(false, now == 0 ? tr("Disk %1 could not be initialised: %2. It is still uninitialised.")
                                     .arg(diskNumber)
                                     .arg(why)
                               : tr("Disk %1 reported a failure (%2), yet it now reads as %3.")
                                     .arg(diskNumber)
                                     .arg(why, styleName(now)));
        return;
    }
    QString message = tr("Disk %1 is initialised as %2. Its space is free for new partitions.")
                          .arg(diskNumber)
                          .arg(styleName(style));
    const std::optional<QList<PartitionInfo>> records = storageaccess::partitions(m_worker, diskNumber);
    for (const PartitionInfo &p : records.value_or(QList<PartitionInfo>()))
        if (!p.isUnallocated && partitionGuard(p) == PartitionGuard::Msr)
            message += QLatin1Char(' ') + tr("Windows reserved the first %1 MB for itself (a Microsoft Reserved partition).")
                                              .arg((p.offsetBytes + p.sizeBytes + 512 * 1024) / (1024 * 1024));
    finish(true, message);
}

void VolumeJob::changeLetter(const PartitionInfo &confirmed, const QString &letter)
{
    const QString oldDrive = driveletter::driveOf(confirmed);
    const QChar newLetter = driveletter::parse(letter);
    const QString newDrive = driveletter::drive(newLetter);
    const QString id = makePartitionId(confirmed.diskIndex, confirmed.partitionNumber);
    const QString name = partitionName(confirmed);
    m_report.asked = JobReport::tr("change the drive letter of %1 from %2 to %3")
                         .arg(id, oldDrive.isEmpty() ? QStringLiteral("none") : oldDrive,
                              newDrive.isEmpty() ? QStringLiteral("none") : newDrive);
    WindowsStorageManager *storage = storageaccess::manager(m_worker);
    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    QString why;
    const auto refusal = [&]() -> QString {
        if (!letter.trimmed().isEmpty() && newLetter.isNull())
            return tr("\"%1\" is no drive letter: letters run from A to Z.").arg(letter);
        if (!storage)
            return storageaccess::unavailableText();
        if (newDrive == oldDrive)
            return oldDrive.isEmpty() ? tr("%1 has no drive letter to take away.").arg(name)
                                      : tr("%1 has that letter already.").arg(name);
        if (const QString refused = letterRefusal(confirmed); !refused.isEmpty())
            return refused;
        if (const QString changed = storageaccess::changedSinceConfirmed(m_worker, confirmed); !changed.isEmpty())
            return changed;
        if (!newDrive.isEmpty() && storage->isDriveLetterInUse(newDrive))
            return tr("%1 is in use by another drive.").arg(newDrive);
        return QString();
    };
    const Step check{JobReport::tr("check the partition and the letter"), false, [&](ReportNode &node) {
        why = node.detail = refusal();
        return why.isEmpty();
    }};
    if (runner.run({check}) != StepRunner::Stop::None) {
        finish(false, tr("The drive letter of %1 was not changed: %2").arg(name, why));
        return;
    }
    if (!oldDrive.isEmpty()) {
        const Step remove{JobReport::tr("remove %1").arg(oldDrive), true, [&](ReportNode &node) {
            why = node.detail = storage->changeAccessPath(id, oldDrive, false);
            return why.isEmpty();
        }};
        if (runner.run({remove}) != StepRunner::Stop::None) {
            finish(false, tr("%1 could not be taken from %2: %3. The partition keeps it.").arg(oldDrive, name, why));
            return;
        }
    }
    if (newDrive.isEmpty()) {
        finish(true, tr("%1 no longer has a drive letter; its files are kept. Programs and shortcuts that used %2 will not "
                        "find it until it has a letter again.")
                         .arg(name, oldDrive));
        return;
    }
    const Step add{JobReport::tr("give %1").arg(newDrive), true, [&](ReportNode &node) {
        why = node.detail = storage->changeAccessPath(id, newDrive, true);
        return why.isEmpty();
    }};
    if (runner.run({add}) == StepRunner::Stop::None) {
        finish(true, oldDrive.isEmpty() ? tr("Partition %1 of Disk %2 now has the letter %3.")
                                              .arg(confirmed.partitionNumber)
                                              .arg(confirmed.diskIndex)
                                              .arg(newDrive)
                                        : tr("%1 is now %2. Programs and shortcuts that used %1 need the new letter.")
                                              .arg(oldDrive, newDrive));
        return;
    }
    if (oldDrive.isEmpty()) {
        finish(false, tr("%1 could not be given to %2: %3. The partition still has no letter.").arg(newDrive, name, why));
        return;
    }
    // The old letter goes back, so a failed change leaves the partition as the user knew it.
    const QString back = storage->changeAccessPath(id, oldDrive, true);
    m_report.nodes << ReportNode{JobReport::tr("give %1 back").arg(oldDrive), true,
                                 back.isEmpty() ? ReportNode::State::Done : ReportNode::State::Failed, back};
    finish(false, back.isEmpty() ? tr("%1 could not be given to %2: %3. The partition has its letter %4 back.")
                                       .arg(newDrive, name, why, oldDrive)
                                 : tr("%1 could not be given to %2: %3. Giving %4 back failed too (%5): the partition "
                                      "has no letter now.")
                                       .arg(newDrive, name, why, oldDrive, back));
}

void VolumeJob::rename(const PartitionInfo &confirmed, const QString &label)
{
    const QString drive = driveletter::driveOf(confirmed);
    const QString name = partitionName(confirmed);
    m_report.asked = JobReport::tr("rename %1 to \"%2\"").arg(drive, label);
    WindowsStorageManager *storage = storageaccess::manager(m_worker);
    StepRunner runner(m_report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    QString why;
    const auto refusal = [&]() -> QString {
        if (const QString refused = renameRefusal(confirmed); !refused.isEmpty())
            return refused;
        if (!storage)
            return storageaccess::unavailableText();
        std::optional<PartitionInfo> now;
        if (const QString changed = storageaccess::changedSinceConfirmed(m_worker, confirmed, &now); !changed.isEmpty())
            return changed;
        // The file system as it is now decides what the label may hold.
        return volumelabel::refusal(now ? now->fileSystem : confirmed.fileSystem, label);
    };
    const Step check{JobReport::tr("check the volume and the label"), false, [&](ReportNode &node) {
        why = node.detail = refusal();
        return why.isEmpty();
    }};
    const Step write{JobReport::tr("set the label"), true, [&](ReportNode &node) {
        why = node.detail = storage->setVolumeLabel(drive, label);
        return why.isEmpty();
    }};
    if (runner.run({check}) != StepRunner::Stop::None) {
        finish(false, tr("%1 was not renamed: %2").arg(name, why));
        return;
    }
    if (runner.run({write}) != StepRunner::Stop::None) {
        finish(false, tr("%1 could not be renamed: %2. Its name is unchanged.").arg(name, why));
        return;
    }
    // FAT keeps labels in upper case: say the name the volume now has.
    const std::optional<PartitionInfo> after = storageaccess::partitionInfo(m_worker, confirmed.id);
    const QString stored = after ? after->volumeLabel : label;
    finish(true, stored.isEmpty() ? tr("%1 no longer has a name.").arg(drive)
                                  : tr("%1 is now named %2.").arg(drive, quoted(stored)));
}
