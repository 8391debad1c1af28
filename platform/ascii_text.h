// ASCII letter case, for keys, words and names that are matched in any case
// of their ASCII letters. Bytes from 0x80 up are left alone. No OS call.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The ASCII control bytes 0x00-0x1F and 0x7F: inside a text they end or forge
// a line, or cut a path short at the system.
inline bool isControlByte(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

}  // namespace platform
