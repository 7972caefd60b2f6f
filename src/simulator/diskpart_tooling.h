#pragma once

// Plumbing shared by the stand-in executables (diskpart, cmd, fat32format.exe): their faults
// from the machine file, the console they write to and the system texts they print.

#include "simulator/machine.h"

#include <QString>

#include <optional>

namespace sim {
namespace standin {

// What is left of a tool fault once its hang has been slept and a crash carried out.
struct ToolFault
{
    bool fired = false;
    std::optional<int> exitCode; // end with this code without doing anything
    QString output;              // printed (before the exit code, or after a normal run)
    QJsonObject entry;           // the whole entry, for tool-specific fields

    bool flag(const char *name) const;
    // "output" as whole lines, ready to print.
    QString outputLines() const;
};

// Takes the first fault for `target` (see MachineStore::takeFault), sleeps its "hangMs" in
// real milliseconds, aborts on "crash" and hands back the rest.
ToolFault takeToolFault(MachineStore &store, const QString &target, const QString &subject);

// The machine's display language asks for the wording of a Chinese installation.
bool chineseWording(const Machine &machine);
// Reads the machine for its language only; English when the machine cannot be read.
bool chineseWording(const MachineStore &store);

// A Win32 system message as FormatMessage gives it (the codes the stand-ins use).
QString systemMessage(int code, bool chinese);

// The console code page of an installation in this display language, as Windows sets it:
// 936 for simplified Chinese, 437 for English, ...; 437 when the language is unknown.
unsigned consoleCodePage(const QString &displayLanguage);

// Console output as the Windows tools write it: CR LF line ends, in the console code page.
QByteArray consoleBytes(const QString &text, unsigned codePage);
// Write in the code page of the machine's display language (437 when it cannot be read).
void writeStdout(const QString &text);
void writeStderr(const QString &text);

} // namespace standin
} // namespace sim
