#include "platform/program_files.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string fullPathOf(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char* current = getcwd(nullptr, 0);
    if (!current) return path;
    std::string full(current);
    std::free(current);
    if (full.back() != '/') full += '/';
    return full + path;
}

bool isExecutableFile(const std::string& path, int* errorCode) {
    int error = 0;
    struct stat status {};
    if (path.empty())
        error = ENOENT;
    else if (stat(path.c_str(), &status) != 0)
        error = errno;
    else if (!S_ISREG(status.st_mode) || access(path.c_str(), X_OK) != 0)
        error = EACCES;
    if (errorCode) *errorCode = error;
    return error == 0;
}

std::string findProgramOnPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos) return {};
    const char* path = std::getenv("PATH");
    if (!path) return {};
    std::string_view rest(path);
    while (true) {
        const size_t colon = rest.find(':');
        std::string directory(rest.substr(0, colon));
        // An empty entry means the current directory, which is never a place
        // a started program should come from.
        if (!directory.empty()) {
            if (directory.back() != '/') directory += '/';
            if (isExecutableFile(directory + name)) return directory + name;
        }
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace platform
