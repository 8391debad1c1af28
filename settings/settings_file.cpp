#include "settings/settings_file.h"

#include "numbers/decimal.h"
#include "platform/ascii_text.h"
#include "platform/private_profile.h"
#include "platform/process_files.h"
#include "platform/user_folders.h"
#include "settings/locations.h"
#include "settings/profile.h"

namespace settings {

void scanTrackerIniIndex(std::string_view text, int32_t& first, int32_t& second) {
    size_t at = 0;
    if (numbers::scanInt32(text, at, first)) numbers::scanInt32(text, at, second);
}

int32_t directoryNumber(int32_t index) {
    // Wraps instead of overflowing for the largest index; such a number names no key anyway.
    return static_cast<int32_t>(static_cast<uint32_t>(index) + 1u);
}

std::string settingsPathFor(const std::string& executablePath) {
    return platform::directoryOf(executablePath) + kFileName;
}

RunPaths runPathsFor(const std::string& executablePath) {
    return locateRunPaths(executablePath, platform::pathExists(settingsPathFor(executablePath)),
                          platform::userFolders());
}

std::string readSetting(const std::string& settingsPath, const char* key) {
    return readProfileString(kSection, key, "", settingsPath);
}

bool settingIs(const std::string& settingsPath, const char* key, const char* word) {
    return platform::equalsIgnoringAsciiCase(readSetting(settingsPath, key), word);
}

std::string trackersFilePath(const std::string& settingsPath) {
    std::string value = readSetting(settingsPath, kTrackersFile);
    if (value.empty()) return value;
    return platform::profileFilePath(platform::directoryOf(settingsPath), value);
}

}  // namespace settings
