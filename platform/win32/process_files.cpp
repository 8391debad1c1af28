#include "platform/process_files.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/wide_text.h"

// The C runtime's splitter of the wide command line (msvcrt.dll exports it;
// the mingw-w64 import library provides it for the newer runtime too).
struct StartupInfo {
    int newMode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expandWildcards,
                              StartupInfo* startup);

namespace platform {

namespace {

// MAX_PATH is where the buffers start; longer paths (\\?\ names, long-path
// aware systems) get a buffer sized from what the system asked for.
constexpr DWORD kFirstPathBuffer = MAX_PATH;
// The largest path the wide functions accept.
constexpr DWORD kLongestPath = 32768;

std::wstring moduleFileName() {
    std::vector<wchar_t> buffer(kFirstPathBuffer);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        // A name that fills the whole buffer was cut: try again with more room.
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        if (buffer.size() >= kLongestPath) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring fullPathName(const std::wstring& path) {
    std::vector<wchar_t> buffer(kFirstPathBuffer);
    for (;;) {
        DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (length == 0) return {};
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
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
    std::wstring module = moduleFileName();
    return module.empty() ? std::string() : utf8FromWide(fullPathName(module));
}

std::string directoryOf(const std::string& path) { return path.substr(0, fileNameStart(path)); }

std::string fileNameOf(const std::string& path) { return path.substr(fileNameStart(path)); }

bool isAbsolutePath(const std::string& path) {
    auto slash = [](char c) { return c == '\\' || c == '/'; };
    // C:\x and \\server\share\x; \x and C:x still depend on the current drive or directory.
    if (path.size() >= 3 && path[1] == ':' && slash(path[2])) return true;
    return path.size() >= 2 && slash(path[0]) && slash(path[1]);
}

CommandLineArguments::CommandLineArguments(int, char**) {
    // The runtime's own splitting of the wide command line: the rules the
    // narrow argv follows, without the loss of characters outside the ANSI
    // code page.
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** environment = nullptr;
    StartupInfo startup{};
    if (__wgetmainargs(&argc, &argv, &environment, 0, &startup) == 0 && argv) {
        for (int i = 0; i < argc; ++i) arguments_.push_back(utf8FromWide(argv[i]));
    }
    for (auto& argument : arguments_) pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);
}

std::string pathForLog(const std::string& path) {
    std::string ansi;
    return ansiFromWide(wideFromUtf8(path), ansi) ? ansi : path;
}

int invalidPathCode() { return ERROR_INVALID_NAME; }

std::FILE* openLogForAppend(const std::string& path) {
    // Text mode: every "\n" reaches the disk as CR LF.
    return _wfopen(wideFromUtf8(path).c_str(), L"at");
}

}  // namespace platform

namespace platform {

bool keepToOwner(const std::string&) { return true; }

}  // namespace platform
