// VARIANT <-> platform::Variant, on the system's own VARIANT and SAFEARRAY implementation.

#include "contract.h"

#include "platform/windows/windowsplatform.h"
#include "platform/windows/wmi.h"

#include <climits>
#include <cstdint>

using platform::Variant;
using platform::windows::fromVariant;
using platform::windows::OwnedVariant;
using platform::windows::toVariant;
using platform::windows::WmiObject;

namespace {

ULONG references(IUnknown *p)
{
    p->AddRef();
    return p->Release();
}

// Variant -> VARIANT -> Variant.
Variant roundTrip(contract::Harness &h, const Variant &in, VARTYPE expectedVt)
{
    OwnedVariant v;
    CHECK_EQ(h, toVariant(in, *v.get()), S_OK);
    CHECK_EQ(h, (*v).vt, expectedVt);
    Variant back;
    CHECK_EQ(h, fromVariant(*v, back), S_OK);
    return back;
}

// The value of an integer VARIANT as the system itself reads it.
long long systemValue(const VARIANT &v)
{
    OwnedVariant wide;
    if (FAILED(VariantChangeType(wide.get(), const_cast<VARIANT *>(&v), 0, VT_I8)))
        return LLONG_MIN;
    return (*wide).llVal;
}

class ForeignObject : public platform::WbemObject
{
public:
    platform::HResult get(const std::wstring &, Variant &) const override { return 0; }
    platform::HResult put(const std::wstring &, const Variant &, std::int32_t) override { return 0; }
    std::vector<std::wstring> propertyNames() const override { return {}; }
    platform::HResult getMethod(const std::wstring &, std::shared_ptr<WbemObject> &,
                                std::shared_ptr<WbemObject> &) const override { return 0; }
    platform::HResult spawnInstance(std::shared_ptr<WbemObject> &) const override { return 0; }
};

// An IUnknown that is no class object.
class PlainUnknown : public IUnknown
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown))
            return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_count; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_count; }
    ULONG m_count = 1;
};

void scalars(contract::Harness &h)
{
    const std::pair<VARTYPE, long long> integers[] = {
        {VT_I1, -5}, {VT_UI1, 200}, {VT_I2, -32768}, {VT_UI2, 65535}, {VT_I4, INT32_MIN},
        {VT_UI4, 4294967295LL}, {VT_INT, -7}, {VT_UINT, 4000000000LL}, {VT_BOOL, -1},
    };
    for (const auto &[vt, value] : integers) {
        Variant in;
        in.vt = vt;
        in.integer = value;
        OwnedVariant v;
        CHECK_EQ(h, toVariant(in, *v.get()), S_OK);
        CHECK_EQ(h, (*v).vt, vt);
        CHECK_EQ(h, systemValue(*v), value);
        Variant back;
        CHECK_EQ(h, fromVariant(*v, back), S_OK);
        CHECK_EQ(h, back.vt, vt);
        CHECK_EQ(h, back.integer, value);
    }
    // Any non-zero truth is VARIANT_TRUE.
    Variant truth;
    truth.vt = VT_BOOL;
    truth.integer = 1;
    CHECK_EQ(h, roundTrip(h, truth, VT_BOOL).integer, -1);

    Variant real;
    real.vt = VT_R8;
    real.real = 2.5;
    CHECK(h, roundTrip(h, real, VT_R8).real == 2.5);
    real.vt = VT_DATE;
    real.real = 45000.25;
    CHECK(h, roundTrip(h, real, VT_DATE).real == 45000.25);

    // Text keeps embedded NULs and non-ASCII characters; a null BSTR reads as empty text.
    const std::wstring text(L"a\0b \u00fc\u78c1", 6);
    Variant back = roundTrip(h, Variant::bstr(text), VT_BSTR);
    CHECK(h, back.text == text);
    VARIANT nullText;
    VariantInit(&nullText);
    nullText.vt = VT_BSTR;
    nullText.bstrVal = nullptr;
    CHECK_EQ(h, fromVariant(nullText, back), S_OK);
    CHECK(h, back.vt == VT_BSTR && back.text.empty());
}

