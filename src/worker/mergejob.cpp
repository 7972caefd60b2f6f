// The merge job: grows one partition (the source) over the space to its right, either the
// unallocated space there or the partition there (the target), which is deleted first. Works
// through diskpart scripts only, each run through the runner's merge row in a process of the
// worker's own, so the job can watch it and kill it.

#include "diskoperationworker.h"

#include "platform/platform.h"
#include "storage/scriptrunner.h"

#include <QDebug>
#include <QThread>

#include <climits>
#include <exception>

namespace {

const char *const CancelledText = QT_TRANSLATE_NOOP("DiskOperationWorker", "The user canceled the merge operation");
const char *const TimedOutText = QT_TRANSLATE_NOOP("DiskOperationWorker", "The merge operation ran past its time limit and was stopped");

// Per-script limit when the options give no overall limit.
constexpr int DefaultScriptLimitMs = 60000;
constexpr int PauseMs = 2000;
constexpr int PollMs = 20;
constexpr qint64 MiB = 1024 * 1024;

QString letterOf(const QString &text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && t.at(0).isLetter() ? t.left(1).toUpper() : QString();
}

// Nominal milliseconds for a limit in seconds, without overflowing int.
int nominalMsOf(int seconds)
{
    return qMin(seconds, INT_MAX / 1000) * 1000;
}

} // namespace

