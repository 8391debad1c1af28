#include "platform/process_files.h"

#include <cerrno>
#include <cstdlib>
#include <string>

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
    // "e": O_CLOEXEC, so the client started later does not inherit the log.
    return std::fopen(path.c_str(), "ae");
}

}  // namespace platform
