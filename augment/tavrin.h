// The run of Tavrin: read a torrent, add the user's live retrackers to its
// announce-list, write it back in canonical form and start the client on it.
#pragma once

#include <string>

// The whole flow. argv[1]: the torrent; argv[2], optional: where to write the
// result instead of the executable's directory (no client is started then).
// Returns the exit code: 0 for a completed run or no argument, 1 for a failure.
int tavrinMain(int argc, char** argv);
