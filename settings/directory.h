// Lookups in the retracker directory, an INI file in Windows-1251 that lists
// cities, the providers of each city and the retracker URLs of each pair.
// Every lookup reads the file anew. Numbers are 1-based keys.
#pragma once

#include <cstdint>
#include <string>

// Name of city `city` from section "Город"; empty when there is none.
std::string cityName(const std::string& directory, int32_t city);

// Name of provider `provider` from section "Провайдеры <city>"; empty when none.
std::string providerName(const std::string& directory, const std::string& city, int32_t provider);

// "Ретрекеры <city> <provider>".
std::string retrackerSection(const std::string& city, const std::string& provider);

// The section's "Количество"; 0 when the section or the key is missing.
int32_t retrackerCount(const std::string& directory, const std::string& section);

// URL of retracker `number` in the section; empty when none.
std::string retrackerUrl(const std::string& directory, const std::string& section, int32_t number);
