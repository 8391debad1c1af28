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

std::string profileFilePath(const std::string& settingsDirectory, const std::string& name) {
    // The profile functions look for a bare file name in the Windows
    // directory. A directory file lying beside Settings.ini is taken first, so
    // an unpacked folder works as it is; a setup that keeps the file in the
    // Windows directory goes on working, since the name is then passed on.
    if (!name.empty() && name.find_first_of("\\/:") == std::string::npos) {
        const std::string beside = settingsDirectory + name;
        const DWORD attributes = GetFileAttributesA(beside.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return beside;
    }
    return name;
}

}  // namespace platform
