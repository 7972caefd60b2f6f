#include "platform/windows/wmi.h"

#include <cstring>
#include <cwchar>

namespace platform {
namespace windows {

namespace {

bool isIntegerType(VARTYPE t)
{
    switch (t) {
    case ::VT_I1: case ::VT_UI1: case ::VT_I2: case ::VT_UI2: case ::VT_I4: case ::VT_UI4:
    case ::VT_INT: case ::VT_UINT: case ::VT_I8: case ::VT_UI8: case ::VT_BOOL:
        return true;
    default:
        return false;
    }
}

std::size_t elementSize(VARTYPE t)
{
    switch (t) {
    case ::VT_I1: case ::VT_UI1: return 1;
    case ::VT_I2: case ::VT_UI2: case ::VT_BOOL: return 2;
    case ::VT_I8: case ::VT_UI8: return 8;
    default: return 4;
    }
}

// One element of an integer array or the value of an integer VARIANT, sign- or zero-extended
// as its type says.
std::int64_t readInteger(VARTYPE t, const void *p)
{
    switch (t) {
    case ::VT_I1: return *static_cast<const signed char *>(p);
    case ::VT_UI1: return *static_cast<const unsigned char *>(p);
    case ::VT_I2: case ::VT_BOOL: return *static_cast<const std::int16_t *>(p);
    case ::VT_UI2: return *static_cast<const std::uint16_t *>(p);
    case ::VT_I4: case ::VT_INT: return *static_cast<const std::int32_t *>(p);
    case ::VT_UI4: case ::VT_UINT: return *static_cast<const std::uint32_t *>(p);
    default: {
        std::int64_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    }
}

void writeInteger(VARTYPE t, std::int64_t value, void *p)
{
    switch (elementSize(t)) {
    case 1: { const auto v = static_cast<std::uint8_t>(value); std::memcpy(p, &v, 1); break; }
    case 2: {
        const auto v = static_cast<std::uint16_t>(t == ::VT_BOOL ? (value ? VARIANT_TRUE : VARIANT_FALSE) : value);
        std::memcpy(p, &v, 2);
        break;
    }
    case 4: { const auto v = static_cast<std::uint32_t>(value); std::memcpy(p, &v, 4); break; }
    default: std::memcpy(p, &value, 8); break;
    }
}

std::wstring decimal(VARTYPE t, std::int64_t value)
{
    return t == ::VT_UI8 ? std::to_wstring(static_cast<std::uint64_t>(value)) : std::to_wstring(value);
}

// Locks a SAFEARRAY's data for the life of the object.
class ArrayData
{
public:
    explicit ArrayData(SAFEARRAY *a) : m_array(a) { m_hr = SafeArrayAccessData(a, &m_data); }
    ~ArrayData()
    {
        if (SUCCEEDED(m_hr))
            SafeArrayUnaccessData(m_array);
    }
    ArrayData(const ArrayData &) = delete;
    ArrayData &operator=(const ArrayData &) = delete;
    HRESULT result() const { return m_hr; }
    void *data() const { return m_data; }

private:
    SAFEARRAY *m_array;
    void *m_data = nullptr;
    HRESULT m_hr;
};

struct SafeArrayDeleter
{
    void operator()(SAFEARRAY *a) const { SafeArrayDestroy(a); }
};
using OwnedArray = std::unique_ptr<SAFEARRAY, SafeArrayDeleter>;

HRESULT arrayLength(SAFEARRAY *a, std::size_t &length)
{
    length = 0;
    if (!a)
        return S_OK; // an empty array may come without one
    if (SafeArrayGetDim(a) != 1)
        return DISP_E_BADVARTYPE;
    LONG lower = 0, upper = -1;
    HRESULT hr = SafeArrayGetLBound(a, 1, &lower);
    if (SUCCEEDED(hr))
        hr = SafeArrayGetUBound(a, 1, &upper);
    if (FAILED(hr))
        return hr;
    length = upper >= lower ? std::size_t(upper - lower + 1) : 0;
    return S_OK;
}

HRESULT fromArray(VARTYPE element, SAFEARRAY *a, Variant &out)
{
    if (element != ::VT_BSTR && !isIntegerType(element))
        return DISP_E_BADVARTYPE;
    std::size_t n = 0;
    HRESULT hr = arrayLength(a, n);
    if (FAILED(hr) || n == 0)
        return hr;
    ArrayData data(a);
    if (FAILED(data.result()))
        return data.result();
    if (element == ::VT_BSTR) {
        const BSTR *items = static_cast<const BSTR *>(data.data());
        for (std::size_t i = 0; i < n; ++i)
            out.texts.emplace_back(items[i] ? std::wstring(items[i], SysStringLen(items[i])) : std::wstring());
    } else {
        const auto *bytes = static_cast<const unsigned char *>(data.data());
        for (std::size_t i = 0; i < n; ++i)
            out.integers.push_back(readInteger(element, bytes + i * elementSize(element)));
    }
    return S_OK;
}

HRESULT toArray(const Variant &in, VARIANT &out)
{
    const VARTYPE element = static_cast<VARTYPE>(in.vt & ~::VT_ARRAY);
    const bool asText = element == ::VT_BSTR || element == ::VT_I8 || element == ::VT_UI8;
    if (!asText && !isIntegerType(element))
        return DISP_E_BADVARTYPE;
    const std::size_t n = element == ::VT_BSTR ? in.texts.size() : in.integers.size();
    const VARTYPE stored = asText ? VARTYPE(::VT_BSTR) : element;
    OwnedArray array(SafeArrayCreateVector(stored, 0, static_cast<ULONG>(n)));
    if (!array)
        return E_OUTOFMEMORY;
    if (n > 0) {
        ArrayData data(array.get());
        if (FAILED(data.result()))
            return data.result();
        if (asText) {
            BSTR *items = static_cast<BSTR *>(data.data());
            for (std::size_t i = 0; i < n; ++i) {
                const std::wstring text = element == ::VT_BSTR ? in.texts[i] : decimal(element, in.integers[i]);
                items[i] = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
                if (!items[i])
                    return E_OUTOFMEMORY; // the array frees the strings made so far
            }
        } else {
            auto *bytes = static_cast<unsigned char *>(data.data());
            for (std::size_t i = 0; i < n; ++i)
                writeInteger(element, in.integers[i], bytes + i * elementSize(element));
        }
    }
    out.vt = static_cast<VARTYPE>(::VT_ARRAY | stored);
    out.parray = array.release();
    return S_OK;
}

std::shared_ptr<WbemObject> wrap(IWbemClassObject *adopted)
{
    if (!adopted)
        return nullptr;
    return std::make_shared<WmiObject>(ComPtr<IWbemClassObject>::adopt(adopted));
}

class WmiEnumerator : public WbemEnumerator
{
public:
    explicit WmiEnumerator(ComPtr<IEnumWbemClassObject> e) : m_enum(std::move(e)) {}
    HResult next(std::int32_t timeoutMs, std::shared_ptr<WbemObject> &object) override
    {
        object.reset();
        IWbemClassObject *raw = nullptr;
        ULONG returned = 0;
        const HRESULT hr = m_enum->Next(timeoutMs, 1, &raw, &returned);
        // Anything handed out is owned from here on, whatever the code says.
        ComPtr<IWbemClassObject> owned = ComPtr<IWbemClassObject>::adopt(returned == 1 ? raw : nullptr);
        if (owned)
            object = std::make_shared<WmiObject>(std::move(owned));
        return hr;
    }

private:
    ComPtr<IEnumWbemClassObject> m_enum;
};

class WmiServices : public WbemServices
{
public:
    explicit WmiServices(ComPtr<IWbemServices> s) : m_services(std::move(s)) {}

    HResult setProxyBlanket(std::uint32_t authnSvc, std::uint32_t authzSvc, std::uint32_t authnLevel,
                            std::uint32_t impLevel, std::uint32_t capabilities) override
    {
        return CoSetProxyBlanket(m_services.get(), authnSvc, authzSvc, nullptr, authnLevel, impLevel, nullptr,
                                 capabilities);
    }

    HResult execQuery(const std::wstring &language, const std::wstring &query, std::int32_t flags,
                      std::unique_ptr<WbemEnumerator> &enumerator) override
    {
        enumerator.reset();
        Bstr lang(language), text(query);
        ComPtr<IEnumWbemClassObject> e;
        const HRESULT hr = m_services->ExecQuery(lang.get(), text.get(), flags, nullptr, e.put());
        if (SUCCEEDED(hr) && e)
            enumerator = std::make_unique<WmiEnumerator>(std::move(e));
        return hr;
    }

    HResult getObject(const std::wstring &path, std::shared_ptr<WbemObject> &object) override
    {
        object.reset();
        Bstr p(path);
        IWbemClassObject *raw = nullptr;
        const HRESULT hr = m_services->GetObject(p.get(), 0, nullptr, &raw, nullptr);
        object = wrap(raw);
        return hr;
    }

    HResult execMethod(const std::wstring &objectPath, const std::wstring &method, std::int32_t flags,
                       const WbemObject *inParams, std::shared_ptr<WbemObject> &outParams) override
    {
        outParams.reset();
        IWbemClassObject *in = nullptr;
        if (inParams) {
            const auto *own = dynamic_cast<const WmiObject *>(inParams);
            if (!own)
                return WBEM_E_INVALID_PARAMETER; // parameters made by another platform
            in = own->raw();
        }
        Bstr p(objectPath), m(method);
        IWbemClassObject *raw = nullptr;
        const HRESULT hr = m_services->ExecMethod(p.get(), m.get(), flags, nullptr, in, &raw, nullptr);
        outParams = wrap(raw);
        return hr;
    }

private:
    ComPtr<IWbemServices> m_services;
};

class WmiLocator : public WbemLocator
{
public:
    explicit WmiLocator(ComPtr<IWbemLocator> l) : m_locator(std::move(l)) {}
    HResult connectServer(const std::wstring &nameSpace, std::unique_ptr<WbemServices> &services) override
    {
        services.reset();
        Bstr ns(nameSpace);
        ComPtr<IWbemServices> s;
        const HRESULT hr = m_locator->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, s.put());
        if (SUCCEEDED(hr) && s)
            services = std::make_unique<WmiServices>(std::move(s));
        return hr;
    }

private:
    ComPtr<IWbemLocator> m_locator;
};

} // namespace

HRESULT fromVariant(const VARIANT &in, Variant &out)
{
    out = Variant();
    HRESULT hr = S_OK;
    const VARTYPE t = in.vt;
    if (t & ::VT_BYREF) {
        hr = DISP_E_BADVARTYPE;
    } else if (t & ::VT_ARRAY) {
        hr = fromArray(static_cast<VARTYPE>(t & ~::VT_ARRAY), in.parray, out);
    } else {
        switch (t) {
        case ::VT_EMPTY: case ::VT_NULL: break;
        case ::VT_I1: out.integer = in.cVal; break;
        case ::VT_UI1: out.integer = in.bVal; break;
        case ::VT_I2: out.integer = in.iVal; break;
        case ::VT_UI2: out.integer = in.uiVal; break;
        case ::VT_I4: out.integer = in.lVal; break;
        case ::VT_UI4: out.integer = in.ulVal; break;
        case ::VT_INT: out.integer = in.intVal; break;
        case ::VT_UINT: out.integer = in.uintVal; break;
        case ::VT_I8: out.integer = in.llVal; break;
        case ::VT_UI8: out.integer = static_cast<std::int64_t>(in.ullVal); break;
        case ::VT_BOOL: out.integer = in.boolVal; break;
        case ::VT_R4: out.real = in.fltVal; break;
        case ::VT_R8: out.real = in.dblVal; break;
        case ::VT_DATE: out.real = in.date; break;
        case ::VT_BSTR:
            if (in.bstrVal)
                out.text.assign(in.bstrVal, SysStringLen(in.bstrVal));
            break;
        case ::VT_UNKNOWN: case ::VT_DISPATCH: {
            IUnknown *unknown = t == ::VT_UNKNOWN ? in.punkVal : in.pdispVal;
            ComPtr<IWbemClassObject> object;
            if (unknown)
                hr = ComPtr<IUnknown>::share(unknown).queryInterface(IID_IWbemClassObject, object);
            if (SUCCEEDED(hr) && object)
                out.object = std::make_shared<WmiObject>(std::move(object));
            break;
        }
        default: hr = DISP_E_BADVARTYPE; break;
        }
    }
    if (FAILED(hr)) {
        out = Variant();
        return hr;
    }
    out.vt = t == ::VT_DISPATCH ? static_cast<std::uint16_t>(::VT_UNKNOWN) : t;
    return S_OK;
}

HRESULT toVariant(const Variant &in, VARIANT &out)
{
    VariantInit(&out);
    if (in.vt & ::VT_ARRAY)
        return toArray(in, out);
    const VARTYPE t = in.vt;
    switch (t) {
    case ::VT_EMPTY: case ::VT_NULL: break;
    case ::VT_I1: out.cVal = static_cast<CHAR>(in.integer); break;
    case ::VT_UI1: out.bVal = static_cast<BYTE>(in.integer); break;
    case ::VT_I2: out.iVal = static_cast<SHORT>(in.integer); break;
    case ::VT_UI2: out.uiVal = static_cast<USHORT>(in.integer); break;
    case ::VT_I4: out.lVal = static_cast<LONG>(in.integer); break;
    case ::VT_UI4: out.ulVal = static_cast<ULONG>(in.integer); break;
    case ::VT_INT: out.intVal = static_cast<INT>(in.integer); break;
    case ::VT_UINT: out.uintVal = static_cast<UINT>(in.integer); break;
    case ::VT_BOOL: out.boolVal = in.integer ? VARIANT_TRUE : VARIANT_FALSE; break;
    case ::VT_R4: out.fltVal = static_cast<FLOAT>(in.real); break;
    case ::VT_R8: out.dblVal = in.real; break;
    case ::VT_DATE: out.date = in.real; break;
    case ::VT_I8: case ::VT_UI8: case ::VT_BSTR: {
        const std::wstring text = t == ::VT_BSTR ? in.text : decimal(t, in.integer);
        out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!out.bstrVal)
            return E_OUTOFMEMORY;
        out.vt = ::VT_BSTR;
        return S_OK;
    }
    case ::VT_UNKNOWN: {
        if (!in.object) {
            out.vt = ::VT_NULL;
            return S_OK;
        }
        const auto *own = dynamic_cast<const WmiObject *>(in.object.get());
        if (!own)
            return E_INVALIDARG;
        out.punkVal = own->raw();
        out.punkVal->AddRef(); // the VARIANT holds its own reference; VariantClear drops it
        break;
    }
    default: return DISP_E_BADVARTYPE;
    }
    out.vt = t;
    return S_OK;
}

HResult WmiObject::get(const std::wstring &name, Variant &value) const
{
    value = Variant();
    OwnedVariant v;
    const HRESULT hr = m_object->Get(name.c_str(), 0, v.get(), nullptr, nullptr);
    if (FAILED(hr))
        return hr;
    return fromVariant(*v, value);
}

HResult WmiObject::put(const std::wstring &name, const Variant &value, std::int32_t cimType)
{
    OwnedVariant v;
    const HRESULT hr = toVariant(value, *v.get());
    if (FAILED(hr))
        return hr;
    return m_object->Put(name.c_str(), 0, v.get(), cimType);
}

std::vector<std::wstring> WmiObject::propertyNames() const
{
    std::vector<std::wstring> names;
    SAFEARRAY *raw = nullptr;
    if (FAILED(m_object->GetNames(nullptr, WBEM_FLAG_ALWAYS, nullptr, &raw)))
        return names;
    OwnedArray array(raw);
    Variant all;
    if (SUCCEEDED(fromArray(::VT_BSTR, array.get(), all)))
        names = std::move(all.texts);
    return names;
}

HResult WmiObject::getMethod(const std::wstring &name, std::shared_ptr<WbemObject> &inSignature,
                             std::shared_ptr<WbemObject> &outSignature) const
{
    IWbemClassObject *in = nullptr, *out = nullptr;
    const HRESULT hr = m_object->GetMethod(name.c_str(), 0, &in, &out);
    inSignature = wrap(in);
    outSignature = wrap(out);
    return hr;
}

HResult WmiObject::spawnInstance(std::shared_ptr<WbemObject> &instance) const
{
    IWbemClassObject *raw = nullptr;
    const HRESULT hr = m_object->SpawnInstance(0, &raw);
    instance = wrap(raw);
    return hr;
}

HResult createLocator(std::unique_ptr<WbemLocator> &locator)
{
    locator.reset();
    ComPtr<IWbemLocator> l;
    const HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                        reinterpret_cast<void **>(l.put()));
    if (SUCCEEDED(hr) && l)
        locator = std::make_unique<WmiLocator>(std::move(l));
    return hr;
}

} // namespace windows
} // namespace platform
