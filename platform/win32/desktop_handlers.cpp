#include "platform/desktop_handlers.h"

namespace platform {

// Windows keeps its handlers in the registry, set by the installer.
std::string defaultDesktopEntry(const std::string&) { return {}; }

std::vector<std::string> applicationFolders() { return {}; }

int runToCompletion(const std::vector<std::string>&) { return -1; }

}  // namespace platform
