#include "settings/directory.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "numbers/decimal.h"
#include "platform/ascii_text.h"
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

namespace {

std::vector<NumberedName> numberedEntries(std::vector<platform::ProfileEntry>& entries) {
    std::vector<NumberedName> names;
    for (platform::ProfileEntry& entry : entries) {
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

// A section name as the profile functions take it: without surrounding spaces.
std::string_view trimmedSectionName(std::string_view name) {
    const size_t begin = name.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return name.substr(begin, name.find_last_not_of(' ') - begin + 1);
}

// Section names match with their ASCII letters folded.
std::string foldedSectionName(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = platform::lowerAscii(c);
    return folded;
}

}  // namespace

std::vector<NumberedName> numberedNames(const platform::ProfileFile& directory, const std::string& section) {
    std::vector<platform::ProfileEntry> entries = readProfileEntries(section, directory);
    return numberedEntries(entries);
}

std::vector<ListedCity> listedCities(const std::string& directory) {
    // Only the city section and the provider sections are kept; the
    // retracker sections, most of the file, are passed over.
    const std::string cityHeader = foldedSectionName(citySection());
    const std::string providerPrefix = foldedSectionName(providerSection(""));
    std::vector<platform::ProfileSection> sections = readProfileSections(directory, [&](std::string_view name) {
        return platform::equalsIgnoringAsciiCase(name, cityHeader) ||
               (name.size() > providerPrefix.size() &&
                platform::equalsIgnoringAsciiCase(name.substr(0, providerPrefix.size()), providerPrefix));
    });
    std::unordered_map<std::string, size_t> byName;
    for (size_t i = 0; i < sections.size(); ++i) byName.emplace(foldedSectionName(sections[i].name), i);
    auto namesOf = [&](const std::string& section) {
        const auto found = byName.find(foldedSectionName(section));
        return found == byName.end() ? std::vector<NumberedName>() : numberedEntries(sections[found->second].entries);
    };
    std::vector<ListedCity> cities;
    for (NumberedName& city : namesOf(citySection())) {
        // Names the profile functions are given lose their surrounding spaces.
        std::vector<NumberedName> providers = namesOf(std::string(trimmedSectionName(providerSection(city.name))));
        cities.push_back({std::move(city), std::move(providers)});
    }
    return cities;
}

std::string citySection() { return kCitySection; }

std::string providerSection(const std::string& city) { return kProvidersPrefix + city; }

std::string countKey() { return kCountKey; }
