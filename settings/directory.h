// Lookups in the retracker directory, an INI file in Windows-1251 that lists
// cities, the providers of each city and the retracker URLs of each pair.
// A lookup given a path reads the file anew; lookups given one
// platform::ProfileFile share its read, and listedCities reads it once for
// all. Numbers are 1-based keys; the key of a
// number is its decimalString, so "01" or "+1" is no number's key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/private_profile.h"

// Name of city `city` from section "Город"; empty when there is none.
std::string cityName(const platform::ProfileFile& directory, int32_t city);

// Name of provider `provider` from section "Провайдеры <city>"; empty when none.
std::string providerName(const platform::ProfileFile& directory, const std::string& city, int32_t provider);

// "Ретрекеры <city> <provider>".
std::string retrackerSection(const std::string& city, const std::string& provider);

// The section's "Количество"; 0 when the section or the key is missing.
int32_t retrackerCount(const platform::ProfileFile& directory, const std::string& section);

// URL of retracker `number` in the section; empty when none.
std::string retrackerUrl(const platform::ProfileFile& directory, const std::string& section, int32_t number);

struct NumberedUrl {
    int32_t number;
    std::string url;
};

// The retrackers of the section numbered `lowest` to `highest`, ascending,
// with non-empty URLs only: the same as retrackerUrl for each number in the
// range, but from one read of the section, whatever the range's size.
std::vector<NumberedUrl> retrackerUrls(const platform::ProfileFile& directory, const std::string& section,
                                       int32_t lowest, int32_t highest);

struct NumberedName {
    int32_t number;
    std::string name;
};

// The numbered keys of a section with non-empty values, ascending: the
// cities of citySection(), the providers of providerSection(city), the
// retrackers of a retracker section. Other keys are left out.
std::vector<NumberedName> numberedNames(const platform::ProfileFile& directory, const std::string& section);

struct ListedCity {
    NumberedName city;
    std::vector<NumberedName> providers;  // as numberedNames of providerSection(city)
};

// The cities of citySection(), each with its providers, as numberedNames
// gives them, from one read of the file: linear in its size.
std::vector<ListedCity> listedCities(const std::string& directory);

// "Город", "Провайдеры <city>" and "Количество", as Windows-1251 bytes.
std::string citySection();
std::string providerSection(const std::string& city);
std::string countKey();
