// Settings.ini: where it lies and the keys of its section "Settings".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/private_profile.h"

namespace settings {

constexpr const char* kFileName = "Settings.ini";
constexpr const char* kSection = "Settings";

constexpr const char* kTrackersFile = "TrackersFile";        // path of the retracker directory
constexpr const char* kTrackerIniIndex = "TrackerIniIndex";  // "city provider", both 0-based
constexpr const char* kTrackerCheck = "TrackerCheck";        // live retracker numbers, ended by " 0"
// "host=address ...": the addresses Keswel found for ".local" retracker
// hosts by asking the name servers directly; Tavrin puts them in place of the names.
constexpr const char* kLocalHosts = "LocalHosts";
// "city provider city provider ...", 1-based as --list shows them: the
// providers the last keswel --detect found when it found several; --choose shows them first.
constexpr const char* kDetectedProviders = "DetectedProviders";
constexpr const char* kAddStat = "AddStat";                  // "True" (any case) adds the statistics query
constexpr const char* kAddToPrivate = "AddToPrivate";        // "True" (any case) adds retrackers to private torrents too
constexpr const char* kLaunchPath = "LaunchPath";            // the BitTorrent client's executable
constexpr const char* kLaunchArguments = "LaunchArguments";  // its argument template; "%1" is the torrent
constexpr const char* kLaunchOnFailure = "LaunchOnFailure";  // "True": the client still starts when the step fails
constexpr const char* kClientRpc = "ClientRpc";                // "transmission" or "qbittorrent": Keswel adds to its torrents
constexpr const char* kClientRpcUrl = "ClientRpcUrl";          // the client's RPC address; "" for its default
constexpr const char* kClientRpcUser = "ClientRpcUser";        // its login
constexpr const char* kClientRpcPassword = "ClientRpcPassword";
constexpr const char* kNotify = "Notify";                    // "False": no desktop notice of a failure

// Settings.ini beside the executable whose full path is given.
std::string settingsPathFor(const std::string& executablePath);

// Where one run of either program stands, found once at its start and handed
// to every step that reads settings or writes files (see settings/locations.h).
struct RunPaths {
    std::string executableDirectory;  // with its trailing separator
    std::string settingsPath;         // Settings.ini
    std::string logPath;              // Tavrin.log
    std::string outputDirectory;      // where written torrents go, with its trailing separator
    bool inUserFolders = false;       // false in portable mode: everything beside the executable
    std::string sampleDirectory;      // installed samples for a first Settings.ini; "" in portable mode or when unknown
};
// The paths of a run of the executable at `executablePath`: portable mode
// when Settings.ini lies beside it, the user's folders otherwise.
RunPaths runPathsFor(const std::string& executablePath);

// Settings.ini as one run sees it, with the retracker directory it names:
// Settings.ini is read at the first lookup and the directory at its first
// lookup, each once (on Windows, where the system reads the file, each key is
// asked for once). Changes to either file after that go unseen by the run.
class SettingsSnapshot {
public:
    explicit SettingsSnapshot(std::string settingsPath) : file_(std::move(settingsPath)) {}
    const std::string& path() const { return file_.path(); }

    // A key of section "Settings", "" when absent; as readSetting.
    const std::string& value(const char* key) const;
    // True when the key's value is `word` in any ASCII letter case.
    bool is(const char* key, const char* word) const;
    // The retracker directory named by TrackersFile, as trackersFilePath gives it.
    std::string trackersFilePath() const;
    // The file trackersFilePath() names, for the directory lookups.
    const platform::ProfileFile& directory() const;

private:
    platform::ProfileFile file_;
    mutable std::map<std::string, std::string, std::less<>> values_;
    mutable std::optional<platform::ProfileFile> directory_;
};

// A key of section "Settings", "" when absent.
std::string readSetting(const std::string& settingsPath, const char* key);

// True when the key's value is `word` in any ASCII letter case.
bool settingIs(const std::string& settingsPath, const char* key, const char* word);

// The retracker directory named by TrackersFile, as a path to read.
std::string trackersFilePath(const std::string& settingsPath);

// TrackerIniIndex as "%d %d" scans it: each number is stored as it is read and
// scanning stops at the first that does not read; numbers not read keep
// their value. A number outside the 32-bit range ends the scan like a
// non-number, instead of giving an undefined value.
void scanTrackerIniIndex(std::string_view text, int32_t& city, int32_t& provider);

// The 1-based directory number of a 0-based index from TrackerIniIndex.
int32_t directoryNumber(int32_t index);

}  // namespace settings
