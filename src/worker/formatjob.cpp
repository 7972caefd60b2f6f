// The format engine: puts a file system on an existing partition, named by its drive letter or
// by its "disk:partition" id, with diskpart scripts (FAT32 above 32 GiB goes to largefat32.cpp).

#include "diskoperationworker.h"

#include "crossthreadcall.h"
#include "platform/platform.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>

#include <exception>

namespace {

constexpr qint64 LargeFat32AboveBytes = 34359738368LL; // 32 GiB

// Labels end up inside a quoted value of a diskpart script line; a control character (a line
// break above all) would end that line and start a command of the label's choosing.
QString withoutControlCharacters(const QString &label)
{
    QString out;
    out.reserve(label.size());
    for (const QChar c : label) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            out += c;
    }
    return out;
}

// Cut to `count` UTF-16 units without leaving half of a surrogate pair at the end.
QString cutTo(const QString &text, int count)
{
    if (text.size() <= count)
        return text;
    QString out = text.left(count);
    if (!out.isEmpty() && out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

bool isPrintableAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

// "1:3" as two integers; false for anything else.
bool parsePartitionId(const QString &path, int *disk, int *partition)
{
    const QStringList parts = path.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return false;
    bool diskOk = false;
    bool partitionOk = false;
    *disk = parts.at(0).toInt(&diskOk);
    *partition = parts.at(1).toInt(&partitionOk);
    return diskOk && partitionOk;
}

// Letter (with colon, or empty) and size of a record.
void takeLetterAndSize(const PartitionInfo &info, QString *letter, qint64 *size)
{
    QString found = info.driveLetter;
    if (found.isEmpty() && !info.driveLetters.isEmpty())
        found = info.driveLetters.first();
    if (!found.isEmpty() && !found.endsWith(QLatin1Char(':')))
        found += QLatin1Char(':');
    *letter = found;
    *size = info.sizeBytes;
}

// The record from a manager, through a queued call onto its own thread when it lives on
// another one (its COM apartment belongs there). An empty record when the call cannot be made.
PartitionInfo partitionInfoFrom(WindowsStorageManager *manager, const QString &partitionId)
{
    PartitionInfo info;
    if (manager && !crossthread::invokeBlocking(manager, "getPartitionInfo", info, partitionId))
        info = PartitionInfo();
    return info;
}

QString failedRunText(const scriptrunner::RunResult &result, int nominalLimitMs)
{
    if (!result.scriptWritten)
        return QCoreApplication::translate("DiskOperationWorker", "无法创建diskpart脚本文件: %1").arg(result.scriptPath);
    if (!result.started)
        return QCoreApplication::translate("DiskOperationWorker", "启动diskpart失败: %1").arg(result.startErrorText);
    if (result.timedOut)
        return QCoreApplication::translate("DiskOperationWorker", "diskpart 执行超时（%1秒）").arg(nominalLimitMs / 1000);
    if (!result.exitCodeObtained)
        return QCoreApplication::translate("DiskOperationWorker", "diskpart 异常退出\n\n输出信息：%1").arg(result.output.trimmed());
    return QCoreApplication::translate("DiskOperationWorker", "diskpart 执行失败，退出码: %1\n\n输出信息：%2").arg(result.exitCode).arg(result.output.trimmed());
}

// The chosen allocation unit for a format line; nothing for the file system's default.
QString unitParameter(int clusterSize)
{
    return clusterSize > 0 ? QStringLiteral(" unit=%1").arg(clusterSize) : QString();
}

} // namespace

void DiskOperationWorker::formatPartitionAsync(FormatOptions options)
{
    qDebug() << "[formatPartitionAsync] 线程:" << QThread::currentThreadId() << "路径:" << options.partitionPath
             << "文件系统:" << options.fileSystem << "卷标:" << options.volumeLabel << "快速:" << options.quickFormat;
    emit operationProgress(10);

    bool ok = false;
    QString message;
    try {
        const QString fileSystem = options.fileSystem.toUpper();
        if (fileSystem != QLatin1String("NTFS") && fileSystem != QLatin1String("FAT32")
            && fileSystem != QLatin1String("EXFAT")) {
            message = tr("不支持的文件系统: %1").arg(options.fileSystem);
        } else {
            bool large = false;
            if (fileSystem == QLatin1String("FAT32")) {
                large = getDriveTotalSize(options.partitionPath) > LargeFat32AboveBytes;
                if (large)
                    qDebug() << "检测到大容量FAT32分区，使用专用格式化器";
            }
            ok = large ? formatLargeFat32(options) : executeStandardFormat(options);
            if (!ok)
                message = m_lastError;
        }
    } catch (const std::exception &e) {
        ok = false;
        message = tr("格式化异常: %1").arg(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ok = false;
        message = tr("格式化过程中发生未知异常");
    }

    if (ok) {
        message = tr("格式化成功完成");
        emit operationProgress(100);
    }
    emit operationCompleted(ok, message);
    if (m_isBatchFormatting)
        onSingleFormatFinished(ok, message);
}

bool DiskOperationWorker::executeStandardFormat(FormatOptions options)
{
    const QString path = options.partitionPath.trimmed();
    if (path.isEmpty()) {
        m_lastError = tr("无效的分区路径：路径为空");
        return false;
    }
    if (path.size() == 2 && isAsciiLetter(path.at(0)) && path.at(1) == QLatin1Char(':')) {
        const QString label = options.volumeLabel.isEmpty() ? QStringLiteral("Data") : options.volumeLabel;
        return formatUsingDiskpartByVolume(path.left(2), options.fileSystem.toLower(), label, options.quickFormat,
                                           options.clusterSize);
    }
    if (path.contains(QLatin1Char(':')) && path.split(QLatin1Char(':')).size() == 2) {
        int disk = 0;
        int partition = 0;
        if (!parsePartitionId(path, &disk, &partition)) {
            m_lastError = tr("无效的磁盘:分区格式，无法解析数字");
            return false;
        }
        return executeFormatWithDiskpart(options);
    }
    m_lastError = tr("无效的分区路径格式: %1").arg(path);
    return false;
}

bool DiskOperationWorker::formatUsingDiskpartByVolume(QString driveLetter, QString fileSystem, QString label,
                                                      bool quickFormat, int clusterSize)
{
    // One letter goes into the script; anything else would select a volume by number or fail
    // in ways the user cannot read.
    if (driveLetter.isEmpty() || !isAsciiLetter(driveLetter.at(0))) {
        m_lastError = tr("无效的分区路径格式: %1").arg(driveLetter);
        return false;
    }
    const QString corrected = correctLabelForFileSystem(fileSystem, label);

    QString formatLine = QStringLiteral("format fs=%1").arg(fileSystem.toLower());
    if (quickFormat)
        formatLine += QLatin1String(" quick");
    formatLine += unitParameter(clusterSize);
    if (!corrected.isEmpty())
        formatLine += QStringLiteral(" label=\"%1\"").arg(corrected);
    formatLine += QLatin1String(" override");

    scriptrunner::RunRequest request;
    request.nameParts = {driveLetter.left(1)};
    request.scriptLines = {QStringLiteral("select volume %1").arg(driveLetter.at(0).toUpper()), formatLine,
                           QStringLiteral("exit")};
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatByVolume, request);
    if (result.success)
        return true;
    qWarning().noquote() << "[formatUsingDiskpartByVolume] 格式化失败:" << driveLetter << result.output;
    m_lastError = failedRunText(result, scriptrunner::settings(scriptrunner::Run::FormatByVolume).finishTimeoutMs);
    return false;
}

bool DiskOperationWorker::executeFormatWithDiskpart(FormatOptions options)
{
    const QString path = options.partitionPath;
    int disk = 0;
    int partition = 0;
    QChar letter;
    bool byId = false;
    if (path.contains(QLatin1Char(':')) && !path.endsWith(QLatin1Char(':')) && parsePartitionId(path, &disk, &partition)) {
        qDebug() << "检测到磁盘+分区号格式，判断为无盘符分区";
        byId = true;
    } else if (path.size() < 3 && path.endsWith(QLatin1Char(':')) && isAsciiLetter(path.at(0))) {
        letter = path.at(0).toUpper();
    } else {
        m_lastError = tr("无效的分区路径格式: %1").arg(path);
        return false;
    }

    QString fileSystem = options.fileSystem.trimmed().toLower();
    if (fileSystem.isEmpty())
        fileSystem = QStringLiteral("ntfs");

    QString label = options.volumeLabel.isEmpty() ? QStringLiteral("Data") : options.volumeLabel;
    label = withoutControlCharacters(label);
    for (const QChar c : QStringLiteral("<>:/\\|?*\""))
        label.replace(c, QLatin1Char('_'));
    label = cutTo(label, 32);

    // Always quick, whatever the options say.
    const QString formatLine = QStringLiteral("format fs=%1 quick%2 label=\"%3\" override")
                                   .arg(fileSystem, unitParameter(options.clusterSize), label);
    scriptrunner::RunRequest request;
    request.nameParts = {QString::number(byId ? disk : 0), QString::number(byId ? partition : 0)};
    if (byId) {
        request.scriptLines = {QStringLiteral("select disk %1").arg(disk), QStringLiteral("select partition %1").arg(partition),
                               formatLine, QStringLiteral("assign"), QStringLiteral("exit")};
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

bool DiskOperationWorker::formatPartition(QString partitionId, QString fileSystem, QString label)
{
    if (partitionId.isEmpty()) {
        qWarning() << "[formatPartition] partitionId为空";
        return false;
    }

    QString letter;
    qint64 size = 0;
    if (m_storageManager)
        takeLetterAndSize(partitionInfoFrom(m_storageManager, partitionId), &letter, &size);
    if ((letter.isEmpty() || size == 0) && m_workerStorageManager)
        takeLetterAndSize(partitionInfoFrom(m_workerStorageManager, partitionId), &letter, &size);
    // A partition created a moment ago may get its letter only after a while.
    for (int attempt = 0; attempt < 8 && letter.isEmpty(); ++attempt) {
        platform::current().sleepMs(1000);
        takeLetterAndSize(partitionInfoFrom(m_storageManager ? m_storageManager : m_workerStorageManager.load(),
                                            partitionId),
                          &letter, &size);
    }

    if (fileSystem.compare(QLatin1String("FAT32"), Qt::CaseInsensitive) == 0 && size > LargeFat32AboveBytes) {
        if (letter.isEmpty()) {
            qWarning() << "[formatPartition] 大容量FAT32格式化需要盘符，但无法获取";
            return false;
        }
        FormatOptions options;
        options.partitionPath = letter;
        options.fileSystem = QStringLiteral("FAT32");
        options.volumeLabel = label;
        options.clusterSize = 0;
        options.quickFormat = true;
        return formatLargeFat32(options);
    }

    QString corrected = correctLabelForFileSystem(fileSystem, label);
    if (!isPrintableAscii(corrected))
        corrected = QStringLiteral("NewVolume");

    if (letter.isEmpty())
        return formatByPartitionId(partitionId, fileSystem, corrected, size);

    if (formatUsingDiskpartByVolume(letter, fileSystem.toLower(), corrected, true))
        return true;
    platform::current().sleepMs(2000);
    if (formatUsingDiskpartByVolume(letter, fileSystem.toLower(), corrected, true))
        return true;
    qWarning() << "[formatPartition] 盘符格式化失败，尝试分区ID兜底";
    return formatByPartitionId(partitionId, fileSystem, corrected, size);
}

bool DiskOperationWorker::formatByPartitionId(QString partitionId, QString fileSystem, QString label, qint64 sizeBytes)
{
    const QStringList parts = partitionId.split(QLatin1Char(':'));
    if (parts.size() != 2) {
        qWarning() << "[formatByPartitionId] 分区ID格式错误:" << partitionId;
        return false;
    }
    int disk = 0;
    int partition = 0;
    if (!parsePartitionId(partitionId, &disk, &partition)) {
        qWarning() << "[formatByPartitionId] disk/partition号解析失败:" << partitionId;
        return false;
    }

    // A double quote would close the quoted value early; it is never part of a label.
    QString cleanLabel = withoutControlCharacters(label);
    cleanLabel.remove(QLatin1Char('"'));
    if (cleanLabel.isEmpty() || !isPrintableAscii(cleanLabel))
        cleanLabel = QStringLiteral("NewVolume");

    scriptrunner::RunRequest request;
    request.nameParts = {QString::number(disk), QString::number(partition)};
    request.scriptLines = {
        QStringLiteral("select disk %1").arg(disk),
        QStringLiteral("select partition %1").arg(partition),
        QStringLiteral("format fs=%1 quick label=\"%2\" override").arg(fileSystem.toLower(), cleanLabel),
        QStringLiteral("exit"),
    };
    request.sizeBytes = sizeBytes;
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::FormatByPartitionId, request);
    qDebug().noquote() << "[formatByPartitionId] 输出:" << result.output;
    if (result.success)
        return true;
    const scriptrunner::RunSettings &row = scriptrunner::settings(scriptrunner::Run::FormatByPartitionId);
    m_lastError = failedRunText(result, sizeBytes > row.largeAboveBytes ? row.finishTimeoutLargeMs : row.finishTimeoutMs);
    return false;
}

QString DiskOperationWorker::correctLabelForFileSystem(QString fileSystem, QString label)
{
    const QString fs = fileSystem.toUpper();
    QString out = withoutControlCharacters(label);
    const bool fat = fs == QLatin1String("FAT32") || fs == QLatin1String("FAT16") || fs == QLatin1String("FAT");
    if (fat)
        out.replace(QLatin1Char(' '), QLatin1Char('_'));
    for (const QChar c : QStringLiteral("/:*?<>|\""))
        out.remove(c);
    if (fat) {
        out.remove(QLatin1Char('.'));
        out = cutTo(out.toUpper(), 11);
        return out.isEmpty() ? QStringLiteral("NEW_VOLUME") : out;
    }
    out = cutTo(out, fs == QLatin1String("EXFAT") ? 15 : 32);
    return out.isEmpty() ? QStringLiteral("New Volume") : out;
}
