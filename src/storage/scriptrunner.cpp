#include "scriptrunner.h"

#include "common/driveletter.h"
#include "platform/platform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <iterator>
#include <memory>

namespace scriptrunner {

namespace {

constexpr qint64 OneGiB = 1073741824LL;

using S = RunSettings;
const RunSettings Table[] = {
    // Started through QProcess, merged, so that a failure can show the user what diskpart said.
    S::named("formatUsingDiskpartByVolume")
        .script(ScriptDir::TempLocation, "/diskpart_format_volume_%1_%2.txt", "\r\n", true)
        .tool("diskpart.exe", "/s").merged().finishWithin(120000)
        .judged(SuccessTest::ExitCodeZero).disposed(Disposal::Keep),
    // A non-zero exit code is diskpart reporting failure; it is not counted as success.
    S::named("formatUsingDiskpart")
        .script(ScriptDir::TempLocation, "/diskpart_format_%1_%2_%3.txt", "\r\n", true)
        .tool("diskpart.exe", "/s").native().finishWithin(120000)
        .judged(SuccessTest::ExitCodeZero).disposed(Disposal::RemoveOnSuccess),
    S::named("executeFormatWithDiskpart")
        .script(ScriptDir::QDirTemp, "/diskpart_format_%1_%2_%3.txt", "\n", true)
        .tool("diskpart.exe", "/s").native(platform::CREATE_NO_WINDOW).finishWithin(300000)
        .judged(SuccessTest::ExitCodeZero).disposed(Disposal::RemoveOnSuccess),
    S::named("formatByPartitionId")
        .script(ScriptDir::QDirTemp, "/diskpart_format_%1_%2_%3.txt", "\r\n", true)
        .tool("diskpart.exe", "/s").merged().startWithin(10000).finishWithin(120000)
        .finishLargeWithin(300000, OneGiB).killWait(3000)
        .judged(SuccessTest::ExitCodeZeroOrMarker).disposed(Disposal::Remove),
    S::named("dismountWithFsutil")
        .tool("cmd.exe", "/c").startWithin(3000).finishWithin(10000)
        .judged(SuccessTest::ExitCodeZero),
    S::named("dismountWithDiskpart")
        .script(ScriptDir::TempLocation, "/dismount_script.txt", "\n")
        .tool("diskpart.exe", "/s").startWithin(3000).finishWithin(15000)
        .judged(SuccessTest::ExitCodeZeroNoChineseError).disposed(Disposal::Remove),
    S::named("remountVolume")
        .script(ScriptDir::TempLocation, "/remount_script.txt", "\n")
        .tool("diskpart.exe", "/s").startWithin(3000).finishWithin(10000)
        .judged(SuccessTest::Finished).disposed(Disposal::Remove),
    S::named("runFat32Format")
        .tool("fat32format.exe", nullptr).besideExecutable().merged().startWithin(3000).finishWithin(60000).killWait(3000)
        .judged(SuccessTest::Finished),
    S::named("deletePartitionWithDiskpart")
        .script(ScriptDir::TemporaryFile, nullptr, "\r\n")
        .tool("diskpart", "/s").finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroNoError).disposed(Disposal::Automatic),
    S::named("assignDriveLetterWithDiskpart")
        .script(ScriptDir::QDirTemp, "/diskpart_assign.txt", "\r\n")
        .tool("diskpart.exe", "/s").startWithin(5000).finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroAndDiskpartSuccess).disposed(Disposal::Remove),
    S::named("deletePartition")
        .script(ScriptDir::QDirTemp, "/diskpart_delete.txt", "\r\n")
        .tool("diskpart.exe", "/s").startWithin(5000).finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroOrDiskpartSuccess).disposed(Disposal::Remove),
    S::named("executeDiskpartScript")
        .script(ScriptDir::TemporaryFile, "/diskpart_XXXXXX.txt", "\r\n")
        .tool("diskpart.exe", "/s").startWithin(10000).finishWithin(60000).killWait(5000)
        .judged(SuccessTest::ExitCodeZeroAndSuccessWord).disposed(Disposal::Automatic),
    S::named("refreshPartitionTableForSplit")
        .script(ScriptDir::QDirTemp, "/diskpart_refresh_%1_%2.txt", "\r\n", true)
        .tool("diskpart.exe", "/s").startWithin(10000).finishWithin(30000).killWait(3000)
        .judged(SuccessTest::ExitCodeZero).disposed(Disposal::Remove),
    S::named("refreshAndDetectFileSystem")
        .tool("cmd.exe", "/c").startWithin(3000).finishWithin(10000)
        .judged(SuccessTest::Finished),
};

