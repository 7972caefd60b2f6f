#include "simulator/wbemobject.h"

#include "simulator/machine.h"

#include <limits>
#include <utility>

namespace sim {

using platform::HResult;
using platform::Variant;
namespace hr = platform::hr;

namespace {

constexpr HResult kReadOnly = static_cast<HResult>(0x80041029u);         // WBEM_E_READ_ONLY
constexpr HResult kInvalidOperation = static_cast<HResult>(0x80041016u); // WBEM_E_INVALID_OPERATION

bool isIntegerVt(std::uint16_t vt)
{
    switch (vt) {
    case platform::VT_I2:
    case platform::VT_I4:
    case platform::VT_UI1:
    case platform::VT_UI2:
    case platform::VT_UI4:
    case platform::VT_I8:
    case platform::VT_UI8:
        return true;
    default:
        return false;
    }
}

// The integer a variant holds; a VT_UI8 beyond the signed range does not fit anything here.
bool integerOf(const Variant &v, qint64 *out)
{
    if (!isIntegerVt(v.vt))
        return false;
    if (v.vt == platform::VT_UI8 && v.integer < 0)
        return false;
    *out = v.integer;
    return true;
}

bool inRange(qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; }

} // namespace

void SimObject::declare(const QString &name, std::int32_t cimType, const Variant &value)
{
    if (Property *p = find(name)) {
        p->cimType = cimType;
        p->value = value;
        return;
    }
    m_properties.push_back(Property{name, cimType, value});
}

void SimObject::declareMethod(const QString &name, std::shared_ptr<SimObject> in, std::shared_ptr<SimObject> out)
{
    m_methods[name.toLower()] = Method{name, std::move(in), std::move(out)};
}

std::int32_t SimObject::cimTypeOf(const QString &name) const
{
    const Property *p = find(name);
    return p ? p->cimType : 0;
}

const SimObject::Property *SimObject::find(const QString &name) const
{
    // Names of different length never match; the length test spares most case-folding compares.
    for (const Property &p : m_properties)
        if (p.name.size() == name.size() && p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

SimObject::Property *SimObject::find(const QString &name)
{
    return const_cast<Property *>(std::as_const(*this).find(name));
}

HResult SimObject::get(const std::wstring &name, Variant &value) const
{
    const Property *p = find(qs(name));
    if (!p)
        return hr::WbemNotFound;
    value = p->value;
    return hr::Ok;
}

HResult SimObject::put(const std::wstring &name, const Variant &value, std::int32_t cimType)
{
    const QString n = qs(name);
    if (n.startsWith(QLatin1String("__")))
        return kReadOnly;
    Property *p = find(n);
    if (!p)
        return hr::WbemNotFound;
    if (!m_faultPath.isEmpty()) {
        const QString subject = QStringLiteral("%1.%2[vt=%3]").arg(m_faultScope, p->name).arg(value.vt);
        if (const auto f = MachineStore(m_faultPath).takeFault(QStringLiteral("wmi.put"), subject))
            return faultCode(*f, QStringLiteral("hresult")).value_or(hr::WbemTypeMismatch);
    }
    if (cimType != 0 && cimType != p->cimType)
        return hr::WbemTypeMismatch;
    Variant converted;
    const HResult rc = convert(p->cimType, value, &converted);
    if (platform::failed(rc))
        return rc;
    p->value = converted;
    return hr::Ok;
}

std::vector<std::wstring> SimObject::propertyNames() const
{
    std::vector<std::wstring> out;
    out.reserve(m_properties.size());
    for (const Property &p : m_properties)
        out.push_back(ws(p.name));
    return out;
}

HResult SimObject::getMethod(const std::wstring &name, std::shared_ptr<platform::WbemObject> &inSignature,
                             std::shared_ptr<platform::WbemObject> &outSignature) const
{
    inSignature.reset();
    outSignature.reset();
    if (m_kind != Kind::Class)
        return kInvalidOperation;
    const auto it = m_methods.find(qs(name).toLower());
    if (it == m_methods.end())
        return hr::WbemNotFound;
    // Copies, so that a caller writing into a signature never changes the class.
    const QString scope = m_faultScope + QLatin1Char('.') + it->second.name;
    if (it->second.in) {
        auto in = std::make_shared<SimObject>(*it->second.in);
        in->setFaultScope(m_faultPath, m_faultScope.isEmpty() ? QString() : scope);
        inSignature = in;
    }
    if (it->second.out) {
        auto out = std::make_shared<SimObject>(*it->second.out);
        out->setFaultScope(m_faultPath, m_faultScope.isEmpty() ? QString() : scope);
        outSignature = out;
    }
    return hr::Ok;
}

HResult SimObject::spawnInstance(std::shared_ptr<platform::WbemObject> &instance) const
{
    instance.reset();
    if (m_kind == Kind::Instance)
        return kInvalidOperation;
    auto copy = std::make_shared<SimObject>(*this);
    copy->m_kind = m_kind == Kind::Class ? Kind::Instance : Kind::Parameters;
    copy->m_methods.clear();
    instance = copy;
    return hr::Ok;
}

void SimObject::setFaultScope(const QString &machinePath, const QString &scope)
{
    m_faultPath = scope.isEmpty() ? QString() : machinePath;
    m_faultScope = scope;
}

std::shared_ptr<SimObject> SimObject::projected(const std::vector<QString> &names) const
{
    auto copy = std::make_shared<SimObject>(m_kind, m_className);
    for (const Property &p : m_properties) {
        bool keep = p.name.startsWith(QLatin1String("__"));
        for (const QString &n : names)
            keep = keep || n.compare(p.name, Qt::CaseInsensitive) == 0;
        if (keep)
            copy->m_properties.push_back(p);
    }
    return copy;
}

HResult SimObject::convert(std::int32_t cimType, const Variant &in, Variant *out)
{
    if (in.vt == platform::VT_NULL || in.vt == platform::VT_EMPTY) {
        *out = Variant::null();
        return hr::Ok;
    }
    const std::int32_t base = cimType & ~CIM_FLAG_ARRAY;
    if (cimType & CIM_FLAG_ARRAY) {
        if (!in.isArray())
            return hr::WbemTypeMismatch;
        const std::uint16_t element = in.vt & ~platform::VT_ARRAY;
        if (base == platform::CIM_STRING && element == platform::VT_BSTR) {
            *out = Variant::bstrArray(in.texts);
            return hr::Ok;
        }
        if (base != platform::CIM_STRING && base != platform::CIM_OBJECT && base != platform::CIM_BOOLEAN
            && isIntegerVt(element)) {
            *out = Variant::intArray(base == platform::CIM_SINT16 || base == platform::CIM_CHAR16 ? platform::VT_I2
                                     : base == platform::CIM_UINT8                                ? platform::VT_UI1
                                                                                                  : platform::VT_I4,
                                     in.integers);
            return hr::Ok;
        }
        return hr::WbemTypeMismatch;
    }

    qint64 n = 0;
    switch (base) {
    case platform::CIM_UINT64:
    case platform::CIM_SINT64: {
        if (in.vt == platform::VT_BSTR) {
            bool ok = false;
            const QString text = qs(in.text).trimmed();
            if (base == platform::CIM_UINT64) {
                const qulonglong u = text.toULongLong(&ok, 10);
                ok = ok && u <= qulonglong(std::numeric_limits<qint64>::max());
                n = qint64(u);
            } else {
                n = text.toLongLong(&ok, 10);
            }
            if (!ok)
                return hr::WbemTypeMismatch;
        } else if (!integerOf(in, &n) || (base == platform::CIM_UINT64 && n < 0)) {
            return hr::WbemTypeMismatch;
        }
        *out = Variant::bstr(std::to_wstring(n));
        return hr::Ok;
    }
    case platform::CIM_UINT32:
        if (!integerOf(in, &n) || !inRange(n, 0, 0xFFFFFFFFLL))
            return hr::WbemTypeMismatch;
        *out = Variant::i4(static_cast<std::int32_t>(static_cast<std::uint32_t>(n)));
        return hr::Ok;
    case platform::CIM_SINT32:
        if (!integerOf(in, &n) || !inRange(n, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()))
            return hr::WbemTypeMismatch;
        *out = Variant::i4(static_cast<std::int32_t>(n));
        return hr::Ok;
    case platform::CIM_UINT16:
        if (!integerOf(in, &n) || !inRange(n, 0, 0xFFFF))
            return hr::WbemTypeMismatch;
        *out = Variant::i4(static_cast<std::int32_t>(n));
        return hr::Ok;
    case platform::CIM_SINT16:
    case platform::CIM_CHAR16: {
        if (base == platform::CIM_CHAR16 && in.vt == platform::VT_BSTR) {
            if (in.text.size() != 1)
                return hr::WbemTypeMismatch;
            n = in.text[0];
        } else if (!integerOf(in, &n) || !inRange(n, base == platform::CIM_CHAR16 ? 0 : -32768,
                                                  base == platform::CIM_CHAR16 ? 0xFFFF : 32767)) {
            return hr::WbemTypeMismatch;
        }
        Variant v;
        v.vt = platform::VT_I2;
        v.integer = n;
        *out = v;
        return hr::Ok;
    }
    case platform::CIM_UINT8: {
        if (!integerOf(in, &n) || !inRange(n, 0, 255))
            return hr::WbemTypeMismatch;
        Variant v;
        v.vt = platform::VT_UI1;
        v.integer = n;
        *out = v;
        return hr::Ok;
    }
    case platform::CIM_BOOLEAN:
        if (in.vt != platform::VT_BOOL)
            return hr::WbemTypeMismatch;
        *out = Variant::boolean(in.integer != 0);
        return hr::Ok;
    case platform::CIM_STRING:
        if (in.vt != platform::VT_BSTR)
            return hr::WbemTypeMismatch;
        *out = in;
        return hr::Ok;
    case platform::CIM_OBJECT:
        if (in.vt != platform::VT_UNKNOWN)
            return hr::WbemTypeMismatch;
        *out = in;
        return hr::Ok;
    default:
        return hr::WbemTypeMismatch;
    }
}

bool paramPresent(const platform::WbemObject *params, const wchar_t *name)
{
    Variant v;
    if (!params || platform::failed(params->get(name, v)))
        return false;
    return v.vt != platform::VT_NULL && v.vt != platform::VT_EMPTY;
}

std::optional<qint64> paramInteger(const platform::WbemObject *params, const wchar_t *name)
{
    Variant v;
    if (!params || platform::failed(params->get(name, v)))
        return std::nullopt;
    if (v.vt == platform::VT_BSTR) {
        bool ok = false;
        const qint64 n = qs(v.text).trimmed().toLongLong(&ok, 10);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    qint64 n = 0;
    if (integerOf(v, &n))
        return n;
    return std::nullopt;
}

std::optional<bool> paramBool(const platform::WbemObject *params, const wchar_t *name)
{
    Variant v;
    if (!params || platform::failed(params->get(name, v)) || v.vt != platform::VT_BOOL)
        return std::nullopt;
    return v.integer != 0;
}

std::optional<QString> paramText(const platform::WbemObject *params, const wchar_t *name)
{
    Variant v;
    if (!params || platform::failed(params->get(name, v)) || v.vt != platform::VT_BSTR)
        return std::nullopt;
    return qs(v.text);
}

} // namespace sim
