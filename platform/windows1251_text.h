// Windows-1251 text: the directory's names reach a Linux console in the
// locale's character set and the log and the desktop in UTF-8, and a directory
// saved as UTF-8 is taken in as Windows-1251. Tables of our own rather than
// the C library's converter, which a statically linked program cannot load.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The character sets a console can be given; anything else is shown as ASCII.
enum class Charset { Ascii, Utf8, Koi8r, Windows1251 };

// The set a codeset name stands for ("UTF-8", "utf8", "KOI8-R", "CP1251",
// "windows-1251", in any case); Ascii for every other name.
Charset charsetNamed(std::string_view codeset);

// Windows-1251 bytes as UTF-8. A byte the code page leaves unassigned (0x98)
// shows as U+FFFD instead of ending the text.
std::string windows1251ToUtf8(std::string_view text);

// Windows-1251 bytes, or UTF-8 text, in the given set; a character the set
// cannot show becomes "?" (one per character). Bytes of malformed UTF-8 each
// become "?" too.
std::string windows1251ToCharset(std::string_view text, Charset charset);
std::string utf8ToCharset(std::string_view text, Charset charset);

// UTF-8 as Windows-1251 bytes into `out`. False when the text is no
// well-formed UTF-8 (overlong forms and surrogates included) or holds a
// character that Windows-1251 has no byte for; `at` is then the offset in
// `text` where that character starts.
bool utf8ToWindows1251(std::string_view text, std::string& out, size_t& at);

}  // namespace platform
