// Windows-1251 text and UTF-8: the Linux console and desktop show the
// directory's names as UTF-8, and a directory saved as UTF-8 is taken in as
// Windows-1251. Tables of our own: no converter of the system is needed.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Windows-1251 bytes as UTF-8. A byte the code page leaves unassigned (0x98)
// shows as U+FFFD instead of ending the text.
std::string windows1251ToUtf8(std::string_view text);

// UTF-8 as Windows-1251 bytes into `out`. False when the text is no
// well-formed UTF-8 (overlong forms and surrogates included) or holds a
// character that Windows-1251 has no byte for; `at` is then the offset in
// `text` where that character starts.
bool utf8ToWindows1251(std::string_view text, std::string& out, size_t& at);

}  // namespace platform
