// Checks the console lines of one probe run against the rules of its passes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "probe/tracker_probe.h"

namespace probe_testing {

struct PassRecord {
    int remains = 0;
    bool outOfSetSize = false;
    std::vector<std::string> results;  // the result lines of the pass, in order
};

struct ProbeRun {
    std::vector<PassRecord> passes;  // the last one finds nothing pending
    std::map<std::string, std::string> outcome;  // URL -> "connected ok" or "can't connected"
};

// Parses the lines and checks them against the probe list as it stood
// before the watch loop (`pendingBefore`: the URLs of the pending entries in
// list order): every pass starts with "<-----T remains N", N is the number
// still pending, "Out of set size" appears exactly when the pass watches 10
// or more, a pass reports only entries among the first 64 pending and in
// list order, every watched pass ends with ">-----T", times never go back,
// and the run ends with "Total T msec". Failures are reported with
// ADD_FAILURE; the parsed run is returned for further checks.
ProbeRun checkProbeLines(const std::string& text, const std::vector<std::string>& pendingBefore);

}  // namespace probe_testing

namespace probe_testing {

// The lines of a console text with every printed time replaced by "T".
std::vector<std::string> withoutTimes(const std::string& text);

}  // namespace probe_testing
