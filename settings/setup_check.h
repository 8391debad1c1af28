// Why a setup does not work, in words a user can act on: the checks behind
// Keswel's setup report and behind the cause Tavrin logs after its failure
// line. Each finding is one line of text; names from the directory are
// Windows-1251 bytes, paths are as the system gives them.
#pragma once

#include <string>
#include <vector>

#include "settings/directory_choice.h"
#include "settings/wording.h"

namespace settings {

// The cause behind a failed choice: the settings file or the directory file
// missing (with the system's error code), a directory saved as UTF-8, an
// empty TrackersFile, a TrackerIniIndex that is not two numbers, or the
// city, the provider or the retracker section missing from the directory
// file it names. "" when the choice did not fail.
std::string directoryCause(const std::string& settingsPath, const DirectoryChoice& choice,
                           const Wording& wording = logWording());

// Why `launchPath` must not be started as the client: it is Tavrin itself,
// or a file opener that would hand the torrent back to Tavrin (xdg-open,
// gio, kde-open, exo-open, explorer.exe, cmd.exe). "" when neither.
std::string launchLoopCause(const std::string& launchPath, const Wording& wording = logWording());

// The program part of a path: its file name in ASCII lower case, without a
// final ".exe".
std::string programName(const std::string& path);

// The line for an empty LaunchPath, naming the command that adopts a client
// and the two keys to set.
std::string noClientLine(const std::string& adoptCommand, const Wording& wording = logWording());

// The command that adopts a client, for the Keswel beside the Tavrin at
// `tavrinPath`: its bare name when PATH finds it there, else its full path;
// then " --choose".
std::string keswelCommandBeside(const std::string& tavrinPath);

// True when TrackerCheck is missing or empty: Keswel has never stored a
// list there (" 0", the stored empty list, is not unset).
bool trackerCheckUnset(const std::string& settingsPath);
bool trackerCheckUnset(const SettingsSnapshot& settings);

// The log line for an unset TrackerCheck.
const char* trackerCheckUnsetLine();

// Everything a setup check finds, in the order of a run.
struct SetupReport {
    std::string settingsPath;
    std::string directory;              // the file TrackersFile names, as read
    DirectoryChoice choice;             // with TrackerIniIndex checked for -1
    std::vector<std::string> problems;  // one line each; empty when all is in order
};
// `adoptCommand` is named where no client is set.
SetupReport checkSetup(const std::string& settingsPath, const std::string& adoptCommand = "Keswel --choose",
                       const Wording& wording = logWording());

}  // namespace settings
