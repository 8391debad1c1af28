#include "platform/program_files.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace platform {

// Paths inside the programs are UTF-8 (see wide_text.h).
std::string fullPathOf(const std::string& path) {
    const std::wstring wide = wideFromUtf8(path);
    std::vector<wchar_t> full(MAX_PATH);
    for (;;) {
        const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) return path;
        if (length < full.size()) return utf8FromWide(std::wstring_view(full.data(), length));
        full.resize(length);
    }
}

bool isExecutableFile(const std::string& path, int* errorCode) {
    int error = 0;
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    if (path.empty())
        error = ERROR_FILE_NOT_FOUND;
    else if (attributes == INVALID_FILE_ATTRIBUTES)
        error = static_cast<int>(GetLastError());
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        error = ERROR_ACCESS_DENIED;
    if (errorCode) *errorCode = error;
    return error == 0;
}

std::string findProgramOnPath(const std::string& name) {
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return {};
    char found[MAX_PATH];
    const DWORD length = SearchPathA(nullptr, name.c_str(), ".exe", sizeof found, found, nullptr);
    if (length == 0 || length >= sizeof found) return {};
    return std::string(found, length);
}

}  // namespace platform
