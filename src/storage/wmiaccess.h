#pragma once

// The storage layer's two ways of talking to WMI, written once: running a WQL query and walking
// its objects, and calling a provider method on an object path. Everything obtained from the
// seam is held by smart pointers, so every exit path releases it.

#include "platform/platform.h"

#include <QString>

#include <functional>
#include <memory>

namespace storage {

// "0x80041003": an HRESULT as 8 upper-case hexadecimal digits.
QString hresultText(platform::HResult hr);

// One object of a query, a class, a method's parameters, or an embedded object.
class WmiObject
{
public:
    WmiObject() = default;
    explicit WmiObject(std::shared_ptr<platform::WbemObject> object) : m_object(std::move(object)) {}

    bool isNull() const { return !m_object; }
    // The property's value; VT_NULL when the read fails, which the readers treat as absent.
    platform::Variant property(const QString &name) const;
    const std::shared_ptr<platform::WbemObject> &object() const { return m_object; }

private:
    std::shared_ptr<platform::WbemObject> m_object;
};

// Runs `wql` forward-only and returning immediately, and hands each object to `visit` until
// the walk ends or `visit` returns false. Returns the query's own result code.
platform::HResult runQuery(platform::WbemServices &services, const QString &wql,
                           const std::function<bool(const WmiObject &)> &visit);

// One provider method call, step by step so each caller can trace and fall back per step:
// fetchClass, fetchMethod, spawnInputs, put..., execute, then outputs().
class WmiMethodCall
{
public:
    explicit WmiMethodCall(platform::WbemServices &services) : m_services(services) {}

    platform::HResult fetchClass(const QString &className);
    // Remembers the method's name for execute(); needs fetchClass first.
    platform::HResult fetchMethod(const QString &methodName);
    platform::HResult spawnInputs();
    // cimType 0 keeps the parameter's own type.
    platform::HResult put(const QString &name, const platform::Variant &value,
                          std::int32_t cimType = platform::CIM_NONE);
    platform::HResult execute(const QString &objectPath);

    // Null when the method returned no output parameters.
    WmiObject outputs() const { return WmiObject(m_outputs); }

private:
    platform::WbemServices &m_services;
    std::shared_ptr<platform::WbemObject> m_class;
    std::shared_ptr<platform::WbemObject> m_inSignature;
    std::shared_ptr<platform::WbemObject> m_inputs;
    std::shared_ptr<platform::WbemObject> m_outputs;
    QString m_method;
};

} // namespace storage
