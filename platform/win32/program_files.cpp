#include "platform/program_files.h"

#include <windows.h>

namespace platform {

std::string fullPathOf(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return path;
    return std::string(full, length);
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
