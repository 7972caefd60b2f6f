// FAT32 on volumes above 32 GiB, which diskpart refuses: the outside formatter that lies beside
// the executable, with a dismount before it and a check afterwards that the volume still
// answers to its letter.

#include "largefat32.h"

#include "formatjob.h"
#include "steprunner.h"
#include "storageaccess.h"

#include "common/driveletter.h"
#include "common/partitionid.h"
#include "common/volumelabel.h"

#include "platform/platform.h"
#include "storage/scriptrunner.h"
#include "storage/windowsstoragemanager.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

namespace {

// fat32format writes the reserved sectors, two FATs of four bytes a cluster and the root
// cluster: with clusters of 4 KiB at the least, at most this fraction of the volume.
constexpr qint64 VolumeBytesPerFatByte = 512;
// The largest volume it formats (2^32 sectors of 4 KiB), assumed when the size is unknown.
constexpr qint64 LargestFat32VolumeBytes = 0x100000000LL * 4096;
constexpr int FirstBlindAnswerMs = 3000;
constexpr int SecondBlindAnswerMs = 8000;
constexpr int MaxAnswers = 2;
constexpr qint64 SizeSlackBytes = 256LL * 1024 * 1024;

QString clusterArgument(int clusterSize)
{
    switch (clusterSize) {
    case 0:
        return QString();
    case 8192:
        return QStringLiteral("-c16");
    case 32768:
        return QStringLiteral("-c64");
    case 65536:
        return QStringLiteral("-c128");
    default:
        return QStringLiteral("-c32");
    }
}

bool answer(QProcess &process)
{
    process.write("y\r\n");
    return process.waitForBytesWritten(scriptrunner::realMs(1000));
}

// One row of "list volume", English or Chinese.
struct VolumeLine
{
    int number = -1;
    bool showsLetter = false; // the letter column holds the drive's letter
    bool fileSystemMatches = false;
    bool reserved = false;    // marked System, Boot or Hidden
    qint64 sizeLow = -1;      // the size column as a byte range (whole units, truncated)
    qint64 sizeHigh = -1;
};

VolumeLine parseVolumeLine(const QString &line, QChar letter, const QString &fileSystem)
{
    static const QRegularExpression row(QStringLiteral("^\\s*\\*?\\s*(?:Volume|卷)\\s+(\\d+)(\\s+)(.*)$"));
    static const QRegularExpression size(QStringLiteral("(\\d+)\\s+(B|KB|MB|GB|TB|PB)\\b"));
    static const QRegularExpression reserved(QStringLiteral("\\b(System|Boot|Hidden)\\b|系统|启动|隐藏"));
    VolumeLine out;
    const QRegularExpressionMatch m = row.match(line);
    if (!m.hasMatch())
        return out;
    out.number = m.captured(1).toInt();
    const QString rest = m.captured(3);
    // The letter column follows the number after a short gap; a one-letter label lies further
    // right, past the empty letter column.
    out.showsLetter = m.captured(2).size() <= 8 && rest.size() >= 1 && rest.at(0).toUpper() == letter.toUpper()
                      && (rest.size() == 1 || rest.at(1).isSpace());
    out.fileSystemMatches = QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(fileSystem)),
                                               QRegularExpression::CaseInsensitiveOption)
                                .match(rest)
                                .hasMatch();
    out.reserved = reserved.match(rest).hasMatch();
    QRegularExpressionMatchIterator it = size.globalMatch(rest);
    while (it.hasNext()) {
        const QRegularExpressionMatch s = it.next();
        static const QStringList units = {QStringLiteral("B"), QStringLiteral("KB"), QStringLiteral("MB"),
                                          QStringLiteral("GB"), QStringLiteral("TB"), QStringLiteral("PB")};
        const qint64 unit = qint64(1) << (10 * units.indexOf(s.captured(2)));
        out.sizeLow = s.captured(1).toLongLong() * unit;
        out.sizeHigh = out.sizeLow + unit;
    }
    return out;
}

bool accessible(QChar letter)
{
    return platform::current().getDiskFreeSpaceEx((QString(letter) + QStringLiteral(":\\")).toStdWString(), nullptr,
                                                  nullptr, nullptr);
}

