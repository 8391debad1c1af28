// Starting the user's BitTorrent client without waiting for it.
#pragma once

#include <string>

namespace platform {

struct ClientLaunch {
    std::string launchPath;         // the executable itself: no search, no extension added
    std::string commandLine;        // the whole command line, as Windows passes it
    std::string argumentsTemplate;  // the LaunchArguments value
    std::string torrentPath;        // the file the client is to open
};

struct StartResult {
    bool started;
    int code;  // errno or GetLastError(), for the log line
};

// Windows: CreateProcessW(launchPath, commandLine). launchPath, the template
// and commandLine are in the ANSI code page; torrentPath is UTF-8 and, when
// given, is put quoted in place of the first "%1" as the line is converted to
// UTF-16. Linux: posix_spawn of
// launchPath with argv[0] = launchPath and the template split as the Windows
// C runtime splits a command line, the torrent path put in place of the first
// "%1" inside its argument after the split, so the path reaches the client as
// exactly its own bytes.
StartResult startClient(const ClientLaunch& launch);

}  // namespace platform