QString DiskOperationWorker::mergeSizeText(qint64 bytes)
{
    const double b = double(bytes);
    if (bytes >= (1LL << 40))
        return QString::number(b / double(1LL << 40), 'f', 2) + QStringLiteral(" TB");
    if (bytes >= (1LL << 30))
        return QString::number(b / double(1LL << 30), 'f', 2) + QStringLiteral(" GB");
    if (bytes >= (1LL << 20))
        return QString::number(b / double(1LL << 20), 'f', 1) + QStringLiteral(" MB");
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    return QString::number(b / 1024.0, 'f', 1) + QStringLiteral(" KB");
}

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
    m_currentOperation = MergeOperation;
    m_mergeOptions = options;
    m_currentProgress = 0;
    m_mergeFailure.clear();
    m_sourceLetterRemoved = m_targetLetterRemoved = m_targetDeleted = false;
    // The cancel flag is not cleared here: a cancel that arrives before the job starts must hold.

    emit mergePartitionStatusChanged(tr("Initializing merge operation..."));
    mergeProgress(tr("Ready to merge"), 5, QString());

    // The steps block this thread, so a timer could never fire while they run: the job checks
    // the limit itself between steps, and each script's wait ends at it.
    m_mergeDeadline = options.timeoutSeconds >= 1
                          ? QDeadlineTimer(platform::current().scaledMs(nominalMsOf(options.timeoutSeconds)))
                          : QDeadlineTimer(QDeadlineTimer::Forever);

    QString successMessage;
    bool ok = false;
    try {
        ok = runMergeSteps(&successMessage);
    } catch (const std::exception &e) {
        noteMergeFailure(tr("Merge operation exception: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        noteMergeFailure(tr("Unknown exception occurred in the merge operation"));
    }

    if (!ok) {
        try {
            restoreMergeLetters();
        } catch (...) {
            qWarning() << "[merge] giving the drive letters back failed with an exception";
        }
        noteMergeFailure(tr("Merge operation failed"));
    }
    delete m_mergeProcess;
    m_mergeProcess = nullptr;
    m_mergeCancelRequested = false;
    reportMergeEnd(ok, ok ? successMessage : m_mergeFailure);
}

bool DiskOperationWorker::runMergeSteps(QString *successMessage)
{
    const MergePartitionOptions &o = m_mergeOptions;

    mergeProgress(tr("Verify merge conditions"), 10,
                  tr("Verifying partition status and merge conditions..."));
    if (!validateMerge() || mergeStopRequested())
        return false;

    mergeProgress(tr("Uninstall partition"), 30, tr("Uninstalling related partitions..."));
    // A lettered partition counts as unlettered once its remove ran at all: a remove killed at a
    // limit may still have taken the letter.
    m_sourceLetterRemoved = runMergeScript(partitionScript(o.sourcePartitionNumber, QStringLiteral("remove")),
                                           MergeScriptKind::Step)
                            || !letterOf(o.sourceDriveLetter).isEmpty();
    if (!o.mergeUnallocated && o.targetPartitionNumber > 0)
        m_targetLetterRemoved = runMergeScript(partitionScript(o.targetPartitionNumber, QStringLiteral("remove")),
                                               MergeScriptKind::Step)
                                || !letterOf(o.targetDriveLetter).isEmpty();
    if (mergeStopRequested())
        return false;

    bool merged = false;
    if (o.mergeWithPartition) {
        mergeProgress(tr("Merge partition"), 60,
                      tr("Deleting target partition and extending source partition..."));
        m_targetDeleted = runMergeScript(
            partitionScript(o.targetPartitionNumber, QStringLiteral("delete partition override")),
            MergeScriptKind::Step);
        if (m_targetDeleted) {
            mergePause(PauseMs);
            // Only the target's space: a bare extend would also swallow any free space after it.
            const qint64 mib = o.targetSizeBytes / MiB;
            const QString extend = mib >= 1 ? QStringLiteral("extend size=%1").arg(mib) : QStringLiteral("extend");
            merged = runMergeScript(partitionScript(o.sourcePartitionNumber, extend), MergeScriptKind::Step);
        }
    } else {
        mergeProgress(tr("Merge unallocated space"), 60,
                      tr("Merge unallocated space into partition..."));
        merged = runMergeScript(partitionScript(o.sourcePartitionNumber, QStringLiteral("extend")),
                                MergeScriptKind::Step);
    }
    if (!merged) {
        // A cancel, time-out or tool failure behind it keeps its own, earlier text.
        noteMergeFailure(tr("Partition merge failed"));
        return false;
    }
    if (mergeStopRequested())
        return false;

    if (o.resizeFileSystem && !o.mergeWithPartition) {
        mergeProgress(tr("Resizing file system"), 75, tr("Resizing file system..."));
        mergePause(PauseMs);
        if (mergeStopRequested())
            return false;
    }

    mergeProgress(tr("Updating partition table"), 85, tr("Refreshing partition table..."));
    runMergeScript({QStringLiteral("select disk %1").arg(o.diskNumber), QStringLiteral("rescan"), QStringLiteral("exit")},
                   MergeScriptKind::Step);
    if (mergeStopRequested())
        return false;

    mergeProgress(tr("Remounting partition"), 95, tr("Remounting partition..."));
    mergePause(PauseMs);
    assignSourceLetter();

    mergeProgress(tr("Merge completed"), 100, tr("Merge operation completed successfully"));
    if (o.mergeWithPartition) {
        *successMessage = tr("Successfully merged partition %1 into partition %2.\n\n Original partition "
                                         "size: %3, new partition size: %4, increased space: %5")
                              .arg(o.targetPartitionNumber)
                              .arg(o.sourcePartitionNumber)
                              .arg(mergeSizeText(o.sourceSizeBytes), mergeSizeText(o.newSizeBytes),
                                   mergeSizeText(o.targetSizeBytes));
    } else {
        *successMessage = tr("Successfully merged %1 unallocated space into %2 partition，\n\nNew partition size: %3")
                              .arg(mergeSizeText(o.targetSizeBytes))
                              .arg(o.sourcePartitionNumber)
                              .arg(mergeSizeText(o.newSizeBytes));
    }
    return true;
}

bool DiskOperationWorker::validateMerge()
{
    const MergePartitionOptions &o = m_mergeOptions;
    if (o.validateBeforeMerge) {
        const bool valid = o.diskNumber >= 0 && o.sourcePartitionNumber >= 1
                           && (o.mergeUnallocated
                               || (o.targetPartitionNumber > 0 && o.targetPartitionNumber != o.sourcePartitionNumber));
        if (!valid) {
            noteMergeFailure(tr("Merge condition validation failed"));
            return false;
        }
    }
    // Checked whatever the options say: in partition mode the target would be deleted for
    // nothing, since the extend that follows must fail.
    if (!canExtendFileSystem(o.fileSystem)) {
        noteMergeFailure(tr("Merge condition validation failed: a %1 partition cannot be extended. "
                                        "Nothing has been changed.")
                             .arg(o.fileSystem.trimmed()));
        return false;
    }
    return true;
}

bool DiskOperationWorker::mergeStopRequested()
{
    if (m_mergeCancelRequested) {
        noteMergeCancelled();
        return true;
    }
    if (m_mergeDeadline.hasExpired()) {
        onOperationTimeout();
        return true;
    }
    return !m_mergeFailure.isEmpty();
}

void DiskOperationWorker::mergeProgress(const QString &step, int percentage, const QString &status)
{
    m_currentProgress = percentage;
    emit mergePartitionProgress(step, percentage);
    if (!status.isEmpty())
        emit mergePartitionStatusChanged(status);
}

QStringList DiskOperationWorker::partitionScript(int partitionNumber, const QString &command) const
{
    return {QStringLiteral("select disk %1").arg(m_mergeOptions.diskNumber),
            QStringLiteral("select partition %1").arg(partitionNumber), command, QStringLiteral("exit")};
}

bool DiskOperationWorker::runMergeScript(const QStringList &lines, MergeScriptKind kind)
{
    // Steps stop at a cancel or the overall limit; the scripts that give letters back run anyway.
    const bool step = kind == MergeScriptKind::Step;
    if (step && m_mergeCancelRequested) {
        noteMergeCancelled();
        return false;
    }
    if (step && m_mergeDeadline.hasExpired()) {
        onOperationTimeout();
        return false;
    }

    delete m_mergeProcess;
    m_mergeProcess = new QProcess(this);
    connect(m_mergeProcess, &QProcess::finished, this, &DiskOperationWorker::onProcessFinished);
    connect(m_mergeProcess, &QProcess::errorOccurred, this, &DiskOperationWorker::onProcessError);
    m_scriptProcessError.clear();

    scriptrunner::RunRequest request;
    request.scriptLines = lines;
    request.process = m_mergeProcess;
    request.finishTimeoutMs = m_mergeOptions.timeoutSeconds >= 1 ? nominalMsOf(m_mergeOptions.timeoutSeconds)
                                                                  : DefaultScriptLimitMs;
    if (step) {
        request.cancel = &m_mergeCancelRequested;
        request.deadline = m_mergeDeadline;
    }
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::MergeScript, request);
    qDebug().noquote() << "[merge]" << lines.value(2) << "exit code:" << result.exitCode << "success:" << result.success
                       << "\n" << result.output << result.errorOutput;

    if (step) {
        // Kills of our own (cancel, limits) show up as crashes; they are not the tool's fault.
        if (result.cancelled) {
            noteMergeCancelled();
        } else if (result.timedOut) {
            // The overall limit running out is said by the next stop check.
            if (!m_mergeDeadline.hasExpired())
                noteMergeFailure(tr("Process execution failed: diskpart process execution timed out"));
        } else if (!result.success && !m_scriptProcessError.isEmpty()) {
            noteMergeFailure(m_scriptProcessError);
        }
    }
    return result.success;
}