static_assert(sizeof(Table) / sizeof(Table[0]) == static_cast<std::size_t>(Run::StorageRefreshEcho) + 1,
              "one row per run");

// How often a cancellable wait looks at its flag.
constexpr int CancelPollMs = 20;

QString tag(const RunSettings &row)
{
    return QLatin1Char('[') + QLatin1String(row.name) + QLatin1Char(']');
}

// Empty when the temporary directory does not exist: the framework then answers with an empty
// path, and the script would otherwise land in the root directory.
QString directoryOf(ScriptDir dir)
{
    const QString path = dir == ScriptDir::QDirTemp ? QDir::tempPath()
                                                    : QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    return path.isEmpty() || !QFileInfo(path).isDir() ? QString() : path;
}

// One pass, so a part that itself contains "%2" is not substituted again.
QString fillPlaceholders(const QString &pattern, const QStringList &values)
{
    QString out;
    out.reserve(pattern.size() + 32);
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('%') && i + 1 < pattern.size() && pattern.at(i + 1).isDigit()) {
            const int index = pattern.at(i + 1).digitValue();
            if (index >= 1 && index <= values.size()) {
                out += values.at(index - 1);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

bool writeLines(QIODevice &device, const RunSettings &row, const QStringList &lines)
{
    QTextStream stream(&device);
    stream.setEncoding(QStringConverter::Utf8);
    const QString lineEnd = QString::fromLatin1(row.lineEnd);
    for (const QString &line : lines)
        stream << line << lineEnd;
    stream.flush();
    return stream.status() == QTextStream::Ok;
}

QString programFor(const RunSettings &row)
{
    platform::Platform &p = platform::current();
    if (row.programBesideExecutable)
        return QString::fromStdWString(p.toolPath(platform::Tool::Fat32Format));
    return QString::fromStdWString(p.resolveProgram(QString::fromLatin1(row.program).toStdWString()));
}

bool cancelled(const RunRequest &request)
{
    return request.cancel && request.cancel->load();
}

int finishLimitFor(const RunSettings &row, const RunRequest &request)
{
    if (request.finishTimeoutMs > 0)
        return request.finishTimeoutMs;
    const int base = row.finishTimeoutLargeMs > 0 && request.sizeBytes > row.largeAboveBytes ? row.finishTimeoutLargeMs
                                                                                            : row.finishTimeoutMs;
    return request.writesBytes == 0 ? base : writeLimitMs(base, request.writesBytes);
}

void runNative(const RunSettings &row, const RunRequest &request, RunResult &result)
{
    const QString commandLine = QStringLiteral("%1 %2 \"%3\"")
                                    .arg(QLatin1String(row.program), QLatin1String(row.leadArgument),
                                         QDir::toNativeSeparators(result.scriptPath));
    const platform::NativeRunResult native = platform::current().runHidden(
        commandLine.toStdWString(), row.creationFlags,
        static_cast<std::uint32_t>(realMs(finishLimitFor(row, request))));
    result.started = native.started;
    result.startError = native.startError;
    if (!native.started) {
        qWarning() << tag(row) << "The diskpart process failed to start, error code:" << native.startError;
        return;
    }
    result.timedOut = native.wait == platform::NativeRunResult::Wait::TimedOut;
    result.finished = native.wait == platform::NativeRunResult::Wait::Finished && native.exitCodeObtained;
    // After a time-out the code is TerminateProcess's 1, not the tool's answer.
    result.exitCodeObtained = result.finished;
    result.exitCode = result.finished ? static_cast<int>(native.exitCode) : -1;
    if (result.timedOut)
        qWarning() << tag(row) << "diskpart timed out and was terminated";
    else if (!result.finished)
        qWarning() << tag(row) << "waiting for diskpart or reading its exit code failed";
}

// Waits for the end within the limit; false at the limit or when cancelled.
bool waitForEnd(QProcess &process, int realLimitMs, const RunRequest &request, RunResult &result)
{
    if (!request.cancel)
        return process.waitForFinished(realLimitMs);
    QDeadlineTimer deadline(realLimitMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(realLimitMs));
    while (!cancelled(request)) {
        const int slice = deadline.isForever() ? CancelPollMs : int(qMin<qint64>(CancelPollMs, deadline.remainingTime()));
        if (process.waitForFinished(slice))
            return true;
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
    }
    result.cancelled = true;
    return false;
}

void runProcess(Run run, const RunRequest &request, RunResult &result)
{
    const RunSettings &row = settings(run);
    std::unique_ptr<QProcess> own;
    QProcess *process = request.process;
    if (!process) {
        own = std::make_unique<QProcess>();
        process = own.get();
    }

    QStringList arguments;
    if (row.dir != ScriptDir::None)
        arguments << QDir::toNativeSeparators(result.scriptPath);
    if (run == Run::DismountWithFsutil)
        arguments << QStringLiteral("fsutil volume dismount %1").arg(request.drive); // checked by run()
    else
        arguments += request.arguments;
    if (!startProcess(run, arguments, *process, result))
        return;

    int limitMs = realMs(finishLimitFor(row, request));
    if (!request.deadline.isForever()) {
        const qint64 left = qMax(qint64(0), request.deadline.remainingTime());
        limitMs = int(limitMs < 0 ? qMin(left, qint64(INT_MAX)) : qMin(left, qint64(limitMs)));
    }
    const bool ended = waitForEnd(*process, limitMs, request, result);
    if (!ended && process->error() == QProcess::FailedToStart) {
        // No separate start wait: the failed start shows only now.
        result.started = false;
        result.startErrorText = process->errorString();
        qWarning() << tag(row) << "could not start" << process->program() << result.startErrorText;
        return;
    }
    result.started = true;
    if (!ended && process->state() != QProcess::NotRunning) {
        result.timedOut = !result.cancelled;
        qWarning() << tag(row) << (result.cancelled ? "cancelled, killing" : "timed out, killing")
                   << process->program();
        process->kill();
        // Without a second wait of its own the killed tool is still reaped, so nothing is
        // left running when the run returns.
        process->waitForFinished(realMs(row.killWaitMs > 0 ? row.killWaitMs : 1000));
    } else {
        result.finished = !result.cancelled;
    }
    result.crashed = result.finished && process->exitStatus() == QProcess::CrashExit;
    result.exitCodeObtained = result.finished && !result.crashed;
    result.exitCode = result.exitCodeObtained ? process->exitCode() : -1;

    if (row.channels == Channels::Merged) {
        result.output = decode(process->readAll());
    } else {
        result.output = decode(process->readAllStandardOutput());
        result.errorOutput = decode(process->readAllStandardError());
    }
}

void dispose(const RunSettings &row, RunResult &result)
{
    if (!result.scriptWritten)
        return;
    bool remove = false;
    switch (row.disposal) {
    case Disposal::None:
    case Disposal::Automatic:
        return;
    case Disposal::Keep:
        remove = !result.started;
        if (!remove)
            qDebug().noquote() << tag(row) << "脚本文件保留在:" << result.scriptPath;
        break;
    case Disposal::Remove:
        remove = true;
        break;
    case Disposal::RemoveOnSuccess:
        remove = result.success || !result.started;
        if (result.success)
            qDebug() << "✅ 格式化成功，已清理脚本文件";
        else if (result.started)
            qWarning().noquote() << "❌ 格式化失败，保留脚本文件用于调试:" << result.scriptPath;
        break;
    }
    if (remove)
        result.scriptRemoved = QFile::remove(result.scriptPath) || !QFile::exists(result.scriptPath);
}

} // namespace

const RunSettings &settings(Run run)
{
    return Table[static_cast<int>(run)];
}

const QStringList &formatSuccessMarkers()
{
    static const QStringList markers = {
        QStringLiteral("DiskPart successfully"), QStringLiteral("100 percent completed"),
        QStringLiteral("100 百分比已完成"),       QStringLiteral("格式化完成"),
        QStringLiteral("successfully formatted"), QStringLiteral("format complete"),
    };
    return markers;
}

int realMs(int nominalMs)
{
    return platform::current().scaledMs(nominalMs);
}

int writeLimitMs(int baseMs, qint64 bytes)
{
    if (bytes < 0)
        return -1;
    const qint64 seconds = bytes / FloorWriteBytesPerSecond + (bytes % FloorWriteBytesPerSecond != 0);
    return int(qMin(qint64(baseMs) + seconds * 1000, qint64(INT_MAX)));
}

QString decode(const QByteArray &bytes)
{
    const std::uint32_t codePage = platform::current().consoleOutputCodePage();
    const QByteArray name = codePage == 65001 ? QByteArray("UTF-8") : "CP" + QByteArray::number(codePage);
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid()) {
        qWarning() << "No decoder for console code page" << codePage;
        return QString::fromLocal8Bit(bytes);
    }
    return decoder(bytes);
}

