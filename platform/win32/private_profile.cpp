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

std::vector<ProfileEntry> getPrivateProfileEntries(const char* section, const char* file, size_t bufferSize) {
    // A null key asks for the section's key names, each ended by a NUL; a
    // list that did not fit comes back with the length size - 2.
    constexpr size_t kLargestList = size_t{1} << 30;
    std::vector<char> names(4096, '\0');
    DWORD length = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(names.size());
        length = GetPrivateProfileStringA(section, nullptr, "", names.data(), size, file);
        if (length + 2 < size || names.size() >= kLargestList) break;
        names.assign(names.size() * 2, '\0');
    }
    std::vector<ProfileEntry> entries;
    for (size_t at = 0; at < length && names[at] != '\0';) {
        std::string name(names.data() + at);
        at += name.size() + 1;
        std::string value = getPrivateProfileString(section, name.c_str(), "", file, bufferSize);
        entries.push_back({std::move(name), std::move(value)});
    }
    return entries;
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
