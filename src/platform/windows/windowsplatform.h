#pragma once

// The real Windows behind the seam: COM and WMI, the Win32 volume and process calls, the
// version and the administrator check. Durations are real: the time scale is the identity.

#include "platform/platform.h"

namespace platform {
namespace windows {

class WindowsPlatform : public Platform
{
public:
    HResult coInitializeEx(std::uint32_t coinit) override;
    void coUninitialize() override;
    HResult coInitializeSecurity(std::int32_t authnSvcCount, std::uint32_t authnLevel, std::uint32_t impLevel,
                                 std::uint32_t capabilities) override;
    HResult createWbemLocator(std::unique_ptr<WbemLocator> &locator) override;

    // The GUI framework has put the GUI thread in the single-threaded apartment before main();
    // this adds one more initialisation of the same kind (S_FALSE), which the caller balances
    // with one coUninitialize() like any other.
    HResult enterGuiThreadApartment() override;
    // The code page console tools write in: the console's, or the OEM code page when the
    // process has no console.
    std::uint32_t consoleOutputCodePage() override;
    std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage) override;

    std::uint32_t getLogicalDrives() override;
    std::uint32_t getDriveType(const std::wstring &root) override;
    bool getVolumeInformation(const std::wstring &root, std::wstring *volumeName, std::size_t volumeNameSize,
                              std::uint32_t *serialNumber, std::wstring *fileSystemName,
                              std::size_t fileSystemNameSize) override;
    bool getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *freeBytesToCaller, std::uint64_t *totalBytes,
                            std::uint64_t *totalFreeBytes) override;
    std::vector<std::wstring> mountedDriveRoots() override;
    bool setVolumeLabel(const std::wstring &root, const std::wstring &label) override;
    std::uint32_t lastError() const override;

    std::wstring toolPath(Tool tool) override;
    std::wstring resolveProgram(const std::wstring &program) override;
    // The program of the command line is resolved first, so "cmd" and "diskpart" run from the
    // system directory and never from the application's or the current directory.
    NativeRunResult runHidden(const std::wstring &commandLine, std::uint32_t creationFlags,
                              std::uint32_t realTimeoutMs) override;

    WindowsVersion windowsVersion() override;
    bool isUserAdmin() override;

    int scaledMs(int nominalMs) override;
    void sleepMs(int nominalMs) override;
};

// The one instance of the process.
WindowsPlatform &instance();

// The folder of the running executable, without a trailing backslash.
std::wstring executableDirectory();

} // namespace windows
} // namespace platform
