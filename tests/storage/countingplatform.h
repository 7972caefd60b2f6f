#pragma once

// A platform that forwards everything to another one and counts what the storage layer asks
// of WMI: queries run, methods called, namespace connections made, and locators and connections still alive.

#include "platform/platform.h"

#include <atomic>
#include <string>

class CountingPlatform : public platform::Platform
{
public:
    explicit CountingPlatform(platform::Platform &inner) : m_inner(inner) {}

    std::atomic<int> queries{0};
    std::atomic<int> methods{0};
    // The Size input of the last method call that had one.
    std::atomic<long long> sizeValue{-1};
    std::atomic<int> connections{0};
    std::atomic<int> blankets{0};
    std::atomic<int> liveLocators{0};
    std::atomic<int> liveServices{0};
    // Locators and connections alive when COM was last initialised.
    std::atomic<int> locatorsAtCoInit{-1};
    std::atomic<int> servicesAtCoInit{-1};

    platform::HResult coInitializeEx(std::uint32_t coinit) override
    {
        locatorsAtCoInit = liveLocators.load();
        servicesAtCoInit = liveServices.load();
        return m_inner.coInitializeEx(coinit);
    }
    platform::HResult createWbemLocator(std::unique_ptr<platform::WbemLocator> &locator) override
    {
        std::unique_ptr<platform::WbemLocator> inner;
        const platform::HResult hr = m_inner.createWbemLocator(inner);
        if (inner)
            locator = std::make_unique<Locator>(std::move(inner), *this, liveLocators);
        return hr;
    }

    // Everything else goes straight through.
    void coUninitialize() override { m_inner.coUninitialize(); }
    platform::HResult coInitializeSecurity(std::int32_t count, std::uint32_t authn, std::uint32_t imp,
                                           std::uint32_t caps) override
    {
        return m_inner.coInitializeSecurity(count, authn, imp, caps);
    }
    std::uint32_t getLogicalDrives() override { return m_inner.getLogicalDrives(); }
    std::uint32_t getDriveType(const std::wstring &root) override { return m_inner.getDriveType(root); }
    bool getVolumeInformation(const std::wstring &root, std::wstring *name, std::size_t nameSize, std::uint32_t *serial,
                              std::wstring *fs, std::size_t fsSize) override
    {
        return m_inner.getVolumeInformation(root, name, nameSize, serial, fs, fsSize);
    }
    bool getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *toCaller, std::uint64_t *total,
                            std::uint64_t *totalFree) override
    {
        return m_inner.getDiskFreeSpaceEx(root, toCaller, total, totalFree);
    }
    std::vector<std::wstring> mountedDriveRoots() override { return m_inner.mountedDriveRoots(); }
    bool setVolumeLabel(const std::wstring &root, const std::wstring &label) override
    {
        return m_inner.setVolumeLabel(root, label);
    }
    std::uint32_t lastError() const override { return m_inner.lastError(); }
    std::uint32_t consoleOutputCodePage() override { return m_inner.consoleOutputCodePage(); }
    std::wstring decodeConsoleText(const std::string &b, std::uint32_t cp) override { return m_inner.decodeConsoleText(b, cp); }
    platform::HResult enterGuiThreadApartment() override { return m_inner.enterGuiThreadApartment(); }
    std::wstring toolPath(platform::Tool tool) override { return m_inner.toolPath(tool); }
    std::wstring resolveProgram(const std::wstring &program) override { return m_inner.resolveProgram(program); }
    platform::NativeRunResult runHidden(const std::wstring &line, std::uint32_t flags, std::uint32_t ms) override
    {
        return m_inner.runHidden(line, flags, ms);
    }
    platform::WindowsVersion windowsVersion() override { return m_inner.windowsVersion(); }
    bool isUserAdmin() override { return m_inner.isUserAdmin(); }
    int scaledMs(int nominalMs) override { return m_inner.scaledMs(nominalMs); }
    void sleepMs(int nominalMs) override { m_inner.sleepMs(nominalMs); }

private:
    // Counted while alive; forwards every call.
    template <typename Base>
    struct Counted : Base
    {
        Counted(std::unique_ptr<Base> inner, CountingPlatform &owner, std::atomic<int> &live)
            : m_inner(std::move(inner)), m_owner(owner), m_live(live)
        {
            ++m_live;
        }
        ~Counted() override { --m_live; }
        std::unique_ptr<Base> m_inner;
        CountingPlatform &m_owner;
        std::atomic<int> &m_live;
    };

    struct Services : Counted<platform::WbemServices>
    {
        using Counted::Counted;
        platform::HResult setProxyBlanket(std::uint32_t authn, std::uint32_t authz, std::uint32_t level,
                                          std::uint32_t imp, std::uint32_t caps) override
        {
            ++m_owner.blankets;
            return m_inner->setProxyBlanket(authn, authz, level, imp, caps);
        }
        platform::HResult execQuery(const std::wstring &language, const std::wstring &query, std::int32_t flags,
                                    std::unique_ptr<platform::WbemEnumerator> &enumerator) override
        {
            ++m_owner.queries;
            return m_inner->execQuery(language, query, flags, enumerator);
        }
        platform::HResult getObject(const std::wstring &path, std::shared_ptr<platform::WbemObject> &object) override
        {
            return m_inner->getObject(path, object);
        }
        platform::HResult execMethod(const std::wstring &path, const std::wstring &method, std::int32_t flags,
                                     const platform::WbemObject *in, std::shared_ptr<platform::WbemObject> &out) override
        {
            ++m_owner.methods;
            platform::Variant size;
            if (in && platform::succeeded(in->get(L"Size", size)) && size.vt != platform::VT_NULL) {
                m_owner.sizeValue = size.vt == platform::VT_BSTR ? std::stoll(size.text) : size.integer;
            }
            return m_inner->execMethod(path, method, flags, in, out);
        }
    };

    struct Locator : Counted<platform::WbemLocator>
    {
        using Counted::Counted;
        platform::HResult connectServer(const std::wstring &nameSpace,
                                        std::unique_ptr<platform::WbemServices> &services) override
        {
            ++m_owner.connections;
            std::unique_ptr<platform::WbemServices> inner;
            const platform::HResult hr = m_inner->connectServer(nameSpace, inner);
            if (inner)
                services = std::make_unique<Services>(std::move(inner), m_owner, m_owner.liveServices);
            return hr;
        }
    };

    platform::Platform &m_inner;
};
