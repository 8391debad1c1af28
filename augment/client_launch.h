// Starting the user's BitTorrent client on the written torrent.
#pragma once

#include <string>

#include "augment/run.h"

// Reads LaunchPath and LaunchArguments from the run's Settings.ini and starts the client.
void runClientLaunch(const TavrinRun& run, const std::string& torrentPath);

// Starts `launchPath` with the template's first "%1" replaced by the torrent
// path, without waiting. Failures are logged only.
void launchClient(const Log& log, const std::string& launchPath, const std::string& launchArguments,
                  const std::string& torrentPath);
