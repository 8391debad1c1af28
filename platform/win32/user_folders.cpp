#include "platform/user_folders.h"

#include <windows.h>

namespace platform {

// Windows programs keep Settings.ini, the log and the written torrents beside
// themselves, in a folder the user owns; there are no per-user folders to use.
std::optional<UserFolders> userFolders() { return std::nullopt; }

bool pathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool makeFolders(const std::string& path, unsigned) {
    for (size_t end = path.find_first_of("\\/");; end = path.find_first_of("\\/", end + 1)) {
        const std::string prefix = path.substr(0, end);
        // "C:" and "" (a leading separator) are no folders to make.
        if (!prefix.empty() && prefix.back() != ':' && !CreateDirectoryA(prefix.c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (end == std::string::npos || end + 1 == path.size()) break;
    }
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool copyToNewFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), TRUE) != 0;  // TRUE: fail when `to` exists
}

}  // namespace platform
