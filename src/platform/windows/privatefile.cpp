#include "platform/privatefile.h"
#include "platform/windows/widetext.h"

#include <windows.h>

#include <sddl.h>

#include <algorithm>


namespace platform {

namespace {

std::wstring wide(const std::string &utf8) { return windows::wideText(utf8, CP_UTF8); }

// The current user's SID as text ("S-1-5-21-..."), empty when the token cannot be read.
std::wstring userSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::wstring();
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::wstring text;
    std::string buffer(size, '\0');
    if (size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        LPWSTR sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    CloseHandle(token);
    return text;
}

} // namespace

std::unique_ptr<PrivateFile> PrivateFile::createAt(const std::string &pathUtf8, std::uint32_t &error)
{
    // CREATE_NEW fails on any existing name, a link included; write sharing is denied from the start.
    const HANDLE h = CreateFileW(wide(pathUtf8).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    std::unique_ptr<PrivateFile> file(new PrivateFile);
    file->m_path = pathUtf8;
    file->m_handle = reinterpret_cast<std::intptr_t>(h);
    return file;
}

std::unique_ptr<PrivateFile> PrivateFile::create(const std::string &parentUtf8, const std::string &stem,
                                                 std::uint32_t &error)
{
    const std::wstring sid = userSid();
    if (sid.empty()) {
        error = GetLastError();
        return nullptr;
    }
    // Protected (no inherited entries): full control for SYSTEM and this user, nobody else.
    const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;" + sid + L")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        error = GetLastError();
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
    std::string folder;
    error = ERROR_ALREADY_EXISTS;
    // A name somebody took first is never used: try another.
    for (int attempt = 0; attempt < 8 && folder.empty(); ++attempt) {
        const std::string candidate = parentUtf8 + "\\tessaline-" + randomHex();
        if (CreateDirectoryW(wide(candidate).c_str(), &attributes))
            folder = candidate;
        else if ((error = GetLastError()) != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(descriptor);
    if (folder.empty())
        return nullptr;
    std::unique_ptr<PrivateFile> file = createAt(folder + "\\" + stem + "-" + randomHex() + ".txt", error);
    if (!file) {
        RemoveDirectoryW(wide(folder).c_str());
        return nullptr;
    }
    file->m_folder = folder;
    return file;
}

bool PrivateFile::write(const std::string &bytes)
{
    HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        if (!WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    // Hand over to a read-only handle that still denies writing: a tool that opens the script
    // for reading with read sharing only then succeeds, and nobody can open it for writing. The
    // bridge handle shares writing only with our own writer, which is closed before it goes.
    const std::wstring path = wide(m_path);
    const HANDLE bridge = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (bridge == INVALID_HANDLE_VALUE)
        return true; // the writer keeps holding it
    CloseHandle(h);
    const HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    CloseHandle(bridge);
    m_handle = reinterpret_cast<std::intptr_t>(reader);
    // Somebody opened it for writing in between: its content can no longer be trusted.
    return reader != INVALID_HANDLE_VALUE;
}

PrivateFile::~PrivateFile()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    if (m_keep)
        return;
    DeleteFileW(wide(m_path).c_str());
    if (!m_folder.empty())
        RemoveDirectoryW(wide(m_folder).c_str());
}

} // namespace platform
