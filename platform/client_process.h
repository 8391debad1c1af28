// Starting the user's BitTorrent client without waiting for it.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct ClientLaunch {
    std::string launchPath;         // the executable itself: no search, no extension added
    std::string argumentsTemplate;  // the LaunchArguments value
    // The file or link the client is to open; nothing: the template is all
    // the arguments, "%1" included.
    std::optional<std::string> torrentPath;
};

struct StartResult {
    bool started;
    int code;  // errno or GetLastError(), for the log line
};

// Windows: CreateProcessW(launchPath, clientCommandLine(...)), the line
// converted to UTF-16: launchPath and the template are in the ANSI code page,
// torrentPath is UTF-8. Linux: posix_spawn of
// launchPath with argv[0] = launchPath and the template split as the Windows
// C runtime splits a command line, the torrent path put in place of the first
// "%1" inside its argument after the split, so the path reaches the client as
// exactly its own bytes.
StartResult startClient(const ClientLaunch& launch);

}  // namespace platform
