#include "settings/directory.h"

#include <algorithm>

#include "numbers/decimal.h"
#include "settings/profile.h"

namespace {
// The directory is stored in Windows-1251; its section prefixes and count key
// are written here as those bytes so nothing depends on this file's encoding.
constexpr const char* kCitySection = "\xC3\xEE\xF0\xEE\xE4";  // "Город"
constexpr const char* kProvidersPrefix =
    "\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB ";  // "Провайдеры "
constexpr const char* kRetrackersPrefix = "\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB ";  // "Ретрекеры "
constexpr const char* kCountKey = "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE";  // "Количество"
}  // namespace

std::string cityName(const platform::ProfileFile& directory, int32_t city) {
    return readProfileString(citySection(), decimalString(city), "", directory);
}

std::string providerName(const platform::ProfileFile& directory, const std::string& city, int32_t provider) {
    return readProfileString(providerSection(city), decimalString(provider), "", directory);
}

std::string retrackerSection(const std::string& city, const std::string& provider) {
    return kRetrackersPrefix + city + " " + provider;
}

int32_t retrackerCount(const platform::ProfileFile& directory, const std::string& section) {
    return readProfileInt(section, kCountKey, 0, directory);
}

std::string retrackerUrl(const platform::ProfileFile& directory, const std::string& section, int32_t number) {
    return readProfileString(section, decimalString(number), "", directory);
}

std::vector<NumberedUrl> retrackerUrls(const platform::ProfileFile& directory, const std::string& section,
                                       int32_t lowest, int32_t highest) {
    std::vector<NumberedUrl> urls;
    for (NumberedName& entry : numberedNames(directory, section))
        if (entry.number >= lowest && entry.number <= highest) urls.push_back({entry.number, std::move(entry.name)});
    return urls;
}

std::vector<NumberedName> numberedNames(const platform::ProfileFile& directory, const std::string& section) {
    std::vector<NumberedName> names;
    for (platform::ProfileEntry& entry : readProfileEntries(section, directory)) {
        int32_t number;
        if (entry.value.empty() || !numbers::readCanonicalInt32(entry.name, number)) continue;
        names.push_back({number, std::move(entry.value)});
    }
    // A repeated key gives the same value each time; one entry per number stays.
    std::stable_sort(names.begin(), names.end(), [](const NumberedName& a, const NumberedName& b) {
        return a.number < b.number;
    });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const NumberedName& a, const NumberedName& b) { return a.number == b.number; }),
                names.end());
    return names;
}

std::string citySection() { return kCitySection; }

std::string providerSection(const std::string& city) { return kProvidersPrefix + city; }

std::string countKey() { return kCountKey; }
