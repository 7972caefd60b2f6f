#include "formatjob.h"

#include "batchjob.h"
#include "largefat32.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/partitionid.h"
#include "common/volumelabel.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"

#include <QDebug>
#include <QThread>

#include <exception>

namespace {

constexpr qint64 LargeFat32AboveBytes = 34359738368LL; // 32 GiB

// Letter ("E:", or empty) and size of a record; nothing when the record could not be read.
void takeLetterAndSize(const std::optional<PartitionInfo> &info, QString *letter, qint64 *size)
{
    const PartitionInfo record = info.value_or(PartitionInfo());
    *letter = driveletter::driveOf(record);
    *size = record.sizeBytes;
}

QString failedRunText(const scriptrunner::RunResult &result)
{
    if (!result.scriptWritten)
        return FormatEngine::tr("无法创建diskpart脚本文件: %1").arg(result.scriptPath);
    if (!result.started)
        return FormatEngine::tr("启动diskpart失败: %1").arg(result.startErrorText);
    if (result.timedOut)
        return FormatEngine::tr("diskpart 执行超时（%1秒）").arg(result.finishLimitMs / 1000);
    if (!result.exitCodeObtained)
        return FormatEngine::tr("diskpart 异常退出\n\n输出信息：%1").arg(result.output.trimmed());
    return FormatEngine::tr("diskpart 执行失败，退出码: %1\n\n输出信息：%2").arg(result.exitCode).arg(result.output.trimmed());
}

// The chosen allocation unit for a format line; nothing for the file system's default.
QString unitParameter(int clusterSize)
{
    return clusterSize > 0 ? QStringLiteral(" unit=%1").arg(clusterSize) : QString();
}

} // namespace

void DiskOperationWorker::formatPartitionAsync(FormatOptions options)
{
    setCurrentOperation(FormatOperation, 0);
    const auto [ok, message] = m_format->runJob(options);
    endCurrentOperation(FormatOperation);
    if (m_batch && m_batch->isFormatting()) {
        onSingleFormatFinished(ok, message); // the batch goes on; its end ends the job
        return;
    }
    jobEnded();
}

bool DiskOperationWorker::executeStandardFormat(FormatOptions options)
{
    return m_format->executeStandardFormat(options);
}

bool DiskOperationWorker::formatUsingDiskpartByVolume(QString driveLetter, QString fileSystem, QString label,
                                                      bool quickFormat, int clusterSize)
{
    return m_format->formatByVolume(driveLetter, fileSystem, label, quickFormat, clusterSize);
}

bool DiskOperationWorker::executeFormatWithDiskpart(FormatOptions options)
{
    return m_format->executeFormatWithDiskpart(options);
}

bool DiskOperationWorker::formatPartition(QString partitionId, QString fileSystem, QString label)
{
    return m_format->formatPartition(partitionId, fileSystem, label);
}

QString DiskOperationWorker::lastFormatCause() const
{
    return m_format->lastCause();
}

bool DiskOperationWorker::formatByPartitionId(QString partitionId, QString fileSystem, QString label, qint64 sizeBytes)
{
    return m_format->formatByPartitionId(partitionId, fileSystem, label, sizeBytes);
}

QString DiskOperationWorker::correctLabelForFileSystem(QString fileSystem, QString label)
{
    return volumelabel::forFileSystem(fileSystem, label);
}

QString FormatEngine::identityRefusal(const FormatOptions &options)
{
    std::optional<PartitionInfo> now;
    const QString changed = storageaccess::changedSinceConfirmed(m_worker, options.confirmed, &now);
    if (!changed.isEmpty() || !now)
        return changed;
    // By letter, the letter must still lead to that partition: a stick swapped in under the
    // same letter is another volume.
    const QChar letter = driveletter::parse(options.partitionPath);
    return letter.isNull() || driveletter::parse(now->driveLetter) == letter ? QString() : layoutChangedText();
}

