#include "platform/windows/windowsplatform.h"

#include "platform/windows/widetext.h"
#include "platform/windows/wmi.h"

#include <algorithm>
#include <cwctype>
#include <memory>
#include <vector>

namespace platform {
namespace windows {

namespace {

thread_local std::uint32_t t_lastError = 0;

bool failWithLastError()
{
    t_lastError = GetLastError();
    return false;
}

using Handle = std::unique_ptr<void, decltype(&CloseHandle)>;

std::wstring lowered(std::wstring s)
{
    for (wchar_t &c : s)
        c = wchar_t(std::towlower(c));
    return s;
}

std::wstring systemDirectory()
{
    std::wstring dir(GetSystemDirectoryW(nullptr, 0), wchar_t()); // its length with the terminating null
    dir.resize(GetSystemDirectoryW(dir.data(), UINT(dir.size())));
    return dir;
}

// The first token of a command line as CreateProcessW reads it (quotes only group), and where
// the rest begins. A blank line has no program.
struct LeadingProgram {
    std::wstring program;
    std::size_t restStart{};
};

LeadingProgram programOf(const std::wstring &commandLine)
{
    const std::size_t i = commandLine.find_first_not_of(L" \t");
    if (i == std::wstring::npos)
        return {};
    if (commandLine[i] == L'"') {
        const std::size_t close = commandLine.find(L'"', i + 1);
        if (close == std::wstring::npos)
            return {commandLine.substr(i + 1), commandLine.size()};
        return {commandLine.substr(i + 1, close - i - 1), close + 1};
    }
    std::size_t end = commandLine.find_first_of(L" \t", i);
    if (end == std::wstring::npos)
        end = commandLine.size();
    return {commandLine.substr(i, end - i), end};
}

using RtlGetVersionFn = LONG(WINAPI *)(OSVERSIONINFOW *);

} // namespace

std::wstring executableDirectory()
{
    // From a small buffer, so that growing it is the path every run takes, not a rare one.
    std::vector<wchar_t> buffer(16);
    DWORD n{};
    while ((n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()))) == buffer.size())
        buffer.resize(buffer.size() * 2); // truncated
    const std::wstring path(buffer.data(), n);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HResult WindowsPlatform::coInitializeEx(std::uint32_t coinit) { return CoInitializeEx(nullptr, coinit); }

void WindowsPlatform::coUninitialize() { CoUninitialize(); }

HResult WindowsPlatform::coInitializeSecurity(std::int32_t authnSvcCount, std::uint32_t authnLevel,
                                              std::uint32_t impLevel, std::uint32_t capabilities)
{
    return CoInitializeSecurity(nullptr, authnSvcCount, nullptr, nullptr, authnLevel, impLevel, nullptr,
                                capabilities, nullptr);
}

HResult WindowsPlatform::createWbemLocator(std::unique_ptr<WbemLocator> &locator)
{
    return createLocator(locator);
}

HResult WindowsPlatform::enterGuiThreadApartment() { return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

std::uint32_t WindowsPlatform::consoleOutputCodePage()
{
    const UINT cp = GetConsoleOutputCP();
    return cp != 0 ? cp : GetOEMCP();
}

std::wstring WindowsPlatform::decodeConsoleText(const std::string &bytes, std::uint32_t codePage)
{
    return wideText(bytes, codePage);
}

std::uint32_t WindowsPlatform::getLogicalDrives() { return GetLogicalDrives(); }

std::uint32_t WindowsPlatform::getDriveType(const std::wstring &root) { return GetDriveTypeW(root.c_str()); }

bool WindowsPlatform::getVolumeInformation(const std::wstring &root, std::wstring *volumeName,
                                           std::size_t volumeNameSize, std::uint32_t *serialNumber,
                                           std::wstring *fileSystemName, std::size_t fileSystemNameSize)
{
    // Win32 takes DWORD sizes (ignored without a buffer); larger requests gain nothing over the
    // largest name a volume has.
    const DWORD nameSize = DWORD(std::min<std::size_t>(volumeNameSize, 32768));
    const DWORD fsSize = DWORD(std::min<std::size_t>(fileSystemNameSize, 32768));
    // One spare character each, so a name that fills the buffer exactly can be told apart.
    std::vector<wchar_t> name(nameSize + 1), fs(fsSize + 1);
    DWORD serial{};
    if (!GetVolumeInformationW(root.c_str(), volumeName ? name.data() : nullptr, nameSize, &serial, nullptr,
                               nullptr, fileSystemName ? fs.data() : nullptr, fsSize))
        return failWithLastError();
    if (volumeName)
        *volumeName = name.data();
    if (serialNumber)
        *serialNumber = serial;
    if (fileSystemName)
        *fileSystemName = fs.data();
    return true;
}

bool WindowsPlatform::getDiskFreeSpaceEx(const std::wstring &root, std::uint64_t *freeBytesToCaller,
                                         std::uint64_t *totalBytes, std::uint64_t *totalFreeBytes)
{
    ULARGE_INTEGER toCaller{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(root.c_str(), &toCaller, &total, &totalFree))
        return failWithLastError();
    if (freeBytesToCaller)
        *freeBytesToCaller = toCaller.QuadPart;
    if (totalBytes)
        *totalBytes = total.QuadPart;
    if (totalFreeBytes)
        *totalFreeBytes = totalFree.QuadPart;
    return true;
}

std::vector<std::wstring> WindowsPlatform::mountedDriveRoots()
{
    std::vector<std::wstring> roots;
    const DWORD mask = GetLogicalDrives();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter)
        if (mask & (1u << (letter - L'A')))
            roots.push_back(std::wstring(1, letter) + L":\\");
    return roots;
}

bool WindowsPlatform::setVolumeLabel(const std::wstring &root, const std::wstring &label)
{
    // A null name removes the label; an empty one is not accepted by every file system.
    if (!SetVolumeLabelW(root.c_str(), label.empty() ? nullptr : label.c_str()))
        return failWithLastError();
    return true;
}

std::uint32_t WindowsPlatform::lastError() const { return t_lastError; }

std::wstring WindowsPlatform::toolPath(Tool tool)
{
    switch (tool) {
    case Tool::Diskpart: return systemDirectory() + L"\\diskpart.exe";
    case Tool::Cmd: return systemDirectory() + L"\\cmd.exe";
    case Tool::Fat32Format: return executableDirectory() + L"\\fat32format.exe";
    case Tool::Fsutil: return systemDirectory() + L"\\fsutil.exe";
    }
    return std::wstring();
}

std::wstring WindowsPlatform::resolveProgram(const std::wstring &program)
{
    const std::wstring name = lowered(program);
    if (name == L"diskpart.exe" || name == L"diskpart")
        return toolPath(Tool::Diskpart);
    if (name == L"cmd.exe" || name == L"cmd")
        return toolPath(Tool::Cmd);
    if (name == L"fat32format.exe" || name == L"fat32format")
        return toolPath(Tool::Fat32Format);
    if (name == L"fsutil.exe" || name == L"fsutil")
        return toolPath(Tool::Fsutil);
    return program;
}

NativeRunResult WindowsPlatform::runHidden(const std::wstring &commandLine, std::uint32_t creationFlags,
                                           std::uint32_t realTimeoutMs)
{
    NativeRunResult result;
    const LeadingProgram leading = programOf(commandLine);
    const std::wstring resolved = resolveProgram(leading.program);
    // CreateProcessW may write into the command line: it gets this copy.
    std::wstring line = resolved == leading.program ? commandLine
                                                    : L"\"" + resolved + L"\"" + commandLine.substr(leading.restStart);

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &si, &pi)) {
        result.startError = GetLastError();
        return result;
    }
    result.started = true;
    const Handle process(pi.hProcess, CloseHandle), thread(pi.hThread, CloseHandle);

    const DWORD wait = WaitForSingleObject(process.get(), realTimeoutMs);
    if (wait == WAIT_TIMEOUT) {
        TerminateProcess(process.get(), 1);
        // Termination is asynchronous: the exit code is only final once the process is gone.
        WaitForSingleObject(process.get(), 5000);
        result.wait = NativeRunResult::Wait::TimedOut;
    } else if (wait == WAIT_OBJECT_0) {
        result.wait = NativeRunResult::Wait::Finished;
    } else {
        return result; // Wait::Failed
    }
    DWORD code{};
    if (GetExitCodeProcess(process.get(), &code)) {
        result.exitCodeObtained = true;
        result.exitCode = code;
    }
    return result;
}

WindowsVersion WindowsPlatform::windowsVersion()
{
    WindowsVersion v;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const FARPROC proc = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc)
        return v;
    // Through void(*)(): the cast from FARPROC to the real signature is deliberate.
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion(&info) == 0) {
        v.major = int(info.dwMajorVersion);
        v.minor = int(info.dwMinorVersion);
    }
    return v;
}

bool WindowsPlatform::isUserAdmin()
{
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size)
           && CheckTokenMembership(nullptr, admins, &member) && member;
}

int WindowsPlatform::scaledMs(int nominalMs) { return nominalMs; }

void WindowsPlatform::sleepMs(int nominalMs)
{
    Sleep(DWORD(std::max(nominalMs, 0))); // none or less: at most a yield
}

WindowsPlatform &instance()
{
    static WindowsPlatform platform;
    return platform;
}

} // namespace windows
} // namespace platform
