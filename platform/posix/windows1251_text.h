// Windows-1251 text for Linux's UTF-8 world: the console and the desktop.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Windows-1251 bytes as UTF-8. A byte the code page leaves unassigned (0x98)
// shows as U+FFFD instead of ending the text.
std::string windows1251ToUtf8(std::string_view text);

}  // namespace platform
