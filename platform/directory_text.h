// The directory's names (Windows-1251 bytes) as they are written to Tavrin's
// log and to the other texts that quote them outside the console.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Linux: converted to UTF-8, the encoding of the paths and of the desktop
// beside them. Windows: unchanged, in the ANSI code page like the paths.
std::string directoryTextForLog(std::string_view windows1251);

}  // namespace platform
