#include "platform/process_files.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
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

CommandLineArguments::CommandLineArguments(int argc, char** argv) : arguments_(argv, argv + argc) {
    for (auto& argument : arguments_) pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
}

std::string pathForLog(const std::string& path) { return path; }

int invalidPathCode() { return EINVAL; }

std::FILE* openLogForAppend(const std::string& path) {
    // Close-on-exec, so the client started later does not inherit the log.
    // Opened without blocking: a FIFO or a socket in the log's place is no
    // log and would hold the run; a character device (/dev/null) is usable.
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat status;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* log = fdopen(fd, "a");
    if (!log) close(fd);
    return log;
}

}  // namespace platform

namespace platform {

bool keepToOwner(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return false;
    if ((status.st_mode & 077) == 0) return true;
    return ::chmod(path.c_str(), status.st_mode & 0700) == 0;
}

}  // namespace platform