std::pair<bool, QString> FormatEngine::runJob(const FormatOptions &options)
{
    qDebug() << "[formatPartitionAsync] 线程:" << QThread::currentThreadId() << "路径:" << options.partitionPath
             << "文件系统:" << options.fileSystem << "卷标:" << options.volumeLabel << "快速:" << options.quickFormat;
    emit m_worker.operationProgress(10);

    JobReport report;
    report.asked = JobReport::tr("format %1 as %2").arg(options.partitionPath, options.fileSystem);
    StepRunner runner(report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    bool ok = false;
    QString message;
    try {
        const QString fileSystem = options.fileSystem.toUpper();
        if (fileSystem != QLatin1String("NTFS") && fileSystem != QLatin1String("FAT32")
            && fileSystem != QLatin1String("EXFAT")) {
            message = tr("不支持的文件系统: %1").arg(options.fileSystem);
            report.end = JobReport::End::Failed;
        } else {
            bool stoppedInside = false; // the large FAT32 path took the stop before its format
            const Step format{JobReport::tr("format"), true, [&](ReportNode &node) {
                m_lastError = identityRefusal(options);
                if (!m_lastError.isEmpty()) {
                    node.detail = m_lastError;
                    return false;
                }
                LargeFat32Format fat32(m_worker, m_lastError);
                const bool large = fileSystem == QLatin1String("FAT32")
                                   && fat32.getDriveTotalSize(options.partitionPath) > LargeFat32AboveBytes;
                if (large)
                    qDebug() << "检测到大容量FAT32分区，使用专用格式化器";
                const bool done = large ? fat32.formatLargeFat32(options) : executeStandardFormat(options);
                stoppedInside = fat32.stoppedBeforeFormat();
                node.detail = done ? QString()
                                   : stoppedInside ? QStringLiteral("stopped on request before fat32format ran")
                                                   : m_lastError;
                return done;
            }};
            ok = runner.run({format}) == StepRunner::Stop::None;
            if (runner.stopped() == StepRunner::Stop::Cancelled || stoppedInside) {
                report.end = JobReport::End::Cancelled;
                message = tr("The format was canceled before it began; the partition is unchanged.");
            } else if (!ok) {
                message = m_lastError;
            }
        }
    } catch (const std::exception &e) {
        message = tr("格式化异常: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        message = tr("格式化过程中发生未知异常");
    }

    m_worker.publishReport(report);
    if (ok) {
        message = tr("格式化成功完成");
        emit m_worker.operationProgress(100);
    }
    emit m_worker.operationCompleted(ok, message);
    return {ok, message};
}

bool FormatEngine::executeStandardFormat(const FormatOptions &options)
{
    const QString path = options.partitionPath.trimmed();
    if (path.isEmpty()) {
        m_lastError = tr("无效的分区路径：路径为空");
        return false;
    }
    if (driveletter::isDriveText(path)) {
        const QString label = options.volumeLabel.isEmpty() ? QStringLiteral("Data") : options.volumeLabel;
        return formatByVolume(path, options.fileSystem.toLower(), label, options.quickFormat, options.clusterSize);
    }
    if (path.split(QLatin1Char(':')).size() == 2) {
        if (!parsePartitionId(path, nullptr)) {
            m_lastError = tr("无效的磁盘:分区格式，无法解析数字");
            return false;
        }
        return executeFormatWithDiskpart(options);
    }
    m_lastError = tr("无效的分区路径格式: %1").arg(path);
    return false;
}

bool FormatEngine::formatByVolume(const QString &driveLetter, const QString &fileSystem, const QString &label,
                                  bool quickFormat, int clusterSize)
{
    // One letter goes into the script; anything else would select a volume by number or fail
    // in ways the user cannot read.
    const QChar letter = driveLetter.isEmpty() ? QChar() : driveLetter.at(0);
    if (!driveletter::isLetter(letter)) {
        m_lastError = tr("无效的分区路径格式: %1").arg(driveLetter);
        return false;
    }
    const QString corrected = volumelabel::forFileSystem(fileSystem, label);

    QString formatLine = QStringLiteral("format fs=%1").arg(fileSystem.toLower());
    if (quickFormat)
        formatLine += QLatin1String(" quick");
    formatLine += unitParameter(clusterSize);
    formatLine += QStringLiteral(" label=\"%1\" override").arg(corrected);

    scriptrunner::RunRequest request;
    request.scriptLines = {QStringLiteral("select volume %1").arg(letter.toUpper()), formatLine, QStringLiteral("exit")};
    if (!quickFormat) {
        // A full format writes every sector, so its limit grows with the volume.
        std::uint64_t total = 0;
        request.writesBytes = platform::current().getDiskFreeSpaceEx(driveletter::root(letter).toStdWString(), nullptr,
                                                                     &total, nullptr)
                                  ? qint64(total)
                                  : -1;
    }
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatByVolume, request);
    if (result.success)
        return true;
    qWarning().noquote() << "[formatUsingDiskpartByVolume] 格式化失败:" << driveLetter << result.output;
    m_lastError = failedRunText(result);
    return false;
}

bool FormatEngine::executeFormatWithDiskpart(const FormatOptions &options)
{
    const QString path = options.partitionPath;
    PartitionId id;
    const bool byId = !path.endsWith(QLatin1Char(':')) && parsePartitionId(path, &id);
    const QChar letter = byId ? QChar() : driveletter::parse(path);
    if (!byId && !driveletter::isDriveText(path)) {
        m_lastError = tr("无效的分区路径格式: %1").arg(path);
        return false;
    }
    if (byId)
        qDebug() << "检测到磁盘+分区号格式，判断为无盘符分区";

    QString fileSystem = options.fileSystem.trimmed().toLower();
    if (fileSystem.isEmpty())
        fileSystem = QStringLiteral("ntfs");
    const QString label =
        volumelabel::forFileSystem(fileSystem, options.volumeLabel.isEmpty() ? QStringLiteral("Data") : options.volumeLabel);

    // Always quick, whatever the options say.
    const QString formatLine = QStringLiteral("format fs=%1 quick%2 label=\"%3\" override")
                                   .arg(fileSystem, unitParameter(options.clusterSize), label);
    scriptrunner::RunRequest request;
    if (byId) {
        request.scriptLines = {QStringLiteral("select disk %1").arg(id.disk),
                               QStringLiteral("select partition %1").arg(id.partition), formatLine,
                               QStringLiteral("assign"), QStringLiteral("exit")};
    } else {
        request.scriptLines = {QStringLiteral("select volume %1").arg(letter), formatLine, QStringLiteral("exit")};
    }
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::ExecuteFormatWithDiskpart, request);
    if (!result.scriptWritten) {
        m_lastError = tr("无法创建diskpart脚本文件: %1").arg(result.scriptPath);
        return false;
    }
    if (!result.started) {
        m_lastError = tr("启动diskpart失败，错误码: %1").arg(result.startError);
        return false;
    }
    if (!result.success) {
        m_lastError = tr("diskpart 执行失败，退出码: %1").arg(result.exitCodeObtained ? result.exitCode : 1);
        return false;
    }
    return true;
}