// Finds the volume in "list volume" and gives it `letter`: the line that shows the letter, or
// else a volume of `fileSystem` and the expected size that the system does not use (the EFI
// system partition above all). False when no line qualifies or diskpart cannot list.
bool assignLetterAgain(QChar letter, qint64 expectedBytes, const QString &fileSystem)
{
    scriptrunner::RunRequest list;
    list.scriptLines = {QStringLiteral("list volume"), QStringLiteral("exit")};
    const scriptrunner::RunResult listed = scriptrunner::run(scriptrunner::Run::RemountVolume, list);
    if (!listed.success) {
        qWarning() << "[挂载] 无法列出卷";
        return false;
    }

    VolumeLine chosen;
    VolumeLine bySize;
    for (const QString &line : listed.output.split(QRegularExpression(QStringLiteral("[\\r\\n]+")))) {
        const VolumeLine v = parseVolumeLine(line, letter, fileSystem);
        if (v.number < 0 || !v.fileSystemMatches || v.reserved)
            continue;
        if (v.showsLetter) {
            chosen = v;
            break;
        }
        // The listing truncates the partition's size; the volume's usable bytes lie a little
        // below it (file-system overhead, whole clusters).
        if (bySize.number < 0 && expectedBytes > 0 && v.sizeLow >= 0 && expectedBytes >= v.sizeLow - SizeSlackBytes
            && expectedBytes < v.sizeHigh)
            bySize = v;
    }
    if (chosen.number < 0)
        chosen = bySize;
    if (chosen.number < 0) {
        qWarning() << "[挂载] 未找到对应的" << fileSystem << "卷";
        return false;
    }
    if (chosen.showsLetter && accessible(letter))
        return true;

    // A volume without a letter has none to remove, and diskpart stops at the failing line.
    scriptrunner::RunRequest assign;
    assign.scriptLines << QStringLiteral("select volume %1").arg(chosen.number);
    if (chosen.showsLetter)
        assign.scriptLines << QStringLiteral("remove letter=%1").arg(letter);
    assign.scriptLines << QStringLiteral("assign letter=%1").arg(letter) << QStringLiteral("exit");
    if (!scriptrunner::run(scriptrunner::Run::RemountVolume, assign).success)
        return false;
    // diskpart may end without error and yet leave the letter unassigned, and Windows takes a
    // moment to mount the volume under it: the letter answering is what counts.
    platform::current().sleepMs(2000);
    return accessible(letter);
}

} // namespace

qint64 LargeFat32Format::getDriveTotalSize(const QString &path)
{
    const QString trimmed = path.trimmed();
    const QChar letter = driveletter::parse(trimmed);
    if (!letter.isNull()) {
        platform::Platform &p = platform::current();
        const std::wstring root = driveletter::root(letter).toStdWString();
        std::uint64_t total = 0;
        if (!p.getDiskFreeSpaceEx(root, nullptr, &total, nullptr)) {
            qWarning() << "[getDriveTotalSize] GetDiskFreeSpaceEx 失败:" << trimmed << "错误码:" << p.lastError();
            return -1;
        }
        return qint64(total);
    }
    if (parsePartitionId(trimmed, nullptr)) {
        qDebug() << "磁盘:分区格式，假设为大容量分区";
        return 68719476736LL;
    }
    return -1;
}

bool LargeFat32Format::isDriveAccessible(QString drive)
{
    const QString root = drive.endsWith(QLatin1Char('\\')) ? drive : drive + QLatin1Char('\\');
    platform::Platform &p = platform::current();
    if (p.getDiskFreeSpaceEx(root.toStdWString(), nullptr, nullptr, nullptr)) {
        qDebug() << "[检查访问] 驱动器" << drive << "可以正常访问";
        return true;
    }
    qDebug() << "[检查访问] 驱动器" << drive << "无法访问，错误码:" << p.lastError();
    return false;
}

