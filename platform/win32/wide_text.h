// Conversions at the edge of the Windows system calls. Inside the programs a
// path is UTF-8; the wide (UTF-16) calls take it converted. Texts read from
// INI files stay in the ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);

// ANSI code page bytes and UTF-16.
std::wstring wideFromAnsi(std::string_view text);
// UTF-16 of text that mixes UTF-8 with ANSI code page bytes: each
// well-formed UTF-8 sequence read as UTF-8, every other byte in the ANSI
// code page. A character neither can give becomes "?".
std::wstring wideFromUtf8OrAnsi(std::string_view text);

// False when a character has no byte form in the ANSI code page (no
// best-fit replacement is made); `ansi` is then left empty.
bool ansiFromWide(std::wstring_view text, std::string& ansi);

}  // namespace platform
