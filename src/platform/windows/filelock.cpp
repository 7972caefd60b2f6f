#include "platform/filelock.h"

#include <windows.h>

#include <vector>

namespace platform {

FileLock::FileLock(const std::string &utf8Path, bool exclusive)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return;
    std::vector<wchar_t> path(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, path.data(), n);
    const HANDLE h = CreateFileW(path.data(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED whole{};
    if (!LockFileEx(h, exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0, 0, MAXDWORD, MAXDWORD, &whole)) {
        CloseHandle(h);
        return;
    }
    m_handle = reinterpret_cast<std::intptr_t>(h);
}

FileLock::~FileLock()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

} // namespace platform
