#pragma once

// The cmd.exe and fsutil.exe stand-ins: `cmd /c "<command>"` for the two commands the app sends,
// `fsutil volume dismount X:` and `echo`; anything else is an unknown command. A line may chain
// commands with `&`, `&&`, `||` and `|` as cmd does (outside double quotes, `^` escaping).

#include "simulator/machine.h"

#include <QString>
#include <QStringList>

namespace sim {
namespace cmdshell {

struct CommandResult
{
    int exitCode = 0;
    QString out;
    QString err;
};

// One command of a chained line and the operator that joins it to the one before ("" first).
struct ChainedCommand
{
    QString joinedBy; // "", "&", "&&", "||" or "|"
    QString text;
};
// Splits a line at the operators cmd honours: outside double quotes, unless escaped with `^`
// (the caret is removed there; quotes are kept).
QList<ChainedCommand> splitChain(const QString &line);

// Runs one command line (the text after /c) against the machine.
CommandResult run(MachineStore &store, const QString &commandLine);

// main() of the `cmd` executable (arguments without the program name).
int toolMain(const QStringList &arguments);

// main() of the `fsutil` executable: the same fsutil, started directly (its faults target
// "tool.fsutil"); its arguments are words, never a command line.
int fsutilMain(const QStringList &arguments);

} // namespace cmdshell
} // namespace sim
