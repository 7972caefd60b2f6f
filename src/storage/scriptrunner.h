#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "platform/platform.h"

#include <atomic>
#include <cstdint>

// Runs the Windows tools the jobs need (diskpart with a script, fsutil, fat32format): write the
// script to a private file (a folder of the process's own, a random name created exclusively,
// held against writing), start the tool by its full path without a console window, wait a
// bounded time, judge the outcome and remove the script (TESSALINE_KEEP_SCRIPTS=1 keeps it, for
// debugging). How each run does this is one row of a table; the jobs name their run and supply
// only the script and the arguments.
namespace scriptrunner {

// One row per call site.
enum class Run {
    FormatByVolume,            // formatUsingDiskpartByVolume
    FormatUsingDiskpart,       // formatUsingDiskpart (NTFS conversion by disk and partition)
    ExecuteFormatWithDiskpart, // executeFormatWithDiskpart
    FormatByPartitionId,       // formatByPartitionId
    DismountWithFsutil,        // dismountWithFsutil
    DismountWithDiskpart,      // dismountWithDiskpart
    RemountVolume,             // remountVolume (both runs)
    Fat32Format,               // runFat32Format
    DeletePartition,           // deletePartitionWithDiskpart
    StorageAssignLetter,       // the storage manager's assignDriveLetterWithDiskpart
    StorageDeletePartition,    // the storage manager's deletePartition
    MergeScript,               // the merge job's script runner
    SplitRefresh,              // refreshPartitionTableForSplit
    StorageRefreshEcho,        // the no-op console command before file-system detection
};

enum class Starter { Native, Process };
enum class Channels { Separate, Merged };

enum class SuccessTest {
    Finished,                // ended on its own in time; the job reads the output itself
    ExitCodeZero,            // ended normally with exit code 0
    ExitCodeZeroOrMarker,    // exit code 0, or a format success marker in the output
    ExitCodeZeroNoChineseError, // exit code 0 and no "错误" in the standard output
    ExitCodeZeroNoError,     // exit code 0 and no "error" (any case) in either channel
    ExitCodeZeroAndSuccessWord, // exit code 0 and "success"/"completed" (any case) or "成功"
    ExitCodeZeroAndDiskpartSuccess, // exit code 0 and "DiskPart successfully" or "成功" (any case)
    ExitCodeZeroOrDiskpartSuccess,  // exit code 0, or "DiskPart successfully" (any case) in the output
};

// One run's row. Rows are built by name (RunSettings::named(...).script(...).tool(...)...), so a
// row reads as what it sets; what a row does not set keeps the default below.
struct RunSettings
{
    const char *name = nullptr;          // the job step, for traces and the script's name
    bool script = false;                 // the request's lines go to a script file ("\r\n" ends)
    Starter starter = Starter::Process;
    std::uint32_t creationFlags = 0;     // native starts only
    const char *program = nullptr;       // a Windows program name, resolved through the platform
    bool programBesideExecutable = false; // the outside tool that lies beside the executable
    const char *leadArgument = nullptr;  // "/s" before the script path, "/c" before a command, or null
    Channels channels = Channels::Separate;
    int startTimeoutMs = -1;             // nominal; -1: no separate start wait
    int finishTimeoutMs = 0;             // nominal
    int finishTimeoutLargeMs = 0;        // nominal, for sizes above largeAboveBytes; 0: not used
    qint64 largeAboveBytes = 0;
    int killWaitMs = 0;                  // nominal second wait after a kill; 0: none
    SuccessTest success = SuccessTest::Finished;

