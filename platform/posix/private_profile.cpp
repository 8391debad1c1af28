#include "platform/private_profile.h"

// Placeholder until the INI reader and writer land: every read gives the default.
namespace platform {

std::string getPrivateProfileString(const char*, const char*, const char* defaultValue, const char*,
                                    size_t bufferSize) {
    std::string value = defaultValue ? defaultValue : "";
    if (value.size() >= bufferSize) value.resize(bufferSize - 1);
    return value;
}

int getPrivateProfileInt(const char*, const char*, int defaultValue, const char*) { return defaultValue; }

bool writePrivateProfileString(const char*, const char*, const char*, const char*) { return false; }

std::string profileFilePath(const std::string& settingsDirectory, const std::string& name) {
    return !name.empty() && name[0] != '/' ? settingsDirectory + name : name;
}

}  // namespace platform
