#pragma once

// How property values are read from WMI variants. Every query of the storage layer reads its
// properties through these functions and nothing else.
//
// A property whose read failed or that arrived as VT_NULL is absent: the reader leaves the
// caller's default in place. Numbers accept VT_UI2 besides VT_I4/VT_UI4 because some WMI
// implementations deliver uint16 and uint32 properties that way.

#include "platform/platform.h"

#include <QString>
#include <QStringList>

namespace storage {

enum class ReadStatus {
    Absent,        // read failed or VT_NULL; *out untouched
    Read,          // an accepted type; *out holds the value
    UnexpectedType // present but of a type the reader does not take; *out set to 0
};

bool isAbsent(const platform::Variant &value);

// VT_I4, VT_UI2, VT_UI4, VT_I8, VT_UI8, or decimal text in VT_BSTR (0 when not a number).
ReadStatus read64(const platform::Variant &value, qint64 *out);
// VT_I4, VT_UI2, VT_UI4, or decimal text in VT_BSTR (0 when not a number).
ReadStatus read32(const platform::Variant &value, int *out);
// VT_BSTR only; anything else keeps *out. True when a string was read.
bool readString(const platform::Variant &value, QString *out);
// VT_ARRAY|VT_BSTR only; anything else keeps *out. True when an array was read.
bool readStringArray(const platform::Variant &value, QStringList *out);
// VT_BOOL only (VARIANT_TRUE is -1); anything else keeps *out. True when a boolean was read.
bool readBool(const platform::Variant &value, bool *out);
// The variant's 32-bit integer slot whatever its type; absent keeps *out. True when read.
bool readUnchecked(const platform::Variant &value, int *out);

} // namespace storage
