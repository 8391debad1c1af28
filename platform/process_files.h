// Where the running program lies, path pieces, and the log file. No OS header is included here.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Paths are byte strings; on Windows they are UTF-8 and reach the system
// through its wide (UTF-16) calls.

// Full path of the running executable (symbolic links resolved on Linux).
// Empty when the platform cannot tell.
std::string executablePath();

// The directory part of a full path, with its trailing separator.
std::string directoryOf(const std::string& path);

// The part of a path after its last separator.
std::string fileNameOf(const std::string& path);

// True for a path that does not depend on the current directory.
bool isAbsolutePath(const std::string& path);

// The program's arguments, program name first, as the C runtime splits the
// command line. Windows: the wide command line split by the runtime's own
// rules and each argument converted to UTF-8, so a name outside the ANSI code
// page arrives intact (`argc` and `argv` are not used). Linux: argv as given.
class CommandLineArguments {
public:
    CommandLineArguments(int argc, char** argv);
    int count() const { return static_cast<int>(pointers_.size()) - 1; }
    // Null-terminated, like argv; valid while this object lives.
    char** vector() { return pointers_.data(); }

private:
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
};

// A path as it is written into a log line. Windows: in the ANSI code page
// when every character fits, else left in UTF-8. Linux: unchanged.
std::string pathForLog(const std::string& path);

// The system's error number for a path that names no file the program may
// read (EINVAL; Windows: ERROR_INVALID_NAME), for a log line.
int invalidPathCode();

// Opens a file for appending in text mode (CR LF line ends on Windows). On
// Linux the descriptor is close-on-exec, so a started client never holds it,
// and a FIFO or a socket at `path` counts as a file that cannot be opened
// (null, at once); a character device such as /dev/null is used as it is.
std::FILE* openLogForAppend(const std::string& path);

// Takes the group's and others' rights from a file that holds a password
// (Linux: mode 0600 or less). Windows: nothing (the user's folders are the
// user's already). False when the mode could not be changed.
bool keepToOwner(const std::string& path);

}  // namespace platform
