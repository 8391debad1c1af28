// The parallel connect probe: one TCP connect to every retracker at the same
// time, then a wait loop that watches up to 64 pending connects per pass and
// prints its progress. Nothing is sent over a connection.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/net.h"

// Where an entry's probe stands. Values 2 and 6 do not exist.
enum ProbeState : int32_t {
    ProbeNew = 0,         // nothing started yet
    ProbeUnresolved = 1,  // final: name resolution failed or gave no address; no socket
    ProbePending = 3,     // connect in progress
    ProbeConnected = 4,   // final: connection accepted; the only reachable state
    ProbeFailed = 5,      // final: connect failed, at once or later
    ProbeNoSocket = 7,    // final: the socket could not be created
};

struct TrackerProbe {
    std::string url;
    platform::Ipv4Address address{};  // set once resolution succeeded
    ProbeState state = ProbeNew;
    platform::SocketHandle sock = platform::kNoSocket;  // stays open until platform::netCleanup
};

struct TrackerHostPort {
    std::string host;
    int32_t port;
};

// Host and port of a retracker URL. A leading "http://" (exact bytes) is
// dropped; the host runs to the first ':' or '/'. After ':' the port is read
// by numbers::readPort (0 without digits or out of range); otherwise it is 80.
TrackerHostPort splitTrackerUrl(std::string_view url);

// Resolves the entry's host and starts a non-blocking connect. Takes an entry
// in ProbeNew to ProbeUnresolved, ProbeNoSocket, ProbeConnected, ProbePending
// or ProbeFailed. Prints nothing. Resolution blocks.
void startProbe(TrackerProbe& probe);

// Receives the probe's console lines, each a whole line with its "\n".
using ProbeOutput = std::function<void(std::string_view)>;

// Watches the pending entries until none is left, in passes of at most 64
// entries (list order) and at most one second each, and prints:
//   "<-----%d remains %d\n"  elapsed ms, pending count; start of every pass
//   "Out of set size\n"      the pass watches 10 entries or more
//   "%s connected ok\n"      URL; connection accepted -> ProbeConnected
//   "%d read\n"              0-based position; readable but not connected
//   "%s can't connected\n"   URL; connect failed -> ProbeFailed
//   ">-----%d\n"             elapsed ms; end of every pass that waited
//   "Total %d msec\n"        elapsed ms; once, at the end
// Changes entries only from ProbePending to ProbeConnected or ProbeFailed.
void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output);

// startProbe for every entry in order, then watchProbes. Afterwards every
// entry holds a final state. Needs platform::netStartup before it.
void runProbe(std::vector<TrackerProbe>& probes, const ProbeOutput& output = platform::consoleWrite);
