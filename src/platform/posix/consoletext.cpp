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

std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage)
{
    const std::string name = codePage == 65001 ? std::string("UTF-8") : "CP" + std::to_string(codePage);
    const iconv_t cd = iconv_open("WCHAR_T", name.c_str());
    if (cd == iconv_t(-1))
        return std::wstring(bytes.size(), L'\uFFFD');
    std::wstring text;
    std::string in = bytes;
    char *from = in.data();
    std::size_t left = in.size();
    wchar_t buffer[256];
    while (left > 0) {
        char *to = reinterpret_cast<char *>(buffer);
        std::size_t room = sizeof buffer;
        const std::size_t rc = iconv(cd, &from, &left, &to, &room);
        text.append(buffer, std::size_t(reinterpret_cast<wchar_t *>(to) - buffer));
        if (rc == std::size_t(-1) && errno != E2BIG) { // a byte the code page does not define
            text += L'\uFFFD';
            ++from;
            --left;
        }
    }
    iconv_close(cd);
    return text;
}

void writeStandardStream(std::FILE *stream, const std::string &bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

} // namespace platform
