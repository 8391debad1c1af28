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

namespace {

// Removes the temporary file unless it was renamed over the target.
struct TemporaryFile {
    std::string path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool keep = false;
    ~TemporaryFile() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        if (!keep && !path.empty()) DeleteFileA(path.c_str());
    }
};

// Creates a new file beside `target` whose name no other file has.
bool createTemporaryBeside(const std::string& target, TemporaryFile& temporary, DWORD& error) {
    static unsigned counter = 0;
    const std::string stem = directoryOf(target) + "." + fileNameOf(target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
                                "-" + std::to_string(counter++) + ".tmp";
        HANDLE handle = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            temporary.path = candidate;
            temporary.handle = handle;
            return true;
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool writeAll(HANDLE handle, const char* data, size_t size) {
    while (size > 0) {
        // WriteFile takes at most a DWORD at a time.
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr)) return false;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

ReplaceResult replaceFile(const std::string& path, const char* data, size_t size) {
    TemporaryFile temporary;
    DWORD error = 0;
    if (!createTemporaryBeside(path, temporary, error)) return {false, static_cast<int>(error)};
    if (!writeAll(temporary.handle, data, size) || !FlushFileBuffers(temporary.handle)) {
        return {false, static_cast<int>(GetLastError())};
    }
    CloseHandle(temporary.handle);
    temporary.handle = INVALID_HANDLE_VALUE;
    if (!MoveFileExA(temporary.path.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {false, static_cast<int>(GetLastError())};
    }
    temporary.keep = true;
    return {true, 0};
}

}  // namespace platform
