#pragma once

// Console output as the Windows tools write it, for the stand-ins and the simulated layer's reading: text in a console code page
// from the system's own tables (a Qt without ICU, as on Windows, knows no code pages), written
// as bytes (a Windows C runtime in text mode would turn each "\r\n" into "\r\r\n").

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// 65001 is UTF-8. A character the code page cannot show becomes '?'.
std::string encodeConsoleText(const std::wstring &text, std::uint32_t codePage);
// The other way, for reading a tool's output; a byte the code page does not define becomes U+FFFD.
std::wstring decodeConsoleText(const std::string &bytes, std::uint32_t codePage);
// Writes and flushes `bytes` unchanged to stdout or stderr.
void writeStandardStream(std::FILE *stream, const std::string &bytes);

} // namespace platform
