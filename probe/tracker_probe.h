// The parallel connect probe: one TCP connect (http://, https://, no scheme)
// or one UDP connect request (udp://) to every retracker at the same time,
// then a wait loop that watches up to 64 pending entries per pass and prints
// its progress. Nothing is sent over a TCP connection.
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
    platform::SocketAddress address{};  // IPv4 or IPv6; set once resolution succeeded
    ProbeState state = ProbeNew;
    platform::SocketHandle sock = platform::kNoSocket;  // stays open until platform::netCleanup
    platform::Transport transport = platform::Transport::Tcp;
    uint32_t transactionId = 0;  // UDP: the id of the connect requests
    int requestsSent = 0;        // UDP: connect requests sent so far
};

struct TrackerHostPort {
    std::string host;
    int32_t port;
    platform::Transport transport = platform::Transport::Tcp;
};

// Host, port and transport of a retracker URL. A leading scheme, matched as
// exact bytes, is dropped: "http://" (TCP, port 80 by default), "https://"
// (TCP, 443) or "udp://" (UDP, 80); any other text is a host without scheme
// (TCP, 80). A host in brackets ("[::1]") is the text inside them; otherwise
// the host runs to the first ':' or '/'. After ':' the port is read by
// numbers::readPort (0 without digits or out of range); otherwise it is the
// default.
TrackerHostPort splitTrackerUrl(std::string_view url);

// Resolves the entry's host and starts its probe: a non-blocking TCP
// connect, or for UDP the first connect request. Takes an entry in ProbeNew
// to ProbeUnresolved, ProbeNoSocket, ProbeConnected, ProbePending or
// ProbeFailed. Prints nothing. Resolution blocks.
void startProbe(TrackerProbe& probe);

// Receives the probe's console lines, each a whole line with its "\n".
using ProbeOutput = std::function<void(std::string_view)>;

// The clock and the wait of the watch loop (tests put fakes in).
struct ProbeWaiter {
    std::function<uint32_t()> tickCount = platform::tickCount;
    std::function<bool(const std::vector<platform::WatchedSocket>&, int, std::vector<platform::Readiness>&)> wait =
        platform::waitForSockets;
};

// Watches the pending entries until none is left, in passes of at most 64
// entries (list order, UDP and TCP alike) and at most one second each. A UDP
// entry is connected by a valid connect reply; its request is sent again a
// few times, and without a reply it fails once the system would have given
// up an unanswered TCP connect. A failed wait is a pass without results. The
// run ends by probeDeadlineMs(): the passes from then on do not wait, and
// every entry still pending fails with its line. Prints:
//   "<-----%d remains %d\n"  elapsed ms, pending count; start of every pass
//   "Out of set size\n"      the pass watches 10 entries or more
//   "%s connected ok\n"      URL; connection accepted or UDP reply -> ProbeConnected
//   "%d read\n"              0-based position; readable but not connected
//   "%s can't connected\n"   URL; connect failed, no reply, deadline -> ProbeFailed
//   ">-----%d\n"             elapsed ms; end of every pass that waited
//   "Total %d msec\n"        elapsed ms; once, at the end
// Changes entries only from ProbePending to ProbeConnected or ProbeFailed.
void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output, const ProbeWaiter& waiter = {});

// How long the watch loop runs at most: the system's bound on an unanswered
// connect and a margin, so a wait that keeps failing cannot go on for ever.
int probeDeadlineMs();

// startProbe for every entry in order, then watchProbes. Afterwards every
// entry holds a final state. Needs platform::netStartup before it.
void runProbe(std::vector<TrackerProbe>& probes, const ProbeOutput& output = platform::consoleWrite);
