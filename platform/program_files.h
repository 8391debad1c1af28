// Programs on disk: finding one, telling whether a path names one, and the
// full form of a path. No OS header is included here.
#pragma once

#include <string>

namespace platform {

// The path made independent of the current directory (GetFullPathNameA on
// Windows; the current directory prefixed on Linux, nothing resolved).
// Unchanged when it already is, or when the system cannot tell.
std::string fullPathOf(const std::string& path);

// True when `path` names a regular file this user may start. Otherwise false
// with `errorCode` (when given) the system's reason: errno or GetLastError();
// a file that exists but cannot be started gives EACCES or
// ERROR_ACCESS_DENIED.
bool isExecutableFile(const std::string& path, int* errorCode = nullptr);

// The full path of program `name` found in the directories of PATH as the
// system's program search finds it (with ".exe" tried on Windows); "" when
// there is none. A name holding a separator is not searched for.
std::string findProgramOnPath(const std::string& name);

}  // namespace platform
