#pragma once

#include <QString>

// Volume labels as each file system can hold them. Labels end up inside a quoted value of a
// diskpart script line, so a control character (a line break above all) or a double quote would
// end that value and start a command of the label's choosing: neither ever survives.
namespace volumelabel {

// The most UTF-16 units the file system keeps: FAT and FAT32 11, exFAT 15, anything else 32.
int maxLength(const QString &fileSystem);

// Characters the file system does not accept in a label (control characters aside).
QString forbiddenCharacters(const QString &fileSystem);

// Why the file system cannot take `label` as it stands, naming the characters it refuses or
// its length; empty when it can. For dialogs that take a label as typed rather than shape it.
QString refusal(const QString &fileSystem, const QString &label);

// `text` cut to `count` UTF-16 units, never leaving half of a character at the end.
QString cut(const QString &text, int count);

// The label as the file system can hold it: no control or forbidden characters, FAT in upper
// case with spaces as underscores, cut to the file system's length; an empty result becomes
// the file system's default name ("NEW_VOLUME" on FAT, "New Volume" elsewhere).
QString forFileSystem(const QString &fileSystem, const QString &label);

// forFileSystem, for scripts that must carry printable ASCII only: a label that holds anything
// else becomes "NewVolume" (shaped for the file system).
QString forFileSystemAscii(const QString &fileSystem, const QString &label);

// True when every character is printable ASCII: what a script read in any console code page
// shows unchanged.
bool isPrintableAscii(const QString &label);

} // namespace volumelabel
