// Taking over the BitTorrent client the desktop used before Tavrin: a
// desktop entry's Exec value turned into LaunchPath and LaunchArguments.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "settings/settings_file.h"

struct AdoptedClient {
    std::string launchPath;       // full path of the program
    std::string launchArguments;  // its arguments, "%1" where the file goes
    std::string refusal;          // why it cannot be taken; the rest is then empty
    std::string source;           // where it was found, for the user
};

// Finds a program named without a folder; "" when there is none.
using ProgramFinder = std::function<std::string(const std::string&)>;

// The Exec value as the desktop runs it: string escapes undone, split into
// arguments (double quotes group, "\" escapes in them), "%%" made "%". The
// first %f, %F, %u or %U becomes "%1" (appended when there is none); every
// other field code is dropped. The arguments are written in the form the
// Windows C runtime splits back (platform::quotedWindowsArgument, quoted only
// where needed). A "flatpak run ..." line stays whole. Refused:
// an empty line, a program that cannot be found, Tavrin itself or a file
// opener.
AdoptedClient clientFromExec(std::string_view execValue, const ProgramFinder& findProgram);

// Where a client may be found: the desktop entry id the desktop opens a type
// with, the Exec value of a desktop entry id ("" when no folder has it), and
// a program on PATH.
struct ClientSources {
    std::function<std::string(const std::string&)> defaultEntry;
    std::function<std::string(const std::string&)> entryExec;
    ProgramFinder findProgram;
};

// The client to adopt, in this order: the default handler of torrent files,
// then of magnet links, unless it is Tavrin or a file opener; then the first
// installed client of a table of common clients, by its desktop entries or,
// for those that ship none, on PATH. A refusal when none (setUpClient then
// prints the line naming the two keys to set).
AdoptedClient findClient(const ClientSources& sources);

// The sources of this system: xdg-mime, the application folders, PATH.
ClientSources systemClientSources();

// The desktop entry id through which the desktop opens files with Tavrin.
inline constexpr const char* kTavrinEntry = "retrackers-tavrin.desktop";

// Keswel --choose at its end: when LaunchPath names no working client,
// adopts one (findClient) and says what it set, or says which two keys to
// set; then, when `makeHandler`, makes Tavrin the desktop's handler of
// torrent files and magnet links where it is not yet (the desktop
// integration's install step beside Keswel, else xdg-mime on the installed
// entry), saying so.
void setUpClient(const settings::RunPaths& run, bool makeHandler);

// Keswel --adopt-client: when LaunchPath is empty, names no executable file
// or names a file opener, stores the client of `execValue` through the
// byte-preserving INI writer and says what it set (0). Keeps a working
// LaunchPath and says so (0). 1 with one line when refused or not stored.
int adoptClient(const settings::RunPaths& run, const std::string& execValue);
