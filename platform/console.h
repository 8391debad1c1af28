// Console output of Keswel. Texts are Windows-1251 bytes.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Windows: both console code pages set to the ANSI code page. Linux: notes
// whether the locale's character set (LC_CTYPE from the environment) is UTF-8.
void setupConsole();

// Writes the bytes to standard output: on Linux with a UTF-8 locale converted
// from Windows-1251 to UTF-8, otherwise unchanged.
void consoleWrite(std::string_view text);

// UTF-8 text from elsewhere (a BitTorrent client's torrent names) in the
// single-byte form consoleWrite takes: Windows-1251 on Linux, the ANSI code
// page on Windows. A character that form lacks, or a byte that is not
// UTF-8, becomes "?".
std::string consoleTextFromUtf8(std::string_view text);

}  // namespace platform
