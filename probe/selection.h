// Choosing city and provider by name: the directory's lists, the questions of
// --choose and the stored TrackerIniIndex. Names are printed as Keswel's
// other lines are (probe/console_print).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "probe/keswel.h"
#include "settings/directory.h"
#include "settings/settings_file.h"

// Reads one line of input without its line end; false at the end of input.
using LineReader = std::function<bool(std::string&)>;

// A LineReader over standard input.
LineReader standardInputLines();

// The cities of the directory with their providers, from one read of it
// (`directory` is set to its path), or an empty list after the line that says why.
std::vector<ListedCity> listedCitiesOrCause(const settings::RunPaths& run, std::string& directory);

// Stores the city and provider as --select does, then probes them as a plain
// run does; the exit code of that run, or 1 with one line when the choice
// cannot be stored.
int storeAndProbe(const settings::RunPaths& run, const NumberedName& city, const NumberedName& provider,
                  const NetworkStart& startNetwork);

// --list: every city, and under it its providers, with the directory's
// numbers; "*" marks the current TrackerIniIndex. 0, or 1 after one line
// naming the cause when the directory lists no city.
int listDirectory(const settings::RunPaths& run);

// --choose: asks for a city, then a provider, by number, until the answer is
// a listed one; an empty answer or the end of input ends with exit code 0
// and changes nothing. Then as selectAndProbe.
int chooseAndProbe(const settings::RunPaths& run, const LineReader& input,
                   const NetworkStart& startNetwork = platform::netStartup);

// --select: stores city `city` and provider `provider` (1-based, as listed)
// as TrackerIniIndex through the byte-preserving INI writer, together with an
// empty TrackerCheck when the index changes, then probes as a plain run does
// (starting the network with `startNetwork`) and returns its exit code. 1
// with one line when the numbers are not in the directory or the value
// cannot be stored; that line names `command`'s --list.
int selectAndProbe(const settings::RunPaths& run, int32_t city, int32_t provider, const std::string& command,
                   const NetworkStart& startNetwork = platform::netStartup);
