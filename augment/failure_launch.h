// A double-click must not come to nothing: with LaunchOnFailure=True the
// client still gets the torrent when the retracker step has failed.
#pragma once

#include <string>

#include "augment/run.h"

// When LaunchOnFailure is "True" (any letter case) in the run's
// Settings.ini: logs that the client gets the unchanged torrent and starts
// it on `torrentArgument` made a full path (a magnet link as it is), as the
// client launch does.
// Nothing is written. Returns false when it was to start the client and
// could not (the launch lines are logged); true otherwise.
bool launchOnFailure(const TavrinRun& run, const std::string& torrentArgument);
