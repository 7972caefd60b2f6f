#pragma once

// Script files no other program can swap before a tool reads them. Each lives in a folder the
// process makes for itself (mode 0700; on Windows a DACL that grants only the user and SYSTEM),
// under a random name created exclusively: an existing file or link of that name fails the
// creation, and a link is never followed. Plain C++, so both platform layers share it.

#include <cstdint>
#include <memory>
#include <random>
#include <string>

namespace platform {

class PrivateFile
{
public:
    // A fresh folder below `parentUtf8`, and in it a file named `stem`, a random part and ".txt".
    // Null when either cannot be made; `error` is then errno or GetLastError.
    static std::unique_ptr<PrivateFile> create(const std::string &parentUtf8, const std::string &stem,
                                               std::uint32_t &error);
    // Exactly this file, created exclusively (no folder of its own).
    static std::unique_ptr<PrivateFile> createAt(const std::string &pathUtf8, std::uint32_t &error);

    // Closes the file and removes it and its folder, unless kept.
    ~PrivateFile();
    PrivateFile(const PrivateFile &) = delete;
    PrivateFile &operator=(const PrivateFile &) = delete;

    const std::string &path() const { return m_path; }
    // Writes the whole content once. The file then stays open for reading only and, where the
    // system has share modes, with writing denied to everyone until it is destroyed.
    bool write(const std::string &bytes);
    // Leaves the file and its folder behind (for inspection).
    void keep() { m_keep = true; }

private:
    PrivateFile() = default;
    std::string m_path;
    std::string m_folder; // empty for createAt
    std::intptr_t m_handle = -1;
    bool m_keep = false;
};

// 16 random hexadecimal digits from the system's random source.
inline std::string randomHex()
{
    std::random_device source;
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t v = source();
        for (int j = 0; j < 4; ++j, v >>= 4)
            out += digits[v & 0xF];
    }
    return out;
}

} // namespace platform
