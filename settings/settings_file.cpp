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
    return SettingsSnapshot(settingsPath).trackersFilePath();
}

const std::string& SettingsSnapshot::value(const char* key) const {
    auto found = values_.find(std::string_view(key));
    if (found == values_.end()) found = values_.emplace(key, readProfileString(kSection, key, "", file_)).first;
    return found->second;
}

bool SettingsSnapshot::is(const char* key, const char* word) const {
    return platform::equalsIgnoringAsciiCase(value(key), word);
}

std::string SettingsSnapshot::trackersFilePath() const {
    const std::string& name = value(kTrackersFile);
    if (name.empty()) return name;
    return platform::profileFilePath(platform::directoryOf(path()), name);
}

const platform::ProfileFile& SettingsSnapshot::directory() const {
    if (!directory_) directory_.emplace(trackersFilePath());
    return *directory_;
}

}  // namespace settings
