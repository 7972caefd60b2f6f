#include "mergejob.h"

#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/mergeneighbour.h"
#include "common/sizetext.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"

#include <QDebug>
#include <QThread>

#include <climits>
#include <exception>

namespace {

const char *const CancelledText = QT_TRANSLATE_NOOP("DiskOperationWorker", "The user canceled the merge operation");
const char *const TimedOutText = QT_TRANSLATE_NOOP("DiskOperationWorker", "The merge operation ran past its time limit and was stopped");

// Each script's own limit, whatever the overall one: diskpart's start (its storage service may
// have to start first) and one partition command. Only a tool that truly hangs reaches it.
constexpr int ScriptLimitMs = 120000;
constexpr int PauseMs = 2000;
constexpr int PollMs = 20;
constexpr qint64 MiB = 1024 * 1024;

// Nominal milliseconds for a limit in seconds, without overflowing int.
int nominalMsOf(int seconds)
{
    return qMin(seconds, INT_MAX / 1000) * 1000;
}

} // namespace

bool DiskOperationWorker::canExtendFileSystem(const QString &fileSystem)
{
    const QString fs = fileSystem.trimmed();
    for (const char *fixed : {"FAT", "FAT32", "exFAT"}) {
        if (fs.compare(QLatin1String(fixed), Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

void DiskOperationWorker::startMergePartition(const MergePartitionOptions &options)
{
    MergeJob(*this, options).run();
}

MergeJob::MergeJob(DiskOperationWorker &worker, const MergePartitionOptions &options)
    : m_worker(worker), m_options(options), m_cancel(worker.stopRequest())
{
}

void MergeJob::run()
{
    // A cancel that arrives before the job starts must hold, so the stop request is not cleared.
    m_worker.setCurrentOperation(DiskOperationWorker::MergeOperation, 0);
    m_report.asked = JobReport::tr("merge into partition %1 of disk %2")
                         .arg(m_options.sourcePartitionNumber)
                         .arg(m_options.diskNumber);

    emit m_worker.mergePartitionStatusChanged(tr("Initializing merge operation..."));
    progress(tr("Ready to merge"), 5, QString());

    // The steps block this thread, so a timer could never fire while they run: the runner
    // checks the limit between steps, and each script's wait ends at it.
    m_deadline = m_options.timeoutSeconds >= 1
                     ? QDeadlineTimer(platform::current().scaledMs(nominalMsOf(m_options.timeoutSeconds)))
                     : QDeadlineTimer(QDeadlineTimer::Forever);

    QString successMessage;
    bool ok = false;
    try {
        ok = runSteps(&successMessage);
    } catch (const std::exception &e) {
        noteFailure(tr("Merge operation exception: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        noteFailure(tr("Unknown exception occurred in the merge operation"));
    }

    if (!ok) {
        try {
            restoreLetters();
        } catch (...) {
            qWarning() << "[merge] giving the drive letters back failed with an exception";
        }
        noteFailure(tr("Merge operation failed"));
    }
    delete m_process;
    m_process = nullptr;
    m_worker.publishReport(m_report);
    m_worker.jobEnded();
    reportEnd(ok, (ok ? successMessage : m_failure) + otherLetterNote());
}

bool MergeJob::runSteps(QString *successMessage)
{
    const MergePartitionOptions &o = m_options;

    progress(tr("Verify merge conditions"), 10, tr("Verifying partition status and merge conditions..."));
    if (!validate() || stopRequested())
        return false;

    // A step fails when it noted a failure, even where its own script's answer does not count.
    QList<Step> steps;
    steps << Step{JobReport::tr("remove the drive letters"), true, [&](ReportNode &node) {
        progress(tr("Uninstall partition"), 30, tr("Uninstalling related partitions..."));
        // A lettered partition counts as unlettered once its remove ran at all: a remove killed at
        // a limit may still have taken the letter.
        m_sourceLetterRemoved = runScript(partitionScript(o.sourcePartitionNumber, QStringLiteral("remove")), ScriptKind::Step)
                                || !driveletter::parse(o.sourceDriveLetter).isNull();
        if (!o.mergeUnallocated && o.targetPartitionNumber > 0)
            m_targetLetterRemoved = runScript(partitionScript(o.targetPartitionNumber, QStringLiteral("remove")),
                                              ScriptKind::Step)
                                    || !driveletter::parse(o.targetDriveLetter).isNull();
        return succeeded(node);
    }};
    if (o.mergeWithPartition) {
        steps << Step{JobReport::tr("delete the partition on the right"), true, [&](ReportNode &node) {
            progress(tr("Merge partition"), 60, tr("Deleting target partition and extending source partition..."));
            // A delete that failed or was ended at its limit may still have happened: ask the
            // provider, so the target's letter never goes to whatever now has its number.
            m_targetDeleted = runChange(partitionScript(o.targetPartitionNumber, QStringLiteral("delete partition override")))
                              || !targetStillThere();
            return succeeded(node);
        }};
        steps << Step{JobReport::tr("extend over the freed space"), true, [&](ReportNode &node) {
            pause(PauseMs);
            // Only the target's space: a bare extend would also swallow any free space after it.
            const qint64 mib = o.targetSizeBytes / MiB;
            const QString extend = mib >= 1 ? QStringLiteral("extend size=%1").arg(mib) : QStringLiteral("extend");
            m_sourceExtended = runChange(partitionScript(o.sourcePartitionNumber, extend));
            return succeeded(node);
        }};
    } else {
        steps << Step{JobReport::tr("extend over the unallocated space"), true, [&](ReportNode &node) {
            progress(tr("Merge unallocated space"), 60, tr("Merge unallocated space into partition..."));
            runChange(partitionScript(o.sourcePartitionNumber, QStringLiteral("extend")));
            return succeeded(node);
        }};
        if (o.resizeFileSystem) {
            steps << Step{JobReport::tr("let the file system grow"), false, [&](ReportNode &node) {
                progress(tr("Resizing file system"), 75, tr("Resizing file system..."));
                pause(PauseMs);
                return succeeded(node);
            }};
        }
    }
    steps << Step{JobReport::tr("read the partition table again"), false, [&](ReportNode &node) {
        progress(tr("Updating partition table"), 85, tr("Refreshing partition table..."));
        runScript({QStringLiteral("select disk %1").arg(o.diskNumber), QStringLiteral("rescan"), QStringLiteral("exit")},
                  ScriptKind::Step);
        return succeeded(node);
    }};
    steps << Step{JobReport::tr("give the drive letter back"), true, [&](ReportNode &node) {
        progress(tr("Remounting partition"), 95, tr("Remounting partition..."));
        pause(PauseMs);
        // A letter never removed (its remove failed) needs no giving back.
        if (assignSourceLetter() || !sourceLetterNow().isEmpty())
            return true;
        // The merge itself is done, but a partition left without its letter is not a success.
        noteFailure(tr("The merge is done and %1 now holds %2, but no drive letter could be given back to it: %3\n\n"
                       "It has no drive letter now; give it one with Change Drive Letter.")
                        .arg(nameOf(o.sourcePartitionNumber, o.sourceDriveLetter, o.sourceVolumeLabel),
                             shortSize(o.newSizeBytes), m_scriptCause));
        return succeeded(node);
    }};

    StepRunner runner(m_report, &m_cancel, m_deadline);
    switch (runner.run(steps)) {
    case StepRunner::Stop::None:
        break;
    case StepRunner::Stop::Cancelled:
        noteCancelled();
        return false;
    case StepRunner::Stop::TimedOut:
        onOperationTimeout();
        return false;
    case StepRunner::Stop::Failed:
        // What the disk holds now, when the delete went through and the extend did not.
        m_failure += leftBehind();
        return false;
    }

    progress(tr("Merge completed"), 100, tr("Merge operation completed successfully"));
    if (o.mergeWithPartition) {
        *successMessage = tr("Successfully merged %1 into %2.\n\n Original partition "
                             "size: %3, new partition size: %4, increased space: %5")
                              .arg(nameOf(o.targetPartitionNumber, o.targetDriveLetter, o.targetVolumeLabel),
                                   nameOf(o.sourcePartitionNumber, o.sourceDriveLetter, o.sourceVolumeLabel),
                                   shortSize(o.sourceSizeBytes), shortSize(o.newSizeBytes), shortSize(o.targetSizeBytes));
    } else {
        *successMessage = tr("Successfully merged %1 of unallocated space into %2.\n\nNew partition size: %3")
                              .arg(shortSize(o.targetSizeBytes),
                                   nameOf(o.sourcePartitionNumber, o.sourceDriveLetter, o.sourceVolumeLabel),
                                   shortSize(o.newSizeBytes));
    }
    return true;
}

bool MergeJob::validate()
{
    const MergePartitionOptions &o = m_options;
    if (o.validateBeforeMerge) {
        const bool valid = o.diskNumber >= 0 && o.sourcePartitionNumber >= 1
                           && (o.mergeUnallocated
                               || (o.targetPartitionNumber > 0 && o.targetPartitionNumber != o.sourcePartitionNumber));
        if (!valid) {
            noteFailure(tr("Merge condition validation failed"));
            return false;
        }
    }
    // Checked whatever the options say: in partition mode the target would be deleted for
    // nothing, since the extend that follows must fail.
    if (!DiskOperationWorker::canExtendFileSystem(o.fileSystem)) {
        noteFailure(tr("Merge condition validation failed: a %1 partition cannot be extended. "
                       "Nothing has been changed.")
                        .arg(o.fileSystem.trimmed()));
        return false;
    }
    return planStillHolds();
}

bool MergeJob::planStillHolds()
{
    const MergePartitionOptions &o = m_options;
    const std::optional<QList<PartitionInfo>> records = storageaccess::partitions(m_worker, o.diskNumber);
    if (!records) {
        noteFailure(storageaccess::unavailableText());
        return false;
    }
    const MergeNeighbour found =
        mergeNeighbour(*records, o.sourcePartitionNumber, o.mergeUnallocated ? 0 : o.targetPartitionNumber);
    // What the user confirmed: the source of that size, followed by that partition or by free space.
    const bool sameSource = found.source && (o.sourceSizeBytes <= 0 || found.source->sizeBytes == o.sourceSizeBytes);
    const bool sameNeighbour = found.record
                               && (o.mergeUnallocated ? found.record->isUnallocated
                                                      : found.record->partitionNumber == o.targetPartitionNumber
                                                            && !found.record->isUnallocated);
    if (!sameSource || (found.record && !sameNeighbour)) {
        noteFailure(layoutChangedText());
        return false;
    }
    if (!found.record) {
        noteFailure(tr("%1 Nothing has been changed.").arg(found.refusal));
        return false;
    }
    return true;
}

bool MergeJob::stopRequested()
{
    if (m_cancel) {
        noteCancelled();
        return true;
    }
    if (m_deadline.hasExpired()) {
        onOperationTimeout();
        return true;
    }
    return !m_failure.isEmpty();
}

void MergeJob::progress(const QString &step, int percentage, const QString &status)
{
    m_worker.setCurrentProgress(percentage);
    emit m_worker.mergePartitionProgress(step, percentage);
    if (!status.isEmpty())
        emit m_worker.mergePartitionStatusChanged(status);
}

QStringList MergeJob::partitionScript(int partitionNumber, const QString &command) const
{
    return {QStringLiteral("select disk %1").arg(m_options.diskNumber),
            QStringLiteral("select partition %1").arg(partitionNumber), command, QStringLiteral("exit")};
}

bool MergeJob::runScript(const QStringList &lines, ScriptKind kind)
{
    // No stop request or overall limit reaches a running script: diskpart killed inside a delete
    // or an extend leaves the disk in a state nobody can tell. The runner checks them between
    // steps; only the script's own limit ends a tool that truly hangs.
    delete m_process;
    m_process = new QProcess();
    QObject::connect(m_process, &QProcess::finished, m_process,
                     [this](int, QProcess::ExitStatus status) { onProcessFinished(status); });
    QObject::connect(m_process, &QProcess::errorOccurred, m_process,
                     [this](QProcess::ProcessError error) { onProcessError(error); });
    m_scriptProcessError.clear();
    m_scriptCause.clear();

    scriptrunner::RunRequest request;
    request.scriptLines = lines;
    request.process = m_process;
    request.finishTimeoutMs = ScriptLimitMs;
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::MergeScript, request);
    qDebug().noquote() << "[merge]" << lines.value(2) << "exit code:" << result.exitCode << "success:" << result.success
                       << "\n" << result.output << result.errorOutput;

    if (kind == ScriptKind::Step) {
        if (result.timedOut)
            noteFailure(tr("Process execution failed: diskpart process execution timed out"));
        else if (!result.success && !m_scriptProcessError.isEmpty())
            noteFailure(m_scriptProcessError);
        else if (!result.success)
            m_scriptCause = scriptrunner::failureCause(scriptrunner::Run::MergeScript, result);
    } else if (!result.success) {
        m_scriptCause = scriptrunner::failureCause(scriptrunner::Run::MergeScript, result);
    }
    return result.success;
}

void MergeJob::pause(int nominalMs)
{
    QDeadlineTimer pause(platform::current().scaledMs(nominalMs));
    while (!pause.hasExpired() && !m_cancel && !m_deadline.hasExpired()) {
        const qint64 left = qMin(pause.remainingTime(), m_deadline.isForever() ? qint64(PollMs) : m_deadline.remainingTime());
        QThread::msleep(static_cast<unsigned long>(qBound(qint64(1), left, qint64(PollMs))));
    }
}

bool MergeJob::assignSourceLetter()
{
    // The source's own letter, so a merged E: stays E:; any free one only when it had none or
    // its letter was taken meanwhile.
    const int source = m_options.sourcePartitionNumber;
    const QChar letter = driveletter::parse(m_options.sourceDriveLetter);
    if (!letter.isNull()
        && runScript(partitionScript(source, QStringLiteral("assign letter=%1").arg(letter)), ScriptKind::Cleanup))
        return true;
    if (!runScript(partitionScript(source, QStringLiteral("assign")), ScriptKind::Cleanup))
        return false;
    m_ownLetterNotGivenBack = !letter.isNull();
    return true;
}

void MergeJob::restoreLetters()
{
    if (m_sourceLetterRemoved) {
        assignSourceLetter();
        m_sourceLetterRemoved = false;
    }
    if (m_targetLetterRemoved && !m_targetDeleted) {
        const QChar letter = driveletter::parse(m_options.targetDriveLetter);
        const QString command = letter.isNull() ? QStringLiteral("assign") : QStringLiteral("assign letter=%1").arg(letter);
        runScript(partitionScript(m_options.targetPartitionNumber, command), ScriptKind::Cleanup);
        m_targetLetterRemoved = false;
    }
}

bool MergeJob::runChange(const QStringList &lines)
{
    if (runScript(lines, ScriptKind::Step))
        return true;
    // A cancel, the overall limit or a tool failure behind it keeps its own text.
    stopRequested();
    noteFailure(m_scriptCause.isEmpty() ? tr("Partition merge failed") : tr("Partition merge failed: %1").arg(m_scriptCause));
    return false;
}

bool MergeJob::succeeded(ReportNode &node) const
{
    node.detail = m_failure;
    return m_failure.isEmpty();
}

void MergeJob::noteFailure(const QString &text)
{
    if (m_failure.isEmpty())
        m_failure = text;
}

void MergeJob::noteCancelled()
{
    if (!m_failure.isEmpty())
        return;
    emit m_worker.mergePartitionStatusChanged(tr("The operation has been canceled"));
    m_failure = tr(CancelledText) + leftBehind();
}

bool MergeJob::targetStillThere()
{
    const int target = m_options.targetPartitionNumber;
    const std::optional<PartitionInfo> info =
        storageaccess::partitionInfo(m_worker, QStringLiteral("%1:%2").arg(m_options.diskNumber).arg(target));
    // Unknown counts as gone: a letter given to the wrong partition is worse than one not given.
    return info && info->partitionNumber == target
           && (m_options.targetSizeBytes <= 0 || info->sizeBytes == m_options.targetSizeBytes);
}

QString MergeJob::sourceLetterNow()
{
    const std::optional<PartitionInfo> info = storageaccess::partitionInfo(
        m_worker, QStringLiteral("%1:%2").arg(m_options.diskNumber).arg(m_options.sourcePartitionNumber));
    return info ? driveletter::driveOf(*info) : QString();
}

QString MergeJob::otherLetterNote()
{
    if (!m_ownLetterNotGivenBack)
        return QString();
    // The success text names the partition by the letter it had: the user must learn it moved.
    const QString own = driveletter::drive(driveletter::parse(m_options.sourceDriveLetter));
    const QString now = sourceLetterNow();
    return QLatin1String("\n\n")
           + (now.isEmpty() ? tr("Its drive letter %1 could not be given back; it has another one now.").arg(own)
                            : tr("Its drive letter %1 could not be given back; it has the letter %2 now.").arg(own, now));
}

QString MergeJob::leftBehind() const
{
    // A stop between the delete and the extend leaves the target's space free.
    if (!m_targetDeleted || m_sourceExtended)
        return QString();
    return QLatin1String("\n\n")
           + tr("%1 had already been deleted: its space is now unallocated, and %2 keeps its old size.")
                 .arg(nameOf(m_options.targetPartitionNumber, m_options.targetDriveLetter, m_options.targetVolumeLabel),
                      nameOf(m_options.sourcePartitionNumber, m_options.sourceDriveLetter, m_options.sourceVolumeLabel));
}

QString MergeJob::nameOf(int partitionNumber, const QString &letter, const QString &label) const
{
    PartitionInfo p;
    p.diskIndex = m_options.diskNumber;
    p.partitionNumber = partitionNumber;
    p.driveLetter = letter;
    p.volumeLabel = label;
    return partitionName(p);
}

void MergeJob::reportEnd(bool success, const QString &message)
{
    if (!success)
        m_worker.setCurrentProgress(0);
    if (!m_worker.endCurrentOperation(DiskOperationWorker::MergeOperation))
        return;
    qDebug() << "[merge] ended:" << success << message;
    emit m_worker.mergePartitionFinished(success, message);
    emit m_worker.uiMergeCompleted(success, message);
}

void MergeJob::onOperationTimeout()
{
    if (!m_failure.isEmpty())
        return;
    emit m_worker.mergePartitionStatusChanged(tr("Operation timed out, canceling..."));
    m_failure = tr(TimedOutText) + leftBehind();
}

void MergeJob::onProcessFinished(QProcess::ExitStatus exitStatus)
{
    if (exitStatus != QProcess::CrashExit || m_cancel)
        return;
    emit m_worker.mergePartitionStatusChanged(tr("diskpart process crashed abnormally"));
}

void MergeJob::onProcessError(QProcess::ProcessError error)
{
    // The runner waits in short slices, each of which may end as Timedout; its own limit is
    // judged from the run's result instead.
    if (!m_scriptProcessError.isEmpty() || error == QProcess::Timedout)
        return;
    QString what;
    switch (error) {
    case QProcess::FailedToStart: what = tr("failed to start the diskpart process"); break;
    case QProcess::Crashed: what = tr("diskpart process crashed"); break;
    case QProcess::ReadError: what = tr("diskpart process read error"); break;
    case QProcess::WriteError: what = tr("diskpart process write error"); break;
    default: what = tr("unknown diskpart process error"); break;
    }
    m_scriptProcessError = tr("Process execution failed: %1").arg(what);
}
