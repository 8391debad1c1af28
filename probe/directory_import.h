// --import FILE: takes in a retracker directory from a provider or a
// community and makes it the one Settings.ini names.
#pragma once

#include <string>

#include "settings/settings_file.h"

// Reads FILE (Windows-1251 or UTF-8, any line ends), prints every problem
// with its line, and when none is an error writes it as Windows-1251 with
// CR LF into the folder of Settings.ini under FILE's name (an earlier file
// of that name is kept as <name>.bak; a name that is not plain ASCII, or is
// Settings.ini, becomes retrackers-imported.ini), then stores TrackersFile.
// The chosen city and provider are kept by name: found in the new
// directory, TrackerIniIndex gets their new numbers and TrackerCheck stays
// only when the pair's retrackers are the same, number for number;
// otherwise both are emptied. 0 when done, 1 when refused or a write failed.
int importDirectory(const settings::RunPaths& run, const std::string& file);