bool FormatEngine::formatPartition(const QString &partitionId, const QString &fileSystem, const QString &label)
{
    m_lastCause.clear();
    if (partitionId.isEmpty()) {
        qWarning() << "[formatPartition] partitionId为空";
        return false;
    }

    QString letter;
    qint64 size = 0;
    takeLetterAndSize(storageaccess::partitionInfo(m_worker, partitionId), &letter, &size);
    // A partition created a moment ago may get its letter only after a while.
    for (int attempt = 0; attempt < 8 && letter.isEmpty(); ++attempt) {
        platform::current().sleepMs(1000);
        takeLetterAndSize(storageaccess::partitionInfo(m_worker, partitionId), &letter, &size);
    }

    if (fileSystem.compare(QLatin1String("FAT32"), Qt::CaseInsensitive) == 0 && size > LargeFat32AboveBytes) {
        if (letter.isEmpty()) {
            qWarning() << "[formatPartition] 大容量FAT32格式化需要盘符，但无法获取";
            return false;
        }
        return LargeFat32Format(m_worker, m_lastError).formatLargeFat32({letter, QStringLiteral("FAT32"), label, 0, true});
    }

    // The batch's scripts carry printable ASCII labels only; any other is set through the
    // system once the volume is there, so a typed label is never swapped for a stand-in.
    const QString corrected = volumelabel::forFileSystemAscii(fileSystem, label);
    const QString wanted = volumelabel::forFileSystem(fileSystem, label);
    const auto named = [&](bool formatted) {
        if (const QString why = formatted && wanted != corrected ? nameVolume(partitionId, wanted) : QString(); !why.isEmpty())
            m_lastCause = tr("formatted, but the label \"%1\" could not be set: %2").arg(wanted, why);
        return formatted;
    };

    if (letter.isEmpty())
        return named(formatByPartitionId(partitionId, fileSystem, corrected, size));

    if (formatByVolume(letter, fileSystem.toLower(), corrected, true, 0))
        return named(true);
    platform::current().sleepMs(2000);
    if (formatByVolume(letter, fileSystem.toLower(), corrected, true, 0))
        return named(true);
    qWarning() << "[formatPartition] 盘符格式化失败，尝试分区ID兜底";
    return named(formatByPartitionId(partitionId, fileSystem, corrected, size));
}

QString FormatEngine::nameVolume(const QString &partitionId, const QString &label)
{
    const QString drive = driveletter::driveOf(storageaccess::partitionInfo(m_worker, partitionId).value_or(PartitionInfo()));
    const QString why = drive.isEmpty() ? tr("the volume has no drive letter to name it through")
                                        : storageaccess::setVolumeLabel(m_worker, drive, label);
    if (!why.isEmpty())
        qWarning().noquote() << "The label" << label << "was not set on" << partitionId << ":" << why;
    return why;
}

bool FormatEngine::formatByPartitionId(const QString &partitionId, const QString &fileSystem, const QString &label,
                                       qint64 sizeBytes)
{
    PartitionId id;
    if (!parsePartitionId(partitionId, &id)) {
        qWarning() << "[formatByPartitionId] 分区ID格式错误:" << partitionId;
        return false;
    }

    const QString cleanLabel = volumelabel::forFileSystemAscii(fileSystem, label);

    scriptrunner::RunRequest request;
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(id.disk),
        QStringLiteral("select partition %1").arg(id.partition),
        QStringLiteral("format fs=%1 quick label=\"%2\" override").arg(fileSystem.toLower(), cleanLabel),
        QStringLiteral("exit"),
    };
    request.sizeBytes = sizeBytes;
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatByPartitionId, request);
    qDebug().noquote() << "[formatByPartitionId] 输出:" << result.output;
    if (result.success)
        return true;
    m_lastError = failedRunText(result);
    m_lastCause = scriptrunner::failureCause(scriptrunner::Run::FormatByPartitionId, result);
    return false;
}
