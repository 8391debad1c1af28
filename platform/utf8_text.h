// Telling UTF-8 text from single-byte text. No OS call.
#pragma once

#include <string_view>

namespace platform {

// True when the bytes are well-formed UTF-8 (ASCII alone included). Text in
// Windows-1251 with any Cyrillic letter in it almost never is.
bool isUtf8(std::string_view text);

}  // namespace platform
