// Tavrin has no window: a failure is shown on the desktop where the desktop
// can show it, so a double-click that did nothing does not go unnoticed.
#pragma once

#include "augment/run.h"

// Shows the lines this run logged after its "Running for torrent" line (or
// `fallback` when there are none) as a desktop notice, unless Notify is
// "False" in the run's Settings.ini. Never waits.
void noticeFailure(const TavrinRun& run, const std::string& fallback);
