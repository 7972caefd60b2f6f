#include "scriptrunner.h"

#include "common/driveletter.h"
#include "platform/platform.h"
#include "platform/privatefile.h"
#include "platform/toolprocess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
    S::named("formatUsingDiskpartByVolume").withScript()
        .tool("diskpart.exe", "/s").merged().finishWithin(120000)
        .judged(SuccessTest::ExitCodeZero),
    // A non-zero exit code is diskpart reporting failure; it is not counted as success.
    S::named("formatUsingDiskpart").withScript()
        .tool("diskpart.exe", "/s").native().finishWithin(120000)
        .judged(SuccessTest::ExitCodeZero),
    S::named("executeFormatWithDiskpart").withScript()
        .tool("diskpart.exe", "/s").native().finishWithin(300000)
        .judged(SuccessTest::ExitCodeZero),
    S::named("formatByPartitionId").withScript()
        .tool("diskpart.exe", "/s").merged().startWithin(10000).finishWithin(120000)
        .finishLargeWithin(300000, OneGiB).killWait(3000)
        .judged(SuccessTest::ExitCodeZeroOrMarker),
    // fsutil itself, not through cmd: cmd would look for it in the current folder and on PATH.
    S::named("dismountWithFsutil")
        .tool("fsutil.exe", nullptr).startWithin(3000).finishWithin(10000)
        .judged(SuccessTest::ExitCodeZero),
    S::named("dismountWithDiskpart").withScript()
        .tool("diskpart.exe", "/s").startWithin(3000).finishWithin(15000)
        .judged(SuccessTest::ExitCodeZeroNoChineseError),
    S::named("remountVolume").withScript()
        .tool("diskpart.exe", "/s").startWithin(3000).finishWithin(10000)
        .judged(SuccessTest::Finished),
    S::named("runFat32Format")
        .tool("fat32format.exe", nullptr).besideExecutable().merged().startWithin(3000).finishWithin(60000).killWait(3000)
        .judged(SuccessTest::Finished),
    S::named("deletePartitionWithDiskpart").withScript()
        .tool("diskpart", "/s").finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroNoError),
    S::named("assignDriveLetterWithDiskpart").withScript()
        .tool("diskpart.exe", "/s").startWithin(5000).finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroAndDiskpartSuccess),
    S::named("deletePartition").withScript()
        .tool("diskpart.exe", "/s").startWithin(5000).finishWithin(30000)
        .judged(SuccessTest::ExitCodeZeroOrDiskpartSuccess),
    S::named("executeDiskpartScript").withScript()
        .tool("diskpart.exe", "/s").startWithin(10000).finishWithin(60000).killWait(5000)
        .judged(SuccessTest::ExitCodeZeroAndSuccessWord),
    S::named("refreshPartitionTableForSplit").withScript()
        .tool("diskpart.exe", "/s").startWithin(10000).finishWithin(30000).killWait(3000)
        .judged(SuccessTest::ExitCodeZero),
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

// Scripts are written as Windows text: UTF-8, each line ended by "\r\n".
std::string scriptBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes.toStdString();
}

bool keepScripts()
{
    return qEnvironmentVariableIntValue("TESSALINE_KEEP_SCRIPTS") == 1;
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
    const std::wstring commandLine = platform::commandLine(
        programFor(row).toStdWString(),
        {QString::fromLatin1(row.leadArgument).toStdWString(), QDir::toNativeSeparators(result.scriptPath).toStdWString()});
    const platform::NativeRunResult native = platform::current().runHidden(
        commandLine, row.creationFlags,
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
    if (row.script)
        arguments << QDir::toNativeSeparators(result.scriptPath);
    if (run == Run::DismountWithFsutil)
        arguments << QStringLiteral("volume") << QStringLiteral("dismount") << request.drive; // checked by run()
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
    platform::Platform &p = platform::current();
    return QString::fromStdWString(p.decodeConsoleText(bytes.toStdString(), p.consoleOutputCodePage()));
}

bool knownCommand(const QString &line)
{
    // A label is any text without a quote or a control character (a line break would end the
    // command and start one of the label's choosing).
    static const QRegularExpression commands(QStringLiteral(
        "^(?:select (?:disk|partition) [0-9]{1,9}|select volume (?:[0-9]{1,9}|[A-Za-z])"
        "|format fs=(?:ntfs|fat32|exfat|fat)(?: quick)?(?: unit=[0-9]{1,9})?(?: label=\"[^\"\\p{Cc}\\p{Zl}\\p{Zp}]*\")? override"
        "|assign(?: letter=[A-Za-z])?|remove(?: letter=[A-Za-z])?|delete partition override"
        "|extend(?: size=[0-9]{1,19})?|rescan|list (?:volume|partition)|detail partition|exit)\\z"));
    return commands.match(line).hasMatch();
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
    platform::hideConsoleWindow(process);
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

    for (const QString &line : request.scriptLines) {
        if (!knownCommand(line)) {
            qWarning().noquote() << tag(row) << "refused: not a command of ours:" << line;
            result.refused = true;
            return result;
        }
    }

    std::unique_ptr<platform::PrivateFile> script;
    if (row.script) {
        std::uint32_t error = 0;
        // An empty answer (a temporary folder that does not exist) would put the folder at the root.
        const QString parent = QDir::tempPath();
        if (!parent.isEmpty() && QFileInfo(parent).isDir())
            script = platform::PrivateFile::create(QFile::encodeName(parent).toStdString(), row.name, error);
        if (script) {
            result.scriptPath = QFile::decodeName(QByteArray::fromStdString(script->path()));
            result.scriptWritten = script->write(scriptBytes(request.scriptLines));
        }
        if (!result.scriptWritten) {
            qWarning().noquote() << tag(row) << "无法创建脚本文件:" << result.scriptPath << "error" << error;
            return result;
        }
    }

    result.finishLimitMs = finishLimitFor(row, request);
    if (row.starter == Starter::Native)
        runNative(row, request, result);
    else
        runProcess(run, request, result);

    result.success = judge(row, result);
    qDebug() << tag(row) << "started:" << result.started << "exit code:" << result.exitCode
             << "timed out:" << result.timedOut << "success:" << result.success;
    if (script && keepScripts()) {
        script->keep();
        qDebug().noquote() << tag(row) << "脚本文件保留在:" << result.scriptPath;
    }
    script.reset();
    result.scriptRemoved = result.scriptWritten && !QFile::exists(result.scriptPath);
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
    if (result.refused)
        return QCoreApplication::translate("ScriptRunner", "%1 was not started: a drive or script line was not one the app writes")
            .arg(program);
    if (!result.scriptWritten && settings(run).script)
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
