#pragma once

#include <windows.h>

#include <string>

namespace platform {
namespace windows {

// Bytes in a Windows code page (CP_UTF8 for paths) as UTF-16, by the system's own tables.
inline std::wstring wideText(const std::string &bytes, unsigned codePage)
{
    if (bytes.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring text(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), text.data(), n);
    return text;
}

// UTF-16 as bytes in a Windows code page; empty when the page cannot take it.
inline std::string narrowText(const std::wstring &text, unsigned codePage)
{
    const int n = text.empty() ? 0 : WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

} // namespace windows
} // namespace platform
