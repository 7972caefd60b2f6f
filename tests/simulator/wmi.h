#pragma once

// Short hands for driving the simulated WMI through the platform seam in tests.

#include "platform/platform.h"

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace wmi {

using Object = std::shared_ptr<platform::WbemObject>;
using Services = std::unique_ptr<platform::WbemServices>;
using Params = std::vector<std::pair<std::string, platform::Variant>>;

inline const QString kStorage = QStringLiteral("ROOT\\Microsoft\\Windows\\Storage");
inline const QString kCimv2 = QStringLiteral("ROOT\\CIMV2");

inline std::wstring w(const QString &s) { return s.toStdWString(); }

inline platform::HResult connect(const QString &ns, Services &services)
{
    std::unique_ptr<platform::WbemLocator> locator;
    const platform::HResult hr = platform::current().createWbemLocator(locator);
    return platform::failed(hr) ? hr : locator->connectServer(w(ns), services);
}

inline Services open(const QString &ns = kStorage)
{
    Services s;
    connect(ns, s);
    return s;
}

inline std::vector<Object> query(platform::WbemServices &s, const QString &wql, platform::HResult *result = nullptr)
{
    std::vector<Object> out;
    std::unique_ptr<platform::WbemEnumerator> e;
    const platform::HResult hr = s.execQuery(L"WQL", w(wql), 48, e);
    if (result)
        *result = hr;
    Object o;
    while (platform::succeeded(hr) && e->next(platform::WBEM_INFINITE, o) == platform::hr::Ok)
        out.push_back(o);
    return out;
}

inline platform::Variant get(const platform::WbemObject &o, const char *name)
{
    platform::Variant v;
    if (platform::failed(o.get(w(QLatin1String(name)), v)))
        v.vt = 0xFFFF; // marks "no such property"
    return v;
}

inline QString text(const platform::WbemObject &o, const char *name) { return QString::fromStdWString(get(o, name).text); }

// A uint64 as it arrives: decimal text.
inline qint64 u64(const platform::WbemObject &o, const char *name)
{
    const platform::Variant v = get(o, name);
    return v.vt == platform::VT_BSTR ? QString::fromStdWString(v.text).toLongLong() : -1;
}

inline Object partition(platform::WbemServices &s, int disk, int number)
{
    const auto all = query(s, QStringLiteral("SELECT * FROM MSFT_Partition WHERE DiskNumber = %1 AND PartitionNumber = %2")
                                  .arg(disk).arg(number));
    return all.empty() ? nullptr : all.front();
}

inline Object disk(platform::WbemServices &s, int number)
{
    const auto all = query(s, QStringLiteral("SELECT * FROM MSFT_Disk WHERE Number = %1").arg(number));
    return all.empty() ? nullptr : all.front();
}

struct Call
{
    platform::HResult hr = platform::hr::Fail;
    Object out;
    int returnValue() const { return out ? get(*out, "ReturnValue").lVal() : -1; }
};

// The storage manager's call convention: class object, signature, spawned parameters, put
// with type 0, ExecMethod on the instance's __PATH.
inline Call call(platform::WbemServices &s, const platform::WbemObject &target, const char *method, const Params &params = {})
{
    Call c;
    Object cls, inSig, outSig, in;
    c.hr = s.getObject(get(target, "__CLASS").text, cls);
    if (platform::succeeded(c.hr))
        c.hr = cls->getMethod(w(QLatin1String(method)), inSig, outSig);
    if (platform::failed(c.hr))
        return c;
    if (inSig)
        inSig->spawnInstance(in);
    for (const auto &p : params)
        if (platform::failed(c.hr = in->put(w(QString::fromStdString(p.first)), p.second, 0)))
            return c;
    c.hr = s.execMethod(get(target, "__PATH").text, w(QLatin1String(method)), 0, in.get(), c.out);
    return c;
}

inline platform::Variant bstr(const QString &s) { return platform::Variant::bstr(w(s)); }
inline platform::Variant u64v(qint64 v) { return platform::Variant::bstr(std::to_wstring(v)); }

} // namespace wmi
