#pragma once

// A platform that forwards everything to another one and counts what the storage layer asks
// of WMI: queries run, namespace connections made, and locators and connections still alive.

#include "platform/platform.h"

#include <atomic>

class CountingPlatform : public platform::Platform
{
public:
    explicit CountingPlatform(platform::Platform &inner) : m_inner(inner) {}

    std::atomic<int> queries{0};
    std::atomic<int> connections{0};
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
    void coUninitialize() override { m_inner.coUninitialize(); }
    platform::HResult coInitializeSecurity(std::int32_t authnSvcCount, std::uint32_t authnLevel, std::uint32_t impLevel,
                                           std::uint32_t capabilities) override
    {
        return m_inner.coInitializeSecurity(authnSvcCount, authnLevel, impLevel, capabilities);
    }
    platform::HResult createWbemLocator(std::unique_ptr<platform::WbemLocator> &locator) override
    {
        std::unique_ptr<platform::WbemLocator> inner;
        const platform::HResult hr = m_inner.createWbemLocator(inner);
        if (inner)
            locator = std::make_unique<Locator>(std::move(inner), *this);
        return hr;
    }

    std::uint32_t getLogicalDrives() override { return m_inner.getLogicalDrives(); }
    std::uint32_t getDriveType(const std::wstring &root) override { return m_inner.getDriveType(root); }
    bool getVolumeInformation(const std::wstring &root, std::wstring *volumeName, std::size_t volumeNameSize,
                              std::uint32_t *serialNumber, std::wstring *fileSystemName,
                              std::size_t fileSystemNameSize) override
    {
        return m_inner.getVolumeInformation(root, volumeName, volumeNameSize, serialNumber, fileSystemName,
                                            fileSystemNameSize);
    }
    bool getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *freeBytesToCaller, std::uint64_t *totalBytes,
                            std::uint64_t *totalFreeBytes) override
    {
        return m_inner.getDiskFreeSpaceEx(root, freeBytesToCaller, totalBytes, totalFreeBytes);
    }
    std::vector<std::wstring> mountedDriveRoots() override { return m_inner.mountedDriveRoots(); }
    std::uint32_t lastError() const override { return m_inner.lastError(); }
    std::wstring toolPath(platform::Tool tool) override { return m_inner.toolPath(tool); }
    std::wstring resolveProgram(const std::wstring &program) override { return m_inner.resolveProgram(program); }
    platform::NativeRunResult runHidden(const std::wstring &commandLine, std::uint32_t creationFlags,
                                        std::uint32_t realTimeoutMs) override
    {
        return m_inner.runHidden(commandLine, creationFlags, realTimeoutMs);
    }
    platform::WindowsVersion windowsVersion() override { return m_inner.windowsVersion(); }
    bool isUserAdmin() override { return m_inner.isUserAdmin(); }
    int scaledMs(int nominalMs) override { return m_inner.scaledMs(nominalMs); }
    void sleepMs(int nominalMs) override { m_inner.sleepMs(nominalMs); }

private:
    class Services : public platform::WbemServices
    {
    public:
        Services(std::unique_ptr<platform::WbemServices> inner, CountingPlatform &owner)
            : m_inner(std::move(inner)), m_owner(owner)
        {
            ++m_owner.liveServices;
        }
        ~Services() override { --m_owner.liveServices; }
        platform::HResult setProxyBlanket(std::uint32_t authnSvc, std::uint32_t authzSvc, std::uint32_t authnLevel,
                                          std::uint32_t impLevel, std::uint32_t capabilities) override
        {
            return m_inner->setProxyBlanket(authnSvc, authzSvc, authnLevel, impLevel, capabilities);
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
        platform::HResult execMethod(const std::wstring &objectPath, const std::wstring &method, std::int32_t flags,
                                     const platform::WbemObject *inParams,
                                     std::shared_ptr<platform::WbemObject> &outParams) override
        {
            return m_inner->execMethod(objectPath, method, flags, inParams, outParams);
        }

    private:
        std::unique_ptr<platform::WbemServices> m_inner;
        CountingPlatform &m_owner;
    };

    class Locator : public platform::WbemLocator
    {
    public:
        Locator(std::unique_ptr<platform::WbemLocator> inner, CountingPlatform &owner)
            : m_inner(std::move(inner)), m_owner(owner)
        {
            ++m_owner.liveLocators;
        }
        ~Locator() override { --m_owner.liveLocators; }
        platform::HResult connectServer(const std::wstring &nameSpace,
                                        std::unique_ptr<platform::WbemServices> &services) override
        {
            ++m_owner.connections;
            std::unique_ptr<platform::WbemServices> inner;
            const platform::HResult hr = m_inner->connectServer(nameSpace, inner);
            if (inner)
                services = std::make_unique<Services>(std::move(inner), m_owner);
            return hr;
        }

    private:
        std::unique_ptr<platform::WbemLocator> m_inner;
        CountingPlatform &m_owner;
    };

    platform::Platform &m_inner;
};