bool LargeFat32Format::formatLargeFat32(const FormatOptions &options)
{
    // The formatter and the dismount work on letters only; a partition id has none.
    const QString drive = driveletter::drive(driveletter::parse(options.partitionPath));
    if (drive.isEmpty()) {
        m_lastError = tr("大容量FAT32格式化需要盘符: %1").arg(options.partitionPath);
        return false;
    }
    // Known before the dismount, so a volume that lost its letter can still be recognised.
    const qint64 bytes = getDriveTotalSize(drive);
    std::wstring fileSystemName;
    platform::current().getVolumeInformation((drive + QLatin1Char('\\')).toStdWString(), nullptr, 0, nullptr,
                                             &fileSystemName, 32);

    // A stop is taken before the dismount or before the format, and then the volume gets its
    // letter back below; after the format, mounting it again always follows.
    JobReport report;
    report.asked = JobReport::tr("large FAT32 format of %1").arg(drive);
    const QList<Step> steps{
        {JobReport::tr("dismount"), true, [&](ReportNode &node) {
             emit m_worker.operationProgress(5);
             if (!dismountWithFsutil(drive)) {
                 qWarning() << "卸载驱动器失败，但继续尝试格式化";
                 node.detail = QStringLiteral("not dismounted; formatting anyway");
             }
             return true;
         }},
        {JobReport::tr("format with fat32format"), true, [&](ReportNode &node) {
             emit m_worker.operationProgress(10);
             if (runFat32Format(drive, options, bytes))
                 return true;
             node.detail = m_lastError;
             return false;
         }},
        {JobReport::tr("mount again"), false, [&](ReportNode &node) {
             emit m_worker.operationProgress(95);
             if (!remountVolume(drive, bytes)) {
                 qWarning() << "重新挂载驱动器失败，但格式化已成功";
                 node.detail = QStringLiteral("the volume does not answer to its letter");
             }
             return true;
         }, false},
        // fat32format takes no label: the typed one is set once the volume answers to its letter.
        {JobReport::tr("name the volume"), false, [&](ReportNode &node) {
             const QString label = volumelabel::forFileSystem(QStringLiteral("FAT32"), options.volumeLabel);
             if (!options.volumeLabel.trimmed().isEmpty())
                 node.detail = storageaccess::setVolumeLabel(m_worker, drive, label);
             if (!node.detail.isEmpty())
                 qWarning().noquote() << "The label" << label << "was not set on" << drive << ":" << node.detail;
             emit m_worker.operationProgress(100);
             return true;
         }, false},
    };
    StepRunner runner(report, &m_worker.stopRequest(), QDeadlineTimer(QDeadlineTimer::Forever));
    const bool ok = runner.run(steps) == StepRunner::Stop::None;
    m_stoppedBeforeFormat = runner.stopped() == StepRunner::Stop::Cancelled;
    m_worker.publishReport(report);
    if (!ok && !isDriveAccessible(drive)) {
        // The diskpart dismount takes the letter away; a failed format must not leave the
        // volume without it.
        const QString fileSystem = QString::fromStdWString(fileSystemName);
        if (fileSystem.isEmpty() || !assignLetterAgain(drive.at(0).toUpper(), bytes, fileSystem))
            m_lastError += tr("\n\nThe volume lost its letter %1 and could not get it back: it has no drive letter now.").arg(drive);
    }
    return ok;
}

bool LargeFat32Format::dismountWithFsutil(QString drive)
{
    if (!driveletter::isDriveText(drive))
        return false;
    scriptrunner::RunRequest request;
    request.drive = drive;
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::DismountWithFsutil, request);
    if (!result.started) {
        qWarning() << "无法启动fsutil命令";
        return false;
    }
    if (result.timedOut) {
        qWarning() << "fsutil命令执行超时";
        return false;
    }
    if (result.success)
        return true;
    qDebug().noquote() << "[dismountWithFsutil] 退出码:" << result.exitCode << result.output << result.errorOutput;
    return dismountWithDiskpart(drive);
}

