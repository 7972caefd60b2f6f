#include "platform/consoletext.h"
#include "platform/windows/widetext.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace platform {

std::string encodeConsoleText(const std::wstring &text, std::uint32_t codePage)
{
    const std::string bytes = windows::narrowText(text, codePage);
    return bytes.empty() ? std::string(text.size(), '?') : bytes;
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
