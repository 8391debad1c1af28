// The run of Tavrin: read a torrent, add the user's live retrackers to its
// announce-list, write it back in canonical form and start the client on it.
#pragma once

#include <string>

// The whole flow. Arguments: the torrent (a path or file:// URL) or magnet
// link, optionally preceded by "--output FILE", or a torrent followed by FILE:
// the result is written to FILE instead of the output folder, and no client
// is started. A magnet link followed by any argument is refused.
// Returns the exit code: 0 for a completed run or no argument, 1 for a failure.
int tavrinMain(int argc, char** argv);