bool LargeFat32Format::dismountWithDiskpart(QString drive)
{
    if (!driveletter::isDriveText(drive))
        return false;
    const QChar letter = drive.at(0).toUpper();
    scriptrunner::RunRequest request;
    request.scriptLines = {QStringLiteral("select volume %1").arg(letter), QStringLiteral("remove letter=%1").arg(letter),
                           QStringLiteral("exit")};
    const scriptrunner::RunResult result = scriptrunner::run(scriptrunner::Run::DismountWithDiskpart, request);
    if (!result.success) {
        qWarning().noquote() << "[dismountWithDiskpart] 失败，退出码:" << result.exitCode << result.output;
        return false;
    }
    platform::current().sleepMs(2000);
    return true;
}

bool LargeFat32Format::runFat32Format(QString drive, const FormatOptions &options, qint64 volumeBytes)
{
    QStringList arguments;
    const QString cluster = clusterArgument(options.clusterSize);
    if (!cluster.isEmpty())
        arguments << cluster;
    arguments << drive;

    emit m_worker.operationProgress(20);
    QProcess process;
    scriptrunner::RunResult started;
    if (!scriptrunner::startProcess(scriptrunner::Run::Fat32Format, arguments, process, started)) {
        m_lastError = tr("无法启动 fat32format.exe，检查路径或权限: %1").arg(process.program());
        return false;
    }

    emit m_worker.operationProgress(30);
    const scriptrunner::RunSettings &row = scriptrunner::settings(scriptrunner::Run::Fat32Format);
    const int limitMs = scriptrunner::writeLimitMs(
        row.finishTimeoutMs, (volumeBytes > 0 ? volumeBytes : LargestFat32VolumeBytes) / VolumeBytesPerFatByte);
    const qint64 budget = scriptrunner::realMs(limitMs);
    const qint64 firstBlind = scriptrunner::realMs(FirstBlindAnswerMs);
    const qint64 secondBlind = scriptrunner::realMs(SecondBlindAnswerMs);
    QElapsedTimer clock;
    clock.start();
    QString output;
    int answers = 0;

    while (process.state() == QProcess::Running) {
        const qint64 elapsed = clock.elapsed();
        if (elapsed > budget) {
            process.kill();
            process.waitForFinished(scriptrunner::realMs(row.killWaitMs));
            m_lastError = tr("fat32format.exe 执行超时（%1秒）").arg(limitMs / 1000);
            qWarning().noquote() << "[runFat32Format] 超时，输出:" << output;
            return false;
        }

        // The tool may ask before printing anything the console shows; answer it unseen.
        if (answers == 0 && elapsed > firstBlind && output.isEmpty()) {
            answer(process);
            answers = 1;
        } else if (answers == 1 && elapsed > secondBlind && !output.contains(QLatin1String("Done"), Qt::CaseInsensitive)) {
            answer(process);
            answers = 2;
        }

        process.waitForReadyRead(scriptrunner::realMs(500));
        const QString piece = scriptrunner::decode(process.readAll());
        if (!piece.isEmpty()) {
            output += piece;
            if (piece.contains(QLatin1String("Formatting drive"), Qt::CaseInsensitive)
                || piece.contains(QLatin1String("Clearing out"), Qt::CaseInsensitive))
                emit m_worker.operationProgress(50);
            if (piece.contains(QLatin1String("Wrote"), Qt::CaseInsensitive)
                || piece.contains(QLatin1String("Megabytes/sec"), Qt::CaseInsensitive))
                emit m_worker.operationProgress(75);
            if (piece.contains(QLatin1String("Initialising"), Qt::CaseInsensitive))
                emit m_worker.operationProgress(85);
            if (piece.contains(QLatin1String("Done"), Qt::CaseInsensitive)) {
                emit m_worker.operationProgress(90);
                if (!process.waitForFinished(scriptrunner::realMs(2000))) {
                    process.kill();
                    process.waitForFinished(scriptrunner::realMs(1000));
                }
                break;
            }
        }

        const QString lower = output.toLower();
        if (answers < MaxAnswers
            && (lower.contains(QLatin1String("are you sure")) || lower.contains(QLatin1String("(y/n)"))
                || lower.contains(QLatin1String("will be lost")))) {
            answer(process);
            ++answers;
        }

        emit m_worker.operationProgress(int(qMin<qint64>(30 + clock.elapsed() * 55 / budget, 85)));
    }

    if (process.state() != QProcess::NotRunning && !process.waitForFinished(scriptrunner::realMs(3000))) {
        process.kill();
        process.waitForFinished(scriptrunner::realMs(1000));
    }
    // What the tool printed just before it ended is still buffered; "Done" may be in it.
    output += scriptrunner::decode(process.readAll());
    const bool normalExit = process.exitStatus() == QProcess::NormalExit;
    const int exitCode = process.exitCode();
    qDebug().noquote() << "[runFat32Format] 退出码:" << exitCode << "状态:" << int(process.exitStatus()) << "输出:" << output;

    // Only "Done" proves the format: the tool also exits with 0 when it refuses the volume.
    if (output.contains(QLatin1String("Done"), Qt::CaseInsensitive))
        return true;
    // The exit code names the cause; the tool's open-failure text ("close any files") comes
    // with every cause, so it decides only when the code does not.
    const bool inUse = normalExit && exitCode == 32;
    const bool notFound = normalExit && exitCode == 2;
    if (inUse || (!notFound && (output.contains(QStringLiteral("另一个程序正在使用此文件"))
                                || output.contains(QLatin1String("close any files"))))) {
        m_lastError = tr("驱动器 %1 正被其他程序使用。\n\n请尝试以下解决方案：\n1. 关闭文件管理器中打开的 %1 驱动器窗口\n"
                                     "2. 结束可能正在使用该驱动器的程序\n3. 在任务管理器中结束相关进程\n4. 重启计算机后再试")
                          .arg(drive);
        return false;
    }
    if (notFound || output.contains(QStringLiteral("系统找不到指定的文件"))) {
        m_lastError = tr("无法访问驱动器 %1。\n\n可能的原因：\n1. 驱动器已被其他程序独占\n2. 驱动器正在被系统使用\n"
                                     "3. 需要重新插拔USB设备（如果是移动设备）\n\n建议：重启计算机后重试")
                          .arg(drive);
        return false;
    }
    if (normalExit) {
        m_lastError = tr("格式化失败，错误码: %1\n\n输出信息：%2").arg(exitCode).arg(output);
        return false;
    }
    m_lastError = tr("fat32format.exe 异常退出，状态: %1").arg(int(process.exitStatus()));
    return false;
}

