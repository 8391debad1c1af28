// Where a run's files lie: Settings.ini, Tavrin.log and the written torrents.
//
// Portable mode: when Settings.ini lies beside the executable, or the
// platform has no per-user folders (Windows), all three are beside it.
// Otherwise (a program installed for all users) each lies in the user's
// folder of its kind, in a subfolder "retrackers":
//   <config>/retrackers/Settings.ini        (and the directory it names)
//   <state>/retrackers/Tavrin.log
//   <data>/retrackers/torrents/<name>.torrent
// The torrents go to the data folder, not to a cache, because the client
// may read them long after Tavrin has exited, and a cache may be cleaned.
#pragma once

#include <optional>
#include <string>

#include "platform/user_folders.h"
#include "settings/settings_file.h"

namespace settings {

constexpr const char* kUserFolderName = "retrackers";
constexpr const char* kLogFileName = "Tavrin.log";
constexpr const char* kDirectoryFileName = "retrackers.ini";

// The paths of a run of the executable at `executablePath`. `settingsBeside`
// tells whether Settings.ini lies beside it; `user` is the user's folders,
// or nothing where there are none. Touches no file.
RunPaths locateRunPaths(const std::string& executablePath, bool settingsBeside,
                        const std::optional<platform::UserFolders>& user);

// In the user's folders only (nothing in portable mode): makes the folder of
// Settings.ini, and on first use, when there is no Settings.ini yet, puts the
// commented sample Settings.ini and the default directory into it from the
// installed data folder (<executable's folder>/../share/retrackers/). Without
// an installed sample nothing is written: the programs then report the
// missing city as they do for a missing Settings.ini. Failures are left to
// show in the steps that read or write those files.
// True when this call made Settings.ini from the sample.
bool prepareSettingsFolder(const RunPaths& paths);

// In the user's folders only: makes the folders of the log and of the
// written torrents (mode 0700 for each new one).
void prepareOutputFolders(const RunPaths& paths);

}  // namespace settings
