#include "platform/consoletext.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

std::string encodeConsoleText(const std::wstring &text, std::uint32_t codePage)
{
    const std::string name = codePage == 65001 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
    const iconv_t cd = iconv_open(name.c_str(), "WCHAR_T");
    if (cd == iconv_t(-1))
        return std::string(text.size(), '?');
    std::string out;
    std::wstring in = text;
    char *from = reinterpret_cast<char *>(in.data());
    std::size_t left = in.size() * sizeof(wchar_t);
    char buffer[1024];
    while (left > 0) {
        char *to = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t rc = iconv(cd, &from, &left, &to, &room);
        out.append(buffer, std::size_t(to - buffer));
        if (rc == std::size_t(-1) && errno != E2BIG) { // not in the code page
            out += '?';
            from += sizeof(wchar_t);
            left -= sizeof(wchar_t);
        }
    }
    iconv_close(cd);
    return out;
}

void writeStandardStream(std::FILE *stream, const std::string &bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

} // namespace platform