    static constexpr RunSettings named(const char *step)
    {
        RunSettings r;
        r.name = step;
        return r;
    }
    constexpr RunSettings withScript() const
    {
        RunSettings r = *this;
        r.script = true;
        return r;
    }
    constexpr RunSettings tool(const char *windowsProgram, const char *lead) const
    {
        RunSettings r = *this;
        r.program = windowsProgram;
        r.leadArgument = lead;
        return r;
    }
    constexpr RunSettings besideExecutable() const
    {
        RunSettings r = *this;
        r.programBesideExecutable = true;
        return r;
    }
    // Started by the platform's hidden native start rather than QProcess, without a console window.
    constexpr RunSettings native() const
    {
        RunSettings r = *this;
        r.starter = Starter::Native;
        r.creationFlags = platform::CREATE_NO_WINDOW;
        return r;
    }
    constexpr RunSettings merged() const
    {
        RunSettings r = *this;
        r.channels = Channels::Merged;
        return r;
    }
    constexpr RunSettings startWithin(int ms) const
    {
        RunSettings r = *this;
        r.startTimeoutMs = ms;
        return r;
    }
    constexpr RunSettings finishWithin(int ms) const
    {
        RunSettings r = *this;
        r.finishTimeoutMs = ms;
        return r;
    }
    // A longer limit for sizes above `bytes`.
    constexpr RunSettings finishLargeWithin(int ms, qint64 bytes) const
    {
        RunSettings r = *this;
        r.finishTimeoutLargeMs = ms;
        r.largeAboveBytes = bytes;
        return r;
    }
    constexpr RunSettings killWait(int ms) const
    {
        RunSettings r = *this;
        r.killWaitMs = ms;
        return r;
    }
    constexpr RunSettings judged(SuccessTest test) const
    {
        RunSettings r = *this;
        r.success = test;
        return r;
    }
};

const RunSettings &settings(Run run);

// Success markers of the format runs whose exit code is not trusted, in the order tested.
const QStringList &formatSuccessMarkers();

struct RunRequest
{
    QStringList scriptLines;   // each one diskpart command (knownCommand), written with "\r\n"
    QStringList arguments;     // after the lead argument (and the script path, when there is one)
    qint64 sizeBytes = 0;      // picks the longer finish time-out where the row has one
    int finishTimeoutMs = 0;   // nominal; overrides the row's when positive
    // Bytes the tool writes beyond what a quick run does (a full format writes the whole
    // volume): the limit grows by their time at FloorWriteBytesPerSecond. Below 0: unknown.
    qint64 writesBytes = 0;
    // Run in this process object (the caller keeps its own signal connections); it must be idle.
    QProcess *process = nullptr;
    // Checked before the start and while waiting; a set flag kills the tool and fails the run.
    const std::atomic<bool> *cancel = nullptr;
    // The drive the run acts on ("E:"), for runs that name one; the fsutil dismount builds its
    // command from it. Anything but one letter and a colon refuses the run before any script
    // or command line exists.
    QString drive;
    // A job's overall limit (real time): the finish wait ends here at the latest, and a tool
    // still running then is killed as at its own limit.
    QDeadlineTimer deadline{QDeadlineTimer::Forever};
};

struct RunResult
{
    QString scriptPath;
    bool scriptWritten = false;
    bool started = false;
    std::uint32_t startError = 0; // native: GetLastError of the failed start
    QString startErrorText;       // QProcess: its error text
    bool finished = false;        // ended on its own within the time limit
    bool timedOut = false;        // killed at the time limit
    bool cancelled = false;
    bool crashed = false;
    bool exitCodeObtained = false;
    int exitCode = -1;
    QString output;               // standard output, or both channels when merged
    QString errorOutput;          // standard error (separate channels only)
    bool scriptRemoved = false;
    bool success = false;
    bool refused = false;         // a drive text or a script line was not what it must be
    int finishLimitMs = 0;        // nominal, as applied to this run
};

// Writes, starts, waits, judges and disposes as the run's row says. Blocks the calling thread.
RunResult run(Run run, const RunRequest &request);

// True when `line` is one of the diskpart commands the jobs write, with values of their own
// shape (numbers, one letter, a file system, a quoted label without quotes or control
// characters). A run whose script holds any other line starts nothing.
bool knownCommand(const QString &line);

// The row's success test applied to a finished run.
bool judge(const RunSettings &row, const RunResult &result);

// Every tool writes in the console's code page, so every run's output is decoded through it, by
// the platform (no ICU needed).
QString decode(const QByteArray &bytes);

// For tools the job talks to while they run (fat32format): sets up `process` as the row says
// (program, channels, read-write) with the arguments and waits for its start. False when it did
// not start; `result` records why.
bool startProcess(Run run, const QStringList &arguments, QProcess &process, RunResult &result);

// The real limit of a nominal one.
int realMs(int nominalMs);

// The slowest medium a volume is still formatted on writes about this much (a USB 2.0 stick, an
// old disk). A tool cut off while it writes leaves a half-formatted volume, so the limits of the
// runs that write a whole volume (or its FATs) assume this speed.
constexpr qint64 FloorWriteBytesPerSecond = 10'000'000;

// The nominal limit of a run that writes `bytes` on top of `baseMs`: their time at the floor
// speed, rounded up to the second. Unknown bytes (below 0) give no limit (-1): better late than
// killed half-way. At most INT_MAX.
int writeLimitMs(int baseMs, qint64 bytes);

// Why a run failed, in one line for the user: the tool could not start, timed out after its
// nominal limit, crashed, or ended with a code; with the tool's own error text when it printed
// one. Empty for a successful run. The transcript belongs in the trace, not here.
QString failureCause(Run run, const RunResult &result);

// A tool's own account of a failure: the paragraphs it printed after its last banner, selection
// or success message (diskpart's wording, English or Chinese), joined into one line; empty when
// it printed none.
QString toolErrorText(const QString &output);

} // namespace scriptrunner
