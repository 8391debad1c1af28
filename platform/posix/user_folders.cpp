#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/base_directories.h"

namespace platform {

std::optional<UserFolders> userFolders() {
    return baseDirectoriesFrom([](const char* name) -> const char* { return std::getenv(name); });
}

bool pathExists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

bool makeFolders(const std::string& path, unsigned mode) {
    // Each prefix ending before a separator, then the whole path.
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!prefix.empty() && mkdir(prefix.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
        if (end == std::string::npos || end + 1 == path.size()) break;
    }
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool copyToNewFile(const std::string& from, const std::string& to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    // O_EXCL: when the other program made the file first, its file stays.
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        close(in);
        return false;
    }
    bool ok = true;
    char buffer[8192];
    for (;;) {
        ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) ok = false;
            else done += put;
        }
        if (!ok) break;
    }
    close(in);
    if (close(out) != 0) ok = false;
    if (!ok) unlink(to.c_str());
    return ok;
}

}  // namespace platform
