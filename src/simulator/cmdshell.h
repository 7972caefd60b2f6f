#pragma once

// The cmd.exe stand-in: `cmd /c "<command>"` for the two commands the app sends,
// `fsutil volume dismount X:` and `echo`; anything else is an unknown command.

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

// Runs one command line (the text after /c) against the machine.
CommandResult run(MachineStore &store, const QString &commandLine);

// main() of the `cmd` executable (arguments without the program name).
int toolMain(const QStringList &arguments);

} // namespace cmdshell
} // namespace sim
