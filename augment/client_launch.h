// Starting the user's BitTorrent client on the written torrent.
#pragma once

#include <string>

// Reads LaunchPath and LaunchArguments from Settings.ini and starts the client.
void runClientLaunch(const std::string& torrentPath);

// Starts `launchPath` with the template's first "%1" replaced by the torrent
// path, without waiting. Failures are logged only.
void launchClient(const std::string& launchPath, const std::string& launchArguments,
                  const std::string& torrentPath);
