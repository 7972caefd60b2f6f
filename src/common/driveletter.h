#pragma once

#include "records.h"

#include <QChar>
#include <QString>
#include <QStringList>

// Drive letters as Windows knows them: ASCII A to Z only. A letter with an accent, a digit or
// a full-width letter is no drive, and must never reach a command line or a script.
namespace driveletter {

// A to Z or a to z.
bool isLetter(QChar c);

// The upper-case letter that `text` names: "e", "E:", "E:\" (surrounding spaces allowed);
// QChar() for anything else.
QChar parse(const QString &text);

// Exactly one ASCII letter and a colon, nothing around them: the only drive text a command
// line or script may carry.
bool isDriveText(const QString &text);

// "E:" for 'e'; empty for no letter.
QString drive(QChar letter);

// "E:\" for 'e'; empty for no letter.
QString root(QChar letter);

// The record's letter as "E:", from driveLetter or else the first of driveLetters; empty when
// it has none.
QString driveOf(const PartitionInfo &info);

// driveOf, or the record's id ("1:3") when it has no letter: how a job names its partition.
QString driveOrId(const PartitionInfo &info);

// D to Z without the letters `used` names ("E", "E:" or "E:\\" each): what a new volume may be
// given. A and B belong to floppy drives and C to the system, whatever is mounted.
QStringList freeLetters(const QStringList &used);

} // namespace driveletter
