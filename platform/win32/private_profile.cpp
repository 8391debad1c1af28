#include "platform/private_profile.h"

#include <windows.h>

#include <vector>

// The system's own private-profile functions, ANSI forms, bytes passed through.
namespace platform {

std::string getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    const char* file, size_t bufferSize) {
    if (bufferSize == 0) return {};
    // The buffer is the caller's size (the system cuts the value to size - 1);
    // a DWORD cannot say more than 4 GiB, and no value is that long anyway.
    const DWORD size = bufferSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(bufferSize);
    std::vector<char> buffer(size, '\0');
    DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file);
    if (length >= size) length = size - 1;
    buffer[length] = '\0';
    // The value is the text up to its first NUL.
    return std::string(buffer.data());
}

int getPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

bool writePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

std::string profileFilePath(const std::string&, const std::string& name) {
    // The profile functions resolve a name themselves: a bare file name in the
    // Windows directory, anything else relative to the current directory.
    return name;
}

}  // namespace platform