void sixtyFourBits(contract::Harness &h)
{
    // WMI takes 64-bit values as decimal text.
    const std::tuple<VARTYPE, long long, const wchar_t *> cases[] = {
        {VT_I8, -9000000000LL, L"-9000000000"},
        {VT_I8, LLONG_MIN, L"-9223372036854775808"},
        {VT_UI8, -1, L"18446744073709551615"},
        {VT_UI8, 0, L"0"},
    };
    for (const auto &[vt, value, text] : cases) {
        Variant in;
        in.vt = vt;
        in.integer = value;
        const Variant back = roundTrip(h, in, VT_BSTR);
        h.check(back.text == text, "64-bit value as text", __FILE__, __LINE__, contract::toUtf8(back.text));
    }
    // Read the other way they keep their type; text stays text.
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UI8;
    v.ullVal = ULLONG_MAX;
    Variant out;
    CHECK_EQ(h, fromVariant(v, out), S_OK);
    CHECK(h, out.vt == VT_UI8 && static_cast<unsigned long long>(out.integer) == ULLONG_MAX);
    v.vt = VT_I8;
    v.llVal = LLONG_MIN;
    CHECK_EQ(h, fromVariant(v, out), S_OK);
    CHECK(h, out.vt == VT_I8 && out.integer == LLONG_MIN);
    const Variant big = roundTrip(h, Variant::bstr(L"18446744073709551615"), VT_BSTR);
    CHECK(h, big.text == L"18446744073709551615" && big.integer == 0);

    Variant array;
    array.vt = VT_ARRAY | VT_UI8;
    array.integers = {-1, 5};
    const Variant texts = roundTrip(h, array, VT_ARRAY | VT_BSTR);
    CHECK(h, texts.texts == std::vector<std::wstring>({L"18446744073709551615", L"5"}));
}

void nulls(contract::Harness &h)
{
    CHECK_EQ(h, roundTrip(h, Variant::null(), VT_NULL).vt, VT_NULL);
    CHECK_EQ(h, roundTrip(h, Variant(), VT_EMPTY).vt, VT_EMPTY);
    CHECK_EQ(h, roundTrip(h, Variant::embedded(nullptr), VT_NULL).vt, VT_NULL);
}

void arrays(contract::Harness &h)
{
    const std::vector<std::wstring> strings = {L"", L"Data", L"E:\\", L"\u78c1\u76d8"};
    CHECK(h, roundTrip(h, Variant::bstrArray(strings), VT_ARRAY | VT_BSTR).texts == strings);
    Variant empty = roundTrip(h, Variant::bstrArray({}), VT_ARRAY | VT_BSTR);
    CHECK(h, empty.vt == (VT_ARRAY | VT_BSTR) && empty.texts.empty());

    const std::pair<VARTYPE, std::vector<std::int64_t>> integers[] = {
        {VT_I4, {-1, 0, INT32_MAX, INT32_MIN}},
        {VT_UI2, {0, 53264, 65535}},
        {VT_UI1, {0, 255}},
        {VT_UI4, {4294967295LL, 1}},
        {VT_I2, {}},
    };
    for (const auto &[vt, values] : integers) {
        const Variant back = roundTrip(h, Variant::intArray(vt, values), VARTYPE(VT_ARRAY | vt));
        CHECK_EQ(h, back.vt, VT_ARRAY | vt);
        h.check(back.integers == values, "integer array", __FILE__, __LINE__, std::to_string(vt));
    }

    // Arrays that do not start at 0, or come without a SAFEARRAY at all.
    SAFEARRAYBOUND bound{3, 1};
    SAFEARRAY *raw = SafeArrayCreate(VT_I4, 1, &bound);
    for (LONG i = 1; i <= 3; ++i) {
        LONG value = i * 10;
        SafeArrayPutElement(raw, &i, &value);
    }
    OwnedVariant oneBased;
    (*oneBased.get()).vt = VT_ARRAY | VT_I4;
    (*oneBased.get()).parray = raw;
    Variant out;
    CHECK_EQ(h, fromVariant(*oneBased, out), S_OK);
    CHECK(h, out.integers == std::vector<std::int64_t>({10, 20, 30}));
    VARIANT none;
    VariantInit(&none);
    none.vt = VT_ARRAY | VT_BSTR;
    none.parray = nullptr;
    CHECK_EQ(h, fromVariant(none, out), S_OK);
    CHECK(h, out.texts.empty());
}

