#include "platform/consoletext.h"
#include "platform/windows/widetext.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace platform {

std::string encodeConsoleText(const std::wstring &text, std::uint32_t codePage)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string(text.size(), '?');
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage)
{
    return windows::wideText(bytes, codePage);
}

void writeStandardStream(std::FILE *stream, const std::string &bytes)
{
    _setmode(_fileno(stream), _O_BINARY);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

} // namespace platform
