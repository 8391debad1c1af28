#include "settings/settings_file.h"

#include <limits>

#include "platform/private_profile.h"
#include "platform/process_files.h"
#include "settings/profile.h"

namespace settings {

namespace {

bool isScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "%d": leading white space, an optional sign, at least one digit.
bool scanNumber(std::string_view text, size_t& at, int32_t& value) {
    size_t i = at;
    while (i < text.size() && isScanSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t digits = i;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = magnitude * 10 + (text[i++] - '0');
        if (magnitude > kLimit) return false;
    }
    if (i == digits) return false;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(signedValue);
    at = i;
    return true;
}

}  // namespace

void scanTrackerIniIndex(std::string_view text, int32_t& first, int32_t& second) {
    size_t at = 0;
    if (scanNumber(text, at, first)) scanNumber(text, at, second);
}

int32_t directoryNumber(int32_t index) {
    // Wraps instead of overflowing for the largest index; such a number names no key anyway.
    return static_cast<int32_t>(static_cast<uint32_t>(index) + 1u);
}

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
