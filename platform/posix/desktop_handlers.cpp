#include "platform/desktop_handlers.h"

#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/posix/base_directories.h"

extern char** environ;

namespace platform {

std::string defaultDesktopEntry(const std::string& mimeType) {
    // The type is one of ours, never user text: it needs no quoting beyond this.
    if (mimeType.find_first_of("'\\") != std::string::npos) return {};
    const std::string command = "xdg-mime query default '" + mimeType + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string id;
    char buffer[512];
    if (std::fgets(buffer, sizeof buffer, pipe)) id = buffer;
    pclose(pipe);
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r' || id.back() == ' ')) id.pop_back();
    return id;
}

std::vector<std::string> applicationFolders() {
    std::vector<std::string> folders;
    const auto base = baseDirectoriesFrom([](const char* name) { return std::getenv(name); });
    if (base) folders.push_back(base->data + "applications/");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        if (colon == std::string::npos) colon = dirs.size();
        std::string dir = dirs.substr(start, colon - start);
        if (!dir.empty() && dir[0] == '/') folders.push_back(dir + (dir.back() == '/' ? "" : "/") + "applications/");
        start = colon + 1;
    }
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        folders.push_back(std::string(home) + "/.local/share/flatpak/exports/share/applications/");
    folders.push_back("/var/lib/flatpak/exports/share/applications/");
    return folders;
}

int runToCompletion(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<char*> pointers;
    for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    std::fflush(stdout);
    pid_t child = 0;
    if (posix_spawnp(&child, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace platform
