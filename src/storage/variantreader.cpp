#include "variantreader.h"

using platform::Variant;

namespace storage {

bool isAbsent(const Variant &value)
{
    return value.vt == platform::VT_NULL;
}

namespace {

// The two number readers differ only in width: 32 bits take no VT_I8/VT_UI8, wrap VT_UI4 and
// read text beyond int as 0.
template <typename T>
ReadStatus readNumber(const Variant &value, T *out)
{
    constexpr bool wide = sizeof(T) == sizeof(qint64);
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
        *out = static_cast<T>(static_cast<std::uint32_t>(value.integer));
        return ReadStatus::Read;
    case platform::VT_I8:
    case platform::VT_UI8:
        if (!wide)
            break;
        // A uint64 above the signed range wraps, as reading llVal into qint64 does.
        *out = static_cast<T>(value.integer);
        return ReadStatus::Read;
    case platform::VT_BSTR: {
        const QString text = QString::fromStdWString(value.text);
        bool ok = false;
        const T parsed = wide ? static_cast<T>(text.toLongLong(&ok, 10)) : static_cast<T>(text.toInt(&ok, 10));
        *out = ok ? parsed : 0;
        return ReadStatus::Read;
    }
    default:
        break;
    }
    *out = 0;
    return ReadStatus::UnexpectedType;
}

} // namespace

ReadStatus read64(const Variant &value, qint64 *out)
{
    return readNumber(value, out);
}

ReadStatus read32(const Variant &value, int *out)
{
    return readNumber(value, out);
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

bool readBool(const Variant &value, bool *out)
{
    if (value.vt != platform::VT_BOOL)
        return false;
    *out = value.integer != 0;
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