void refused(contract::Harness &h)
{
    SAFEARRAYBOUND square[2] = {{2, 0}, {2, 0}};
    OwnedVariant twoDims;
    (*twoDims.get()).vt = VT_ARRAY | VT_I4;
    (*twoDims.get()).parray = SafeArrayCreate(VT_I4, 2, square);
    OwnedVariant reals;
    (*reals.get()).vt = VT_ARRAY | VT_R8;
    (*reals.get()).parray = SafeArrayCreateVector(VT_R8, 0, 1);
    LONG target = 5;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_BYREF | VT_I4;
    byRef.plVal = &target;
    VARIANT currency;
    VariantInit(&currency);
    currency.vt = VT_CY;
    for (const VARIANT *v : {&*twoDims, &*reals, static_cast<const VARIANT *>(&byRef), static_cast<const VARIANT *>(&currency)}) {
        Variant out = Variant::bstr(L"stale");
        CHECK_EQ(h, fromVariant(*v, out), DISP_E_BADVARTYPE);
        CHECK(h, out.vt == VT_EMPTY && out.text.empty());
    }
    Variant cy;
    cy.vt = VT_CY;
    OwnedVariant v;
    CHECK_EQ(h, toVariant(cy, *v.get()), DISP_E_BADVARTYPE);
    CHECK_EQ(h, toVariant(Variant::embedded(std::make_shared<ForeignObject>()), *v.get()), E_INVALIDARG);

    PlainUnknown plain;
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = &plain;
    Variant out;
    CHECK_EQ(h, fromVariant(unknown, out), E_NOINTERFACE);
    CHECK(h, !out.object && out.vt == VT_EMPTY);
    CHECK_EQ(h, plain.m_count, 1); // nothing kept, nothing released twice
}

void embeddedObjects(contract::Harness &h)
{
    platform::windows::WindowsPlatform &p = platform::windows::instance();
    const platform::HResult init = p.coInitializeEx(platform::COINIT_MULTITHREADED);
    CHECK(h, platform::succeeded(init));
    {
        std::unique_ptr<platform::WbemLocator> locator;
        std::unique_ptr<platform::WbemServices> services;
        std::shared_ptr<platform::WbemObject> cls, in, out, params;
        CHECK_EQ(h, p.createWbemLocator(locator), S_OK);
        if (locator)
            CHECK_EQ(h, locator->connectServer(L"ROOT\\CIMV2", services), S_OK);
        if (services)
            CHECK_EQ(h, services->getObject(L"Win32_Process", cls), S_OK);
        if (cls)
            CHECK_EQ(h, cls->getMethod(L"Create", in, out), S_OK);
        if (in)
            CHECK_EQ(h, in->spawnInstance(params), S_OK);
        if (!params)
            return;
        IWbemClassObject *raw = static_cast<WmiObject &>(*params).raw();
        const ULONG base = references(raw);

        {
            OwnedVariant v;
            CHECK_EQ(h, toVariant(Variant::embedded(params), *v.get()), S_OK);
            CHECK_EQ(h, (*v).vt, VT_UNKNOWN);
            CHECK(h, (*v).punkVal == raw);
            CHECK_EQ(h, references(raw), base + 1); // the VARIANT's own reference

            Variant back;
            CHECK_EQ(h, fromVariant(*v, back), S_OK);
            CHECK_EQ(h, back.vt, VT_UNKNOWN);
            CHECK(h, back.object && static_cast<WmiObject &>(*back.object).raw() == raw);
            CHECK_EQ(h, references(raw), base + 2);
            // The read-back object is a working class object.
            Variant value;
            CHECK_EQ(h, back.object->put(L"CommandLine", Variant::bstr(L"cmd /c exit 0"), platform::CIM_STRING), S_OK);
            CHECK_EQ(h, params->get(L"CommandLine", value), S_OK);
            CHECK(h, value.text == L"cmd /c exit 0");
        }
        CHECK_EQ(h, references(raw), base); // every reference dropped exactly once

        // A null straight from the system: the signature's parameters have no value.
        Variant value;
        CHECK_EQ(h, in->get(L"CurrentDirectory", value), S_OK);
        CHECK_EQ(h, value.vt, VT_NULL);
        // Parameters made by another platform are refused before the system sees them.
        const ForeignObject foreign;
        std::shared_ptr<platform::WbemObject> result;
        CHECK_EQ(h, services->execMethod(L"Win32_Process", L"Create", 0, &foreign, result),
                 platform::hr::WbemInvalidParameter);
        CHECK(h, !result);
        const std::vector<std::wstring> names = params->propertyNames();
        bool hasCommandLine = false;
        for (const std::wstring &n : names)
            hasCommandLine = hasCommandLine || n == L"CommandLine";
        CHECK(h, hasCommandLine);
    }
    if (platform::succeeded(init))
        p.coUninitialize();
}

} // namespace

void runVariantChecks(contract::Harness &h)
{
    h.group("VARIANT scalars and text", [&] { scalars(h); });
    h.group("VARIANT 64-bit values as text", [&] { sixtyFourBits(h); });
    h.group("VARIANT nulls", [&] { nulls(h); });
    h.group("VARIANT arrays", [&] { arrays(h); });
    h.group("VARIANT types the seam refuses", [&] { refused(h); });
    h.group("VARIANT embedded objects and references", [&] { embeddedObjects(h); });
}
