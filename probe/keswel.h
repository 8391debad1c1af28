// Keswel: probes the retrackers of the user's city and provider and stores
// the numbers of those that accepted a connection as TrackerCheck in
// Settings.ini beside the executable. Arguments are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The run. Returns the exit code: 0 after a complete run (also when no
// retracker answered), 1 when the city, the provider or a non-zero
// retracker count cannot be found, or when TrackerCheck could not be stored.
int keswelMain(int argc, char** argv);

// TrackerIniIndex as "%d %d" scans it: each number is stored as it is read and
// scanning stops at the first that does not read; numbers not read keep
// their value. A number outside the 32-bit range ends the scan like a
// non-number, instead of giving an undefined value.
void scanIndexPair(std::string_view text, int32_t& first, int32_t& second);

// The TrackerCheck list: the numbers joined by single spaces ("" for none).
std::string trackerCheckList(const std::vector<int32_t>& reachableNumbers);
