#include "platform/process_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string executablePath() {
    char* resolved = realpath("/proc/self/exe", nullptr);
    if (!resolved) return {};
    std::string path(resolved);
    std::free(resolved);
    return path;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::FILE* openLogForAppend(const std::string& path) {
    // "e": O_CLOEXEC, so the client started later does not inherit the log.
    return std::fopen(path.c_str(), "ae");
}

namespace {

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

ReplaceResult replaceFile(const std::string& path, const char* data, size_t size) {
    std::string temporary = directoryOf(path) + "." + fileNameOf(path) + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return {false, errno};
    // Keep the target's permission bits when it exists; a new file gets the
    // usual 0666 less the umask, as fopen would give it.
    struct stat existing;
    mode_t mode;
    if (stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0 && writeAll(fd, data, size) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return {false, error};
    }
    return {true, 0};
}

}  // namespace platform
