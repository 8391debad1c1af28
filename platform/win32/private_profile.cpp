// On Windows the private-profile functions are the system's own.
#include "platform/private_profile.h"

#include <windows.h>

#include <vector>

namespace platform {

std::string getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    const char* file, size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::vector<char> buffer(bufferSize, '\0');
    GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), static_cast<DWORD>(bufferSize), file);
    buffer.back() = '\0';
    return std::string(buffer.data());  // the text up to its first NUL
}

int getPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, file));
}

bool writePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

std::string profileFilePath(const std::string&, const std::string& name) { return name; }

}  // namespace platform