QString scriptPathFor(Run run, const QStringList &nameParts, qint64 millis)
{
    const RunSettings &row = settings(run);
    if (!row.fileName || row.dir == ScriptDir::None || row.dir == ScriptDir::TemporaryFile)
        return QString();
    const QString dir = directoryOf(row.dir);
    if (dir.isEmpty())
        return QString();
    const QString pattern = QString::fromLatin1(row.fileName);
    QStringList values = nameParts;
    if (row.withMillis) {
        // The milliseconds always fill the last placeholder, however many parts were given.
        int highest = 0;
        for (int i = 0; i + 1 < pattern.size(); ++i) {
            if (pattern.at(i) == QLatin1Char('%') && pattern.at(i + 1).isDigit())
                highest = qMax(highest, pattern.at(i + 1).digitValue());
        }
        while (values.size() < highest - 1)
            values << QString();
        values = values.mid(0, qMax(0, highest - 1));
        values << QString::number(millis);
    }
    return dir + fillPlaceholders(pattern, values);
}

bool judge(const RunSettings &row, const RunResult &result)
{
    if (result.cancelled || !result.finished)
        return false;
    const bool exitZero = result.exitCodeObtained && result.exitCode == 0;
    switch (row.success) {
    case SuccessTest::Finished:
        return true;
    case SuccessTest::ExitCodeZero:
        return exitZero;
    case SuccessTest::ExitCodeZeroOrMarker:
        if (exitZero)
            return true;
        for (const QString &marker : formatSuccessMarkers()) {
            if (result.output.contains(marker, Qt::CaseInsensitive))
                return true;
        }
        return false;
    case SuccessTest::ExitCodeZeroNoChineseError:
        return exitZero && !result.output.contains(QStringLiteral("错误"), Qt::CaseInsensitive);
    case SuccessTest::ExitCodeZeroNoError:
        return exitZero && !result.output.contains(QLatin1String("error"), Qt::CaseInsensitive)
               && !result.errorOutput.contains(QLatin1String("error"), Qt::CaseInsensitive);
    case SuccessTest::ExitCodeZeroAndDiskpartSuccess:
        return exitZero
               && (result.output.contains(QLatin1String("DiskPart successfully"), Qt::CaseInsensitive)
                   || result.output.contains(QStringLiteral("成功")));
    case SuccessTest::ExitCodeZeroOrDiskpartSuccess:
        return exitZero || result.output.contains(QLatin1String("DiskPart successfully"), Qt::CaseInsensitive);
    case SuccessTest::ExitCodeZeroAndSuccessWord:
        return exitZero
               && (result.output.contains(QLatin1String("success"), Qt::CaseInsensitive)
                   || result.output.contains(QStringLiteral("成功"))
                   || result.output.contains(QLatin1String("completed"), Qt::CaseInsensitive));
    }
    return false;
}

