// The road both programs take from Settings.ini through the retracker
// directory: TrackerIniIndex gives the city and provider numbers, the
// directory their names, the retracker section of the pair and its count.
// Each program words the failures in its own way.
#pragma once

#include <cstdint>
#include <string>

namespace settings {

enum class DirectoryFailure {
    None,
    BadIndex,      // TrackerIniIndex left a -1 (only with IndexCheck::RejectUnset)
    BadCity,       // no city of that number
    BadProvider,   // the city has no provider of that number
    NoRetrackers,  // the pair's retracker section is missing or its count is 0
};

// How TrackerIniIndex is judged. Both indices are preset to -1 and scanned
// as "%d %d"; one program stops when either is still -1, the other lets the
// directory lookups judge every value.
enum class IndexCheck { RejectUnset, LookupOnly };

// What the road found. On a failure the fields up to it are filled, so the
// failure can be worded: the numbers for BadCity and BadProvider, the names
// for BadProvider and NoRetrackers.
struct DirectoryChoice {
    DirectoryFailure failure = DirectoryFailure::None;
    int32_t city = 0;       // 1-based city number (index plus 1)
    int32_t provider = 0;   // 1-based provider number
    std::string directory;  // the directory file, as TrackersFile names it
    std::string cityName;
    std::string providerName;
    std::string section;    // "Ретрекеры <city> <provider>"
    int32_t count = 0;      // the section's "Количество"; not 0 when resolved
};

class SettingsSnapshot;

// Reads TrackerIniIndex and TrackersFile from the settings and follows the
// road, stopping at the first failure. The path form reads the files for
// this call alone.
DirectoryChoice chooseDirectorySection(const SettingsSnapshot& settings, IndexCheck check);
DirectoryChoice chooseDirectorySection(const std::string& settingsPath, IndexCheck check);

}  // namespace settings
