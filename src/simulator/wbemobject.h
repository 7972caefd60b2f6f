#pragma once

// IWbemClassObject as the simulated provider hands it out: an instance, a class object with
// method signatures, or a parameter object. Every property has a declared CIM type; values
// are kept in the variant form Windows delivers for that type (uint64 as decimal VT_BSTR,
// uint32/sint32/uint16 as VT_I4, char16/sint16 as VT_I2, boolean as VT_BOOL).

#include "platform/platform.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

constexpr std::int32_t CIM_FLAG_ARRAY = 0x2000;

class SimObject : public platform::WbemObject
{
public:
    enum class Kind { Instance, Class, Parameters };

    SimObject(Kind kind, const QString &className) : m_kind(kind), m_className(className) {}

    // Declares a property with its CIM type (| CIM_FLAG_ARRAY for arrays) and a value that
    // is already in the delivered form; a default variant declares it null.
    void declare(const QString &name, std::int32_t cimType, const platform::Variant &value = platform::Variant::null());
    void declareMethod(const QString &name, std::shared_ptr<SimObject> in, std::shared_ptr<SimObject> out);

    Kind kind() const { return m_kind; }
    QString className() const { return m_className; }
    bool has(const QString &name) const { return find(name) != nullptr; }
    std::int32_t cimTypeOf(const QString &name) const;

    platform::HResult get(const std::wstring &name, platform::Variant &value) const override;
    platform::HResult put(const std::wstring &name, const platform::Variant &value, std::int32_t cimType) override;
    std::vector<std::wstring> propertyNames() const override;
    platform::HResult getMethod(const std::wstring &name, std::shared_ptr<platform::WbemObject> &inSignature,
                                std::shared_ptr<platform::WbemObject> &outSignature) const override;
    platform::HResult spawnInstance(std::shared_ptr<platform::WbemObject> &instance) const override;

    // Lets "wmi.put" faults of the machine file at `machinePath` fail puts on this object and
    // on the signatures and parameter objects that come from it. `scope` is "Class" on a
    // class object; signatures extend it to "Class.Method".
    void setFaultScope(const QString &machinePath, const QString &scope);

    // A copy holding only the named properties (case-insensitive) and the system ones.
    std::shared_ptr<SimObject> projected(const std::vector<QString> &names) const;

    // Converts a value to the delivered form of `cimType`; WBEM_E_TYPE_MISMATCH when it
    // cannot stand for that type.
    static platform::HResult convert(std::int32_t cimType, const platform::Variant &in, platform::Variant *out);

private:
    struct Property
    {
        QString name;
        std::int32_t cimType = 0;
        platform::Variant value;
    };
    const Property *find(const QString &name) const;
    Property *find(const QString &name);

    Kind m_kind;
    QString m_className;
    QString m_faultPath;
    QString m_faultScope;
    std::vector<Property> m_properties;
    struct Method
    {
        QString name;
        std::shared_ptr<SimObject> in, out;
    };
    std::map<QString, Method> m_methods; // by lower-case name
};

// Readers for method parameters, whatever object implementation carries them.
bool paramPresent(const platform::WbemObject *params, const wchar_t *name);
std::optional<qint64> paramInteger(const platform::WbemObject *params, const wchar_t *name);
std::optional<bool> paramBool(const platform::WbemObject *params, const wchar_t *name);
std::optional<QString> paramText(const platform::WbemObject *params, const wchar_t *name);

inline std::wstring ws(const QString &s) { return s.toStdWString(); }
inline QString qs(const std::wstring &s) { return QString::fromStdWString(s); }

} // namespace sim
