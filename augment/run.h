// What the steps of one Tavrin run share: where it stands, its settings (one
// snapshot of Settings.ini and the directory it names) and its log.
// Handed down from the main flow; nothing of a run lives in globals.
#pragma once

#include "augment/log.h"
#include "settings/settings_file.h"

struct TavrinRun {
    settings::RunPaths paths;
    const settings::SettingsSnapshot& settings;
    Log& log;
};