bool startProcess(Run run, const QStringList &arguments, QProcess &process, RunResult &result)
{
    const RunSettings &row = settings(run);
    QStringList all;
    if (row.leadArgument)
        all << QString::fromLatin1(row.leadArgument);
    all += arguments;

    process.setProgram(programFor(row));
    process.setArguments(all);
    process.setProcessChannelMode(row.channels == Channels::Merged ? QProcess::MergedChannels
                                                                   : QProcess::SeparateChannels);
    process.start(QIODevice::ReadWrite);
    if (row.startTimeoutMs < 0)
        return true; // the finish wait covers the start
    if (process.waitForStarted(realMs(row.startTimeoutMs))) {
        result.started = true;
        return true;
    }
    result.startErrorText = process.errorString();
    qWarning() << tag(row) << "could not start" << process.program() << result.startErrorText;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(realMs(1000));
    }
    return false;
}

RunResult run(Run run, const RunRequest &request)
{
    const RunSettings &row = settings(run);
    RunResult result;
    // A drive text goes into command lines and scripts, where "E: & ..." or a line break would
    // run something else.
    if ((run == Run::DismountWithFsutil || !request.drive.isEmpty()) && !driveletter::isDriveText(request.drive)) {
        qWarning().noquote() << tag(row) << "refused: not a drive:" << request.drive;
        result.refused = true;
        return result;
    }
    if (cancelled(request)) {
        result.cancelled = true;
        return result;
    }

    std::unique_ptr<QTemporaryFile> temporary;
    if (row.dir == ScriptDir::TemporaryFile) {
        // A template of the row's own, or the facility's default one in QDir::tempPath().
        const QString dir = directoryOf(row.fileName ? ScriptDir::TempLocation : ScriptDir::QDirTemp);
        temporary = row.fileName ? std::make_unique<QTemporaryFile>(dir + QLatin1String(row.fileName))
                                 : std::make_unique<QTemporaryFile>();
        if (!dir.isEmpty() && temporary->open()) {
            result.scriptPath = temporary->fileName();
            result.scriptWritten = writeLines(*temporary, row, request.scriptLines);
            temporary->close();
        }
    } else if (row.dir != ScriptDir::None) {
        result.scriptPath = scriptPathFor(run, request.nameParts, QDateTime::currentMSecsSinceEpoch());
        QFile file(result.scriptPath);
        if (!result.scriptPath.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Text)) {
            result.scriptWritten = writeLines(file, row, request.scriptLines);
            file.close();
            if (!result.scriptWritten)
                QFile::remove(result.scriptPath);
        }
    }
    if (row.dir != ScriptDir::None && !result.scriptWritten) {
        qWarning().noquote() << tag(row) << "无法创建脚本文件:" << result.scriptPath;
        return result;
    }

    result.finishLimitMs = finishLimitFor(row, request);
    if (row.starter == Starter::Native)
        runNative(row, request, result);
    else
        runProcess(run, request, result);

    result.success = judge(row, result);
    qDebug() << tag(row) << "started:" << result.started << "exit code:" << result.exitCode
             << "timed out:" << result.timedOut << "success:" << result.success;
    dispose(row, result);
    if (temporary) {
        temporary.reset();
        result.scriptRemoved = !QFile::exists(result.scriptPath);
    }
    return result;
}

