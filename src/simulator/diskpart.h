#pragma once

// The diskpart stand-in: interprets a diskpart script against the simulated machine with the
// tool's messages, its stop-at-first-error rule and its exit codes. Every command reads the
// machine afresh and every change is one locked read-modify-write of the machine file, so the
// app and other stand-ins can work on the same machine at the same time.

#include "simulator/diskpart_text.h"
#include "simulator/machine.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace sim {
namespace diskpart {

// diskpart's documented exit codes.
enum ExitCode {
    NoError = 0,
    FatalException = 1,
    BadParameters = 2,       // a value names nothing (select disk 9, select volume Q)
    ScriptUnreadable = 3,
    ServiceFailed = 4,       // the storage service refused ("Virtual Disk Service error:")
    SyntaxOrSelection = 5,   // syntax error, nothing selected, object invalid for the command
};

struct RunResult
{
    int exitCode = NoError;
    QString output; // lines end with "\n"
};

class Interpreter
{
public:
    explicit Interpreter(MachineStore &store);

    // Runs a whole script (CR LF or LF line ends) and reports the exit code and the output.
    RunResult run(const QString &script);

private:
    struct Target;
    struct Command;

    int execute(const Command &cmd);
    int select(const Command &cmd);
    int list(const Command &cmd);
    int detail(const Command &cmd);
    int format(const Command &cmd);
    int assign(const Command &cmd);
    int remove(const Command &cmd);
    int deletePartition(const Command &cmd);
    int extend(const Command &cmd);
    int active(const Command &cmd);
    int rescan();

    bool read(Machine *machine);
    // One locked read-modify-write; `body` returns an exit code and sets `changed` when the
    // machine is to be written.
    int change(const std::function<int(Machine &, bool &changed)> &body);
    Target resolve(Machine &machine) const;

    int syntaxError(const Command &cmd);
    int vdsError(const QString &text);
    int noVolumeSelected();
    int noPartitionSelected();
    void say(const QString &text);

    MachineStore &m_store;
    Wording m_w;
    QStringList m_out;
    int m_disk = -1;
    int m_partition = -1;
    QString m_volumeGuid; // a selected volume follows the volume, not its number
    bool m_exit = false;
    bool m_syntax = false;
};

// main() of the `diskpart` executable (arguments without the program name): "/s FILE".
int toolMain(const QStringList &arguments);

} // namespace diskpart
} // namespace sim