void DiskOperationWorker::mergePause(int nominalMs)
{
    QDeadlineTimer pause(platform::current().scaledMs(nominalMs));
    while (!pause.hasExpired() && !m_mergeCancelRequested && !m_mergeDeadline.hasExpired()) {
        const qint64 left = qMin(pause.remainingTime(), m_mergeDeadline.isForever() ? qint64(PollMs)
                                                                                    : m_mergeDeadline.remainingTime());
        QThread::msleep(static_cast<unsigned long>(qBound(qint64(1), left, qint64(PollMs))));
    }
}

void DiskOperationWorker::assignSourceLetter()
{
    // The source's own letter, so a merged E: stays E:; any free one only when it had none or
    // its letter was taken meanwhile.
    const int source = m_mergeOptions.sourcePartitionNumber;
    const QString letter = letterOf(m_mergeOptions.sourceDriveLetter);
    if (!letter.isEmpty()
        && runMergeScript(partitionScript(source, QStringLiteral("assign letter=%1").arg(letter)), MergeScriptKind::Cleanup))
        return;
    runMergeScript(partitionScript(source, QStringLiteral("assign")), MergeScriptKind::Cleanup);
}

void DiskOperationWorker::restoreMergeLetters()
{
    if (m_sourceLetterRemoved) {
        assignSourceLetter();
        m_sourceLetterRemoved = false;
    }
    if (m_targetLetterRemoved && !m_targetDeleted) {
        const QString letter = letterOf(m_mergeOptions.targetDriveLetter);
        const QString command = letter.isEmpty() ? QStringLiteral("assign") : QStringLiteral("assign letter=%1").arg(letter);
        runMergeScript(partitionScript(m_mergeOptions.targetPartitionNumber, command), MergeScriptKind::Cleanup);
        m_targetLetterRemoved = false;
    }
}

void DiskOperationWorker::noteMergeFailure(const QString &text)
{
    if (m_mergeFailure.isEmpty())
        m_mergeFailure = text;
}

void DiskOperationWorker::noteMergeCancelled()
{
    if (!m_mergeFailure.isEmpty())
        return;
    emit mergePartitionStatusChanged(tr("The operation has been canceled"));
    m_mergeFailure = tr(CancelledText);
}

void DiskOperationWorker::reportMergeEnd(bool success, const QString &message)
{
    int running = MergeOperation;
    if (!m_currentOperation.compare_exchange_strong(running, NoOperation))
        return;
    if (!success)
        m_currentProgress = 0;
    qDebug() << "[merge] ended:" << success << message;
    emit mergePartitionFinished(success, message);
    emit uiMergeCompleted(success, message);
}

void DiskOperationWorker::cancelMergeOperation()
{
    // Only the flag crosses threads. The job polls it while diskpart runs and kills the tool on
    // its own thread (the process object belongs there), then reports the end itself, after it
    // has given the letters back, so the end is reported once and only when nothing runs.
    qDebug() << "[merge] cancel requested";
    m_mergeCancelRequested = true;
}

void DiskOperationWorker::onOperationTimeout()
{
    if (m_currentOperation != MergeOperation || !m_mergeFailure.isEmpty())
        return;
    emit mergePartitionStatusChanged(tr("Operation timed out, canceling..."));
    m_mergeFailure = tr(TimedOutText);
}

void DiskOperationWorker::onProcessFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    Q_UNUSED(exitCode);
    if (m_currentOperation != MergeOperation || exitStatus != QProcess::CrashExit || m_mergeCancelRequested)
        return;
    emit mergePartitionStatusChanged(tr("diskpart process crashed abnormally"));
}

void DiskOperationWorker::onProcessError(QProcess::ProcessError error)
{
    // The runner waits in short slices, each of which may end as Timedout; its own limit is
    // judged from the run's result instead.
    if (m_currentOperation != MergeOperation || !m_scriptProcessError.isEmpty() || error == QProcess::Timedout)
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
