// The desktop's default program per file type, the folders its program
// entries lie in, and running a helper program to its end. Linux only: on
// Windows the results are empty and nothing is run.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The desktop entry id that `xdg-mime query default` names for the type;
// "" when none, or when xdg-mime is not installed.
std::string defaultDesktopEntry(const std::string& mimeType);

// The folders where program entries lie, the user's first, each ending in a
// separator: the user's data folder, every folder of XDG_DATA_DIRS, then the
// flatpak export folders of the user and of the system (each + "applications/").
std::vector<std::string> applicationFolders();

// Runs `argv` (argv[0] searched on PATH) with this process's output and
// waits for it. Its exit code, or -1 when it could not be run.
int runToCompletion(const std::vector<std::string>& argv);

}  // namespace platform
