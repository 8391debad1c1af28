#include "settings/settings_file.h"

#include "platform/private_profile.h"
#include "platform/process_files.h"
#include "settings/profile.h"

namespace settings {

std::string settingsPathFor(const std::string& executablePath) {
    return platform::directoryOf(executablePath) + kFileName;
}

std::string readSetting(const std::string& settingsPath, const char* key) {
    return readProfileString(kSection, key, "", settingsPath);
}

std::string trackersFilePath(const std::string& settingsPath) {
    std::string value = readSetting(settingsPath, kTrackersFile);
    if (value.empty()) return value;
    return platform::profileFilePath(platform::directoryOf(settingsPath), value);
}

}  // namespace settings
