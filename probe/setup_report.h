// Keswel --check: the setup as Tavrin and Keswel will find it.
#pragma once

#include <string>

#include "settings/settings_file.h"

// Prints the settings file and the directory file in use, the chosen city,
// provider and retracker count when they resolve, then one line per problem
// and a closing line. 0 only when nothing is wrong, else 1.
// `command` is Keswel's name as typed, for the advice lines.
int reportSetup(const settings::RunPaths& run, const std::string& command = "Keswel");
