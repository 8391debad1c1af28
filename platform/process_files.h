// Where the running program lies, path pieces, and the log file. No OS header is included here.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

// Full path of the running executable (symbolic links resolved on Linux).
// Empty when the platform cannot tell.
std::string executablePath();

// The directory part of a full path, with its trailing separator.
std::string directoryOf(const std::string& path);

// The part of a path after its last separator.
std::string fileNameOf(const std::string& path);

// True for a path that does not depend on the current directory.
bool isAbsolutePath(const std::string& path);

// Opens a file for appending in text mode (CR LF line ends on Windows). On
// Linux the descriptor is close-on-exec, so a started client never holds it.
std::FILE* openLogForAppend(const std::string& path);

}  // namespace platform
