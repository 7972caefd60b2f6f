#include "variantreader.h"

using platform::Variant;

namespace storage {

bool isAbsent(const Variant &value)
{
    return value.vt == platform::VT_NULL;
}

ReadStatus read64(const Variant &value, qint64 *out)
{
    if (isAbsent(value))
        return ReadStatus::Absent;
    switch (value.vt) {
    case platform::VT_I4:
        *out = static_cast<std::int32_t>(value.integer);
        return ReadStatus::Read;
    case platform::VT_UI2:
        *out = static_cast<std::uint16_t>(value.integer);
        return ReadStatus::Read;
    case platform::VT_UI4:
        *out = static_cast<std::uint32_t>(value.integer);
        return ReadStatus::Read;
    case platform::VT_I8:
    case platform::VT_UI8:
        // A uint64 above the signed range wraps, as reading llVal into qint64 does.
        *out = value.integer;
        return ReadStatus::Read;
    case platform::VT_BSTR: {
        bool ok = false;
        const qint64 parsed = QString::fromStdWString(value.text).toLongLong(&ok, 10);
        *out = ok ? parsed : 0;
        return ReadStatus::Read;
    }
    default:
        *out = 0;
        return ReadStatus::UnexpectedType;
    }
}

ReadStatus read32(const Variant &value, int *out)
{
    if (isAbsent(value))
        return ReadStatus::Absent;
    switch (value.vt) {
    case platform::VT_I4:
        *out = static_cast<std::int32_t>(value.integer);
        return ReadStatus::Read;
    case platform::VT_UI2:
        *out = static_cast<std::uint16_t>(value.integer);
        return ReadStatus::Read;
    case platform::VT_UI4:
        *out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value.integer));
        return ReadStatus::Read;
    case platform::VT_BSTR: {
        bool ok = false;
        const int parsed = QString::fromStdWString(value.text).toInt(&ok, 10);
        *out = ok ? parsed : 0;
        return ReadStatus::Read;
    }
    default:
        *out = 0;
        return ReadStatus::UnexpectedType;
    }
}

bool readString(const Variant &value, QString *out)
{
    if (value.vt != platform::VT_BSTR)
        return false;
    *out = QString::fromStdWString(value.text);
    return true;
}

bool readStringArray(const Variant &value, QStringList *out)
{
    if (value.vt != (platform::VT_ARRAY | platform::VT_BSTR))
        return false;
    QStringList list;
    list.reserve(static_cast<qsizetype>(value.texts.size()));
    for (const std::wstring &text : value.texts)
        list.append(QString::fromStdWString(text));
    *out = list;
    return true;
}

bool readUnchecked(const Variant &value, int *out)
{
    if (isAbsent(value))
        return false;
    *out = value.lVal();
    return true;
}

} // namespace storage
