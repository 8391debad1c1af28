// Windows command lines: text that a program's C runtime splits back into
// exactly the arguments meant. No OS call, so both systems build it (Linux
// logs the line and writes LaunchArguments in this form).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class Quotes {
    Always,      // always one pair of double quotes
    WhenNeeded,  // bare when not empty and holding no blank, tab, line break or quote
};

// `argument` as a command line must hold it for the C runtime's split to give
// it back unchanged: in double quotes, each run of backslashes before a quote
// doubled and the quote escaped, a run at the end doubled before the closing
// quote; any other backslash stays single. Other bytes ("%", "^", "&",
// letters beyond ASCII) are copied as they are: CreateProcess runs no shell.
std::string quotedWindowsArgument(std::string_view argument, Quotes quotes);

// The client's command line: the launch path in double quotes, a blank, then
// `argumentsTemplate` with its first "%1" replaced by `torrentPath` quoted as
// above (always in quotes, even where the template already quotes "%1").
// Without a "%1" or a torrent path the template follows unchanged. Bytes are copied as they
// are, so the line is in whatever encoding its parts share.
std::string clientCommandLine(std::string_view launchPath, std::string_view argumentsTemplate,
                              std::optional<std::string_view> torrentPath);

}  // namespace platform
