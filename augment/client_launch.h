// Starting the user's BitTorrent client on the written torrent.
#pragma once

#include <string>

#include "augment/run.h"

// Reads LaunchPath and LaunchArguments from the run's Settings.ini and starts
// the client. A LaunchPath that is Tavrin itself or a file opener is refused
// with a log line. False when the client was not started.
bool runClientLaunch(const TavrinRun& run, const std::string& torrentPath);

// Starts `launchPath` with the template's first "%1" replaced by the torrent
// path, without waiting. Failures are logged; false when it did not start.
bool launchClient(const Log& log, const std::string& launchPath, const std::string& launchArguments,
                  const std::string& torrentPath);
