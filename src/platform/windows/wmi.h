#pragma once

// WMI through COM: the locator, services, enumerator and class objects behind the seam, and the
// conversion between VARIANT and platform::Variant.
//
// platform.h comes first: windows.h defines some of its names (DRIVE_*, CREATE_NO_WINDOW) as
// macros, so this layer spells the Win32 ones unqualified and never the seam's.

#include "platform/platform.h"

#include "platform/windows/comptr.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

namespace platform {
namespace windows {

// A VARIANT that is cleared (and whatever it holds released) when it goes away.
class OwnedVariant
{
public:
    OwnedVariant() { VariantInit(&m_v); }
    ~OwnedVariant() { VariantClear(&m_v); }
    OwnedVariant(const OwnedVariant &) = delete;
    OwnedVariant &operator=(const OwnedVariant &) = delete;
    VARIANT *get() { return &m_v; }
    const VARIANT &operator*() const { return m_v; }

private:
    VARIANT m_v;
};

// A BSTR that is freed when it goes away.
class Bstr
{
public:
    explicit Bstr(const std::wstring &s)
        : m_s(SysAllocStringLen(s.data(), static_cast<UINT>(s.size())))
    {
    }
    ~Bstr() { SysFreeString(m_s); }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;
    BSTR get() const { return m_s; }

private:
    BSTR m_s;
};

// VARIANT -> Variant. Integer types keep their VARIANT type; 64-bit WMI values arrive as
// VT_BSTR text and stay text. An embedded object must be an IWbemClassObject. Types the seam
// cannot carry (by-reference values, arrays of objects or reals, several dimensions) fail with
// DISP_E_BADVARTYPE and leave `out` empty.
HRESULT fromVariant(const VARIANT &in, Variant &out);

// Variant -> VARIANT, into a cleared VARIANT the caller owns. VT_I8 and VT_UI8 (and arrays of
// them) become decimal VT_BSTR text, the form WMI takes 64-bit values in. An embedded object
// must come from this layer (E_INVALIDARG otherwise).
HRESULT toVariant(const Variant &in, VARIANT &out);

// IWbemClassObject behind the seam.
class WmiObject : public WbemObject
{
public:
    explicit WmiObject(ComPtr<IWbemClassObject> object) : m_object(std::move(object)) {}
    IWbemClassObject *raw() const { return m_object.get(); }

    HResult get(const std::wstring &name, Variant &value) const override;
    HResult put(const std::wstring &name, const Variant &value, std::int32_t cimType) override;
    std::vector<std::wstring> propertyNames() const override;
    HResult getMethod(const std::wstring &name, std::shared_ptr<WbemObject> &inSignature,
                      std::shared_ptr<WbemObject> &outSignature) const override;
    HResult spawnInstance(std::shared_ptr<WbemObject> &instance) const override;

private:
    ComPtr<IWbemClassObject> m_object;
};

// A fresh IWbemLocator (COM must be initialised on the calling thread).
HResult createLocator(std::unique_ptr<WbemLocator> &locator);

} // namespace windows
} // namespace platform
