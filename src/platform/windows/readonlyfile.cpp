#include "platform/readonlyfile.h"
#include "platform/windows/widetext.h"

#include <windows.h>

namespace platform {

namespace {

// FILETIME counts 100 ns steps since 1601.
constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

std::int64_t nanoseconds(std::int64_t fileTime) { return (fileTime - kUnixEpochIn100ns) * 100; }

std::int64_t nanoseconds(const FILETIME &t)
{
    return nanoseconds(std::int64_t((std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime));
}

} // namespace

std::unique_ptr<ReadOnlyFile> ReadOnlyFile::open(const std::string &utf8Path, std::uint32_t &error)
{
    // Every sharing mode: the writers replace the file by renaming over it while readers hold it.
    const HANDLE opened = CreateFileW(windows::wideText(utf8Path, CP_UTF8).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    const auto failed = [&error] {
        error = GetLastError();
        return nullptr;
    };
    if (opened == INVALID_HANDLE_VALUE)
        return failed();
    std::unique_ptr<void, decltype(&CloseHandle)> owned(opened, CloseHandle);
    const HANDLE h = owned.get();
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandle(h, &info) || !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return failed();
    std::unique_ptr<ReadOnlyFile> file(new ReadOnlyFile);
    file->m_handle = reinterpret_cast<std::intptr_t>(owned.release());
    file->m_stamp.volume = info.dwVolumeSerialNumber;
    file->m_stamp.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    file->m_stamp.size = std::int64_t((std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    file->m_stamp.modifiedNs = nanoseconds(info.ftLastWriteTime);
    file->m_stamp.changedNs = nanoseconds(basic.ChangeTime.QuadPart);
    return file;
}

// Only open() makes one, always with an open handle.
ReadOnlyFile::~ReadOnlyFile() { CloseHandle(reinterpret_cast<HANDLE>(m_handle)); }

bool ReadOnlyFile::readAll(std::string &bytes, std::uint32_t &error)
{
    bytes.clear();
    bytes.reserve(std::size_t(m_stamp.size));
    char chunk[65536];
    for (;;) {
        DWORD n{};
        if (!ReadFile(reinterpret_cast<HANDLE>(m_handle), chunk, sizeof chunk, &n, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (n == 0)
            return true;
        bytes.append(chunk, n);
    }
}

std::int64_t fileClockNowNs()
{
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return nanoseconds(now);
}

std::string describeFileError(std::uint32_t error)
{
    wchar_t *text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                       | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring message = n ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.'))
        message.pop_back();
    return windows::narrowText(message, CP_UTF8);
}

} // namespace platform