QString toolErrorText(const QString &output)
{
    // Banner, selection, progress and success paragraphs, in both wordings: none is the error.
    static const char *const notTheError[] = {
        "DiskPart version", "DiskPart 版本", "On computer:", "在计算机上", "is now the selected", "现在是所选",
        "successfully", "成功", "percent completed", "百分比已完成",
    };
    QStringList paragraphs;
    QString current;
    const QStringList lines = output.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        // The closing line may be followed directly by more text.
        if (line.startsWith(QLatin1String("Leaving DiskPart")) || line.startsWith(QStringLiteral("退出 DiskPart")))
            continue;
        if (line.isEmpty()) {
            if (!current.isEmpty())
                paragraphs << current;
            current.clear();
        } else {
            current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + line;
        }
    }
    if (!current.isEmpty())
        paragraphs << current;

    QStringList tail;
    for (auto it = paragraphs.crbegin(); it != paragraphs.crend(); ++it) {
        const bool other = std::any_of(std::begin(notTheError), std::end(notTheError), [&](const char *marker) {
            return it->contains(QString::fromUtf8(marker), Qt::CaseInsensitive);
        });
        if (other && !tail.isEmpty())
            break;
        if (!other)
            tail.prepend(*it);
    }
    return tail.join(QLatin1Char(' '));
}

QString failureCause(Run run, const RunResult &result)
{
    if (result.success)
        return QString();
    QString program = QString::fromLatin1(settings(run).program);
    if (program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        program.chop(4);
    if (!result.scriptWritten && settings(run).dir != ScriptDir::None)
        return QCoreApplication::translate("ScriptRunner", "its script file could not be written");
    if (!result.started)
        return QCoreApplication::translate("ScriptRunner", "%1 could not be started%2")
            .arg(program, result.startErrorText.isEmpty() ? QString() : QStringLiteral(": ") + result.startErrorText);
    if (result.cancelled)
        return QCoreApplication::translate("ScriptRunner", "%1 was stopped on request").arg(program);
    if (result.timedOut)
        return QCoreApplication::translate("ScriptRunner", "%1 timed out after %2 s and was stopped")
            .arg(program)
            .arg(result.finishLimitMs / 1000.0, 0, 'g', 6);
    if (result.crashed)
        return QCoreApplication::translate("ScriptRunner", "%1 crashed").arg(program);
    if (!result.finished || !result.exitCodeObtained)
        return QCoreApplication::translate("ScriptRunner", "%1 did not report how it ended").arg(program);
    const QString own = toolErrorText(result.output + QLatin1Char('\n') + QLatin1Char('\n') + result.errorOutput);
    if (result.exitCode != 0)
        return QCoreApplication::translate("ScriptRunner", "%1 ended with exit code %2%3")
            .arg(program)
            .arg(result.exitCode)
            .arg(own.isEmpty() ? QString() : QStringLiteral(": ") + own);
    return own.isEmpty() ? QCoreApplication::translate("ScriptRunner", "%1 reported an error").arg(program) : own;
}

} // namespace scriptrunner
