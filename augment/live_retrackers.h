// Which retrackers Tavrin adds: the user's city and provider from
// Settings.ini, their retracker section in the directory, and of its
// retrackers those that TrackerCheck lists as live. Knows nothing of
// torrents, so any caller that adds retrackers to something can use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/directory_choice.h"
#include "settings/settings_file.h"
#include "settings/wording.h"

// A retracker URL that contains this host name gets the statistics query
// appended when AddStat is on.
constexpr const char* kStatisticsHost = "stat.retracker.local";

// A host name and the address to use in its place.
struct LocalHost {
    std::string host;
    std::string address;
};

// The pairs of a LocalHosts value: "host=address" separated by spaces. A pair
// without a host, or whose address holds anything but hex digits, '.' and
// ':', is skipped, so no value can change more of a URL than its host.
std::vector<LocalHost> parseLocalHosts(std::string_view value);

// The URL with its host replaced by the address of the first pair naming it
// (ASCII letter case ignored); scheme, port, path and query kept, an IPv6
// address in brackets. Unchanged when no pair names its host.
std::string withLocalAddress(const std::string& url, const std::vector<LocalHost>& localHosts);

struct LiveRetrackers {
    settings::DirectoryChoice choice;  // choice.failure None when resolved
    std::vector<std::string> urls;     // in TrackerCheck order, repeats kept
    bool addStatistics = false;        // AddStat is "True" in any letter case
    std::vector<LocalHost> localHosts;  // from LocalHosts
};

// Follows the road with TrackerIniIndex checked for -1, then reads
// TrackerCheck and AddStat. The URLs are those of the listed numbers that are
// not above the count and have a non-empty key; the directory is read once
// for all of them. On a failure only `choice` is filled.
LiveRetrackers resolveLiveRetrackers(const settings::SettingsSnapshot& settings);

// Tavrin's log line for a failed choice: "Bad city or provider", "Bad city
// %d", "Bad provider %d for city %s" or "No active retrackers for provider
// %s, city %s", in the wording's language. Empty for DirectoryFailure::None.
std::string failureLine(const settings::DirectoryChoice& choice,
                        const settings::Wording& wording = settings::logWording());

// Appends the numbers of a TrackerCheck value to the list: numbers separated
// by spaces, up to the first 0 or anything that is not a number.
void parseTrackerCheck(const char* text, std::vector<int32_t>& list);

// The live list of a TrackerCheck value as read from Settings.ini. A value
// of the full read length may have been cut inside its last number, so
// unless it ends in a space that last number is left out.
std::vector<int32_t> liveNumbers(std::string_view trackerCheck);

// The live URLs as they are added to a torrent or a link: each naming
// kStatisticsHost gets, when AddStat is on, the statistics query
// "?name=<name>&size=<size>&comment=<comment>&isp=<city>+<provider>" with
// name and comment encoded by urlEncode. Then each host that LocalHosts
// names is replaced by its address (withLocalAddress).
std::vector<std::string> urlsToAdd(const LiveRetrackers& live, const std::string& name, int64_t size,
                                   const std::string& comment);

// Bytes A-Z, a-z, 0-9 and "." stay; every other byte becomes "%" and two
// lower-case hex digits.
std::string urlEncode(const std::string& bytes);
