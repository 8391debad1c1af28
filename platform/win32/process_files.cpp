#include "platform/process_files.h"

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

namespace {

// MAX_PATH is where the buffers start; longer paths (\\?\ names, long-path
// aware systems) get a buffer sized from what the system asked for.
constexpr DWORD kFirstPathBuffer = MAX_PATH;
// The largest path the wide functions accept; no ANSI path is longer.
constexpr DWORD kLongestPath = 32768;

std::string moduleFileName() {
    std::vector<char> buffer(kFirstPathBuffer);
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        // A name that fills the whole buffer was cut: try again with more room.
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= kLongestPath) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string fullPathName(const std::string& path) {
    std::vector<char> buffer(kFirstPathBuffer);
    for (;;) {
        char* filePart = nullptr;
        DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        // Too small: the result is the size needed, terminator included.
        if (length > kLongestPath) return {};
        buffer.resize(length);
    }
}

bool isSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

size_t fileNameStart(const std::string& path) {
    size_t start = path.size();
    while (start > 0 && !isSeparator(path[start - 1])) --start;
    return start;
}

}  // namespace

std::string executablePath() {
    std::string module = moduleFileName();
    return module.empty() ? module : fullPathName(module);
}

std::string directoryOf(const std::string& path) { return path.substr(0, fileNameStart(path)); }

std::string fileNameOf(const std::string& path) { return path.substr(fileNameStart(path)); }

bool isAbsolutePath(const std::string& path) {
    auto slash = [](char c) { return c == '\\' || c == '/'; };
    // C:\x and \\server\share\x; \x and C:x still depend on the current drive or directory.
    if (path.size() >= 3 && path[1] == ':' && slash(path[2])) return true;
    return path.size() >= 2 && slash(path[0]) && slash(path[1]);
}

std::FILE* openLogForAppend(const std::string& path) {
    // Text mode: every "\n" reaches the disk as CR LF.
    return std::fopen(path.c_str(), "at");
}

}  // namespace platform
