// Keswel: probes the retrackers of the user's city and provider and stores
// the numbers of those that accepted a connection as TrackerCheck in
// Settings.ini beside the executable. Options (probe/keswel_options.h) list
// the directory, choose city and provider, and check the setup.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net.h"
#include "probe/tracker_probe.h"
#include "settings/settings_file.h"

// The run. Returns the exit code: 0 after a complete run (also when no
// retracker answered), 1 when the city, the provider or a non-zero
// retracker count cannot be found, when the network layer could not start
// or no retracker could be tried because the network is unreachable, when
// TrackerCheck could not be stored (also when TrackerIniIndex changed while
// probing: the result then belongs to no stored choice), or after one
// "Keswel failed: ..." line when the run threw (out of memory, say);
// Settings.ini is then as it was or holds the complete new value.
int keswelMain(int argc, char** argv);

// Starts the network layer, as platform::netStartup does; tests put a failing
// one in.
using NetworkStart = std::function<bool(int* errorCode)>;

// The probe of a run without arguments: starts the network (one line and 1
// when it cannot), resolves the directory section, probes, cleans the network
// up and stores TrackerCheck; when not one retracker could even be tried for
// want of a network, one line and 1, and TrackerCheck is left as it was.
// Returns the exit code as keswelMain gives it.
int probeAndStore(const settings::RunPaths& run, const NetworkStart& startNetwork = platform::netStartup);

enum class ProbeStore { Stored, IndexChanged, Failed };

// Stores `trackerCheck` as TrackerCheck only while TrackerIniIndex still
// reads as `probedIndex`, the value the probe started from (on Linux checked
// and written under the settings lock). IndexChanged leaves the file as it is.
// With `localHosts` given, LocalHosts is written with it in the same write
// (left out when both it and the stored value are empty).
ProbeStore storeTrackerCheck(const std::string& settingsPath, const std::string& probedIndex,
                             const std::string& trackerCheck, const std::string* localHosts = nullptr);

// The LocalHosts value of a finished probe: "host=address" for the host of
// every connected entry whose address came from the name servers directly,
// each host once, joined by single spaces.
std::string localHostsList(const std::vector<TrackerProbe>& probes);

// The TrackerCheck list: the numbers joined by single spaces ("" for none).
std::string trackerCheckList(const std::vector<int32_t>& reachableNumbers);
