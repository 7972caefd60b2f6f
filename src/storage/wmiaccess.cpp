#include "wmiaccess.h"

using namespace platform;

namespace storage {

QString hresultText(HResult hr)
{
    return QStringLiteral("0x")
        + QString::number(static_cast<quint32>(hr), 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

Variant WmiObject::property(const QString &name) const
{
    Variant value;
    if (!m_object || failed(m_object->get(name.toStdWString(), value)))
        return Variant::null();
    return value;
}

HResult runQuery(WbemServices &services, const QString &wql, const std::function<bool(const WmiObject &)> &visit)
{
    std::unique_ptr<WbemEnumerator> enumerator;
    const HResult hr = services.execQuery(L"WQL", wql.toStdWString(),
                                          WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, enumerator);
    if (failed(hr))
        return hr;
    if (!enumerator)
        return hr;
    for (;;) {
        std::shared_ptr<WbemObject> object;
        enumerator->next(WBEM_INFINITE, object);
        if (!object)
            break;
        if (!visit(WmiObject(std::move(object))))
            break;
    }
    return hr;
}

HResult WmiMethodCall::fetchClass(const QString &className)
{
    m_class.reset();
    const HResult hr = m_services.getObject(className.toStdWString(), m_class);
    if (succeeded(hr) && !m_class)
        return hr::Fail;
    return hr;
}

HResult WmiMethodCall::fetchMethod(const QString &methodName)
{
    m_inSignature.reset();
    if (!m_class)
        return hr::Fail;
    std::shared_ptr<WbemObject> outSignature;
    const HResult hr = m_class->getMethod(methodName.toStdWString(), m_inSignature, outSignature);
    if (succeeded(hr))
        m_method = methodName;
    return hr;
}

HResult WmiMethodCall::spawnInputs()
{
    m_inputs.reset();
    if (!m_inSignature)
        return hr::Fail;
    const HResult hr = m_inSignature->spawnInstance(m_inputs);
    if (succeeded(hr) && !m_inputs)
        return hr::Fail;
    return hr;
}

HResult WmiMethodCall::put(const QString &name, const Variant &value, std::int32_t cimType)
{
    if (!m_inputs)
        return hr::Fail;
    return m_inputs->put(name.toStdWString(), value, cimType);
}

HResult WmiMethodCall::execute(const QString &objectPath)
{
    m_outputs.reset();
    if (m_method.isEmpty())
        return hr::Fail;
    return m_services.execMethod(objectPath.toStdWString(), m_method.toStdWString(), 0, m_inputs.get(), m_outputs);
}

} // namespace storage
