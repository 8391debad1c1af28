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
    platform::SocketHandle sock = platform::kNoSocket;  // closed once the entry is decided
    platform::Transport transport = platform::Transport::Tcp;
    uint32_t transactionId = 0;  // UDP: the id of the connect requests
    int requestsSent = 0;        // UDP: connect requests sent so far
    int32_t startedAtMs = 0;     // UDP: when the first request went, in the watch loop's time
    int32_t resendAtMs = -1;     // UDP: when the next request is due; -1 until planned
    bool noNetwork = false;      // could not even be tried: name unanswered, or no route to it
    bool fromNameServer = false;  // the address came from the name servers directly (a ".local" name)
    // TCP: once connected, an announce for a random info-hash is sent, and
    // only a tracker's bencoded reply (isTrackerReply) connects the entry.
    bool wantsAnswer = false;
    std::string reply;  // TCP with wantsAnswer: what came back so far
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

// Starts the entry's probe: a non-blocking TCP connect, or for UDP the
// connect that fixes the peer (watchProbes sends the requests). The host is resolved first (blocking) unless the
// entry's address is already set. Takes an entry in ProbeNew to
// ProbeUnresolved, ProbeNoSocket, ProbeConnected, ProbePending or
// ProbeFailed; a socket of an entry that ends here is closed. Prints nothing.
void startProbe(TrackerProbe& probe);

// Resolves the hosts of every entry in ProbeNew at the same time, within
// `boundMs` in all. An entry whose host has no address, or no answer by then,
// ends in ProbeUnresolved (marked noNetwork when no answer came); the others
// keep ProbeNew with their address set.
void resolveProbes(std::vector<TrackerProbe>& probes, int boundMs);

// Receives the probe's console lines, each a whole line with its "\n".
using ProbeOutput = std::function<void(std::string_view)>;

// The clock, the wait and the room for sockets of the watch loop (tests
// put fakes in), and the loop's bound.
struct ProbeWaiter {
    std::function<uint32_t()> tickCount = platform::tickCount;
    std::function<bool(const std::vector<platform::WatchedSocket>&, int, std::vector<platform::Readiness>&)> wait =
        platform::waitForSockets;
    std::function<size_t()> socketsAvailable = platform::socketsAvailable;
    int boundMs = -1;  // how long the loop may run; -1: probeDeadlineMs()
};

// Watches the pending entries until none is left, in passes of at most 64
// entries (list order, UDP and TCP alike) and at most one second each.
// Entries still in ProbeNew are started (startProbe) as far as sockets are
// available, in list order, and more as decided entries close theirs; the
// pending count includes them. A UDP entry's first connect request goes out
// in the first pass that watches it; a valid connect reply connects it;
// other datagrams are read and ignored, and waking for them alone neither
// ends a pass nor prints a line. Its request is sent again a few times,
// each at a time drawn for the entry within the resend's interval,
// and without a reply it fails once the system would have given up an
// unanswered TCP connect. A failed wait is a pass without results. The run
// ends by the waiter's bound: the passes from then on do not wait, and every
// entry still pending or not started fails with its line. Prints:
//   "<-----%d remains %d\n"  elapsed ms, pending count; start of every pass
//   "Out of set size\n"      the pass watches 10 entries or more
//   "%s connected ok\n"      URL; connection accepted or UDP reply -> ProbeConnected
//   "%d read\n"              0-based position; readable but not connected
//   "%s can't connected\n"   URL; connect failed, no reply, deadline -> ProbeFailed
//   ">-----%d\n"             elapsed ms; end of every pass that waited
//   "Total %d msec\n"        elapsed ms; once, at the end
// A TCP entry with wantsAnswer sends its announce once its connection is
// accepted and is then watched for reading only; it connects when what came
// back is a tracker's reply (at the end of the stream, or as soon as a whole
// reply is there) and fails otherwise, 5 seconds after the announce without
// an end, or at the bound.
// Changes entries from ProbeNew as startProbe does, and from ProbePending to
// ProbeConnected or ProbeFailed; closes each socket as its entry is decided.
void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output, const ProbeWaiter& waiter = {});

// How long the watch loop runs at most: the system's bound on an unanswered
// connect and a margin, so a wait that keeps failing cannot go on for ever.
int probeDeadlineMs();

// How long name resolution may take at most, within the run's bound.
int resolveBoundMs();

// resolveProbes within resolveBoundMs(), then watchProbes for what is left
// of probeDeadlineMs(), so the whole run keeps that one bound. Afterwards
// every entry holds a final state and every socket is closed. The printed
// times are those of the watch loop. Needs platform::netStartup before it.
void runProbe(std::vector<TrackerProbe>& probes, const ProbeOutput& output = platform::consoleWrite);

// True when the list is not empty and not one entry could even be tried:
// every name went unanswered or every connect found no route to its network.
bool networkWasDown(const std::vector<TrackerProbe>& probes);
