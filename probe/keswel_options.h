// Keswel's command line. Without arguments it probes, as it always did; the
// options choose city and provider by name and check the setup.
#pragma once

#include <cstdint>
#include <string>

enum class KeswelCommand {
    Probe,        // no argument, or arguments none of which starts with '-' (they are ignored)
    List,         // --list
    Choose,       // --choose
    Select,       // --select CITY PROVIDER
    Check,        // --check
    Detect,       // --detect
    Help,         // --help
    AdoptClient,  // --adopt-client EXEC (for the desktop integration)
    Import,       // --import FILE
    Apply,        // --apply: the live retrackers added in the running client (ClientRpc)
    Usage,        // anything else with a '-' argument: the usage, exit code 2
};

struct KeswelOptions {
    KeswelCommand command = KeswelCommand::Probe;
    int32_t city = 0;      // --select: 1-based numbers as --list shows them
    int32_t provider = 0;
    std::string execLine;  // --adopt-client: a desktop entry's Exec value
    bool makeHandler = true;  // --choose: false with --no-handler
    std::string refusal;      // Usage: the line that names what is wrong
    std::string file;      // --import: the directory file to take in
};

// A --select number must be a plain positive decimal ("1", not "01" or "+1").
KeswelOptions parseKeswelOptions(int argc, char** argv);

// The usage text for the command named `command` (as the user typed it),
// ending in a line end.
std::string keswelUsage(const std::string& command);

// The name to show for the command: the file name the program was started
// by, or "Keswel" when there is none.
std::string keswelCommandName(const char* argv0);