bool LargeFat32Format::remountVolume(QString drive, qint64 expectedBytes)
{
    platform::current().sleepMs(3000);
    if (isDriveAccessible(drive)) {
        qDebug() << "[挂载] 驱动器已经可以正常访问:" << drive;
        return true;
    }
    if (!driveletter::isDriveText(drive) || !assignLetterAgain(drive.at(0).toUpper(), expectedBytes, QStringLiteral("FAT32"))) {
        qWarning() << "[挂载] 重新挂载后仍无法访问驱动器" << drive;
        return false;
    }
    qDebug() << "[挂载] 成功重新挂载驱动器:" << drive;
    return true;
}

qint64 DiskOperationWorker::getDriveTotalSize(QString path)
{
    return LargeFat32Format(*this, m_format->lastError()).getDriveTotalSize(path);
}

bool DiskOperationWorker::isDriveAccessible(QString drive)
{
    return LargeFat32Format(*this, m_format->lastError()).isDriveAccessible(drive);
}

bool DiskOperationWorker::formatLargeFat32(FormatOptions options)
{
    return LargeFat32Format(*this, m_format->lastError()).formatLargeFat32(options);
}

bool DiskOperationWorker::dismountWithFsutil(QString drive)
{
    return LargeFat32Format(*this, m_format->lastError()).dismountWithFsutil(drive);
}

bool DiskOperationWorker::dismountWithDiskpart(QString drive)
{
    return LargeFat32Format(*this, m_format->lastError()).dismountWithDiskpart(drive);
}

bool DiskOperationWorker::runFat32Format(QString drive, FormatOptions options)
{
    return LargeFat32Format(*this, m_format->lastError()).runFat32Format(drive, options);
}

bool DiskOperationWorker::remountVolume(QString drive, qint64 expectedBytes)
{
    return LargeFat32Format(*this, m_format->lastError()).remountVolume(drive, expectedBytes);
}
