#include "probe/tracker_probe.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <tuple>
#include <cstdlib>
#include <random>

#include "numbers/decimal.h"
#include "probe/console_print.h"
#include "probe/tracker_answer.h"
#include "probe/udp_connect.h"

namespace {

struct Scheme {
    std::string_view prefix;
    platform::Transport transport;
    int32_t defaultPort;
};

// Matched as exact bytes, so "HTTP://" stays a host name as it always was.
constexpr Scheme kSchemes[] = {
    {"http://", platform::Transport::Tcp, 80},
    {"https://", platform::Transport::Tcp, 443},
    {"udp://", platform::Transport::Udp, 80},
};
constexpr int32_t kDefaultPort = 80;

// One pass watches at most this many entries: the capacity of a Winsock
// socket set, kept on every platform so the passes print the same lines.
constexpr size_t kWatchedPerPass = 64;

// From this batch size on, a pass says it is watching a large set.
constexpr size_t kLargeBatch = 10;

constexpr int kPassTimeoutMs = 1000;

// The loop ends this long after the system would have given up an
// unanswered connect, so every pending entry is decided by the system first.
constexpr int kDeadlineMarginMs = 5000;

// A UDP connect request is sent again while no reply came: a lost datagram
// must not lose the tracker, and a tracker that answers at all answers within
// milliseconds. The n-th resend is due at a time drawn for each entry from
// [kUdpResendAtMs[n-1], twice that), counted from the entry's first request,
// so that the requests of many entries, sent together at first, are not
// sent again in one burst that the tracker's socket drops again.
constexpr int kUdpResendAtMs[] = {1000, 3000, 7000};

// Datagrams read from one socket per wake-up: a peer that floods the socket
// with wrong datagrams cannot hold the loop; the rest waits for the next one.
constexpr int kDatagramsPerWake = 256;

// Enough for the 16 bytes of a reply; longer datagrams are cut.
constexpr size_t kReplyBuffer = 64;

// Name resolution gets this long of the run's bound: enough for the
// resolver to ask again once after a lost datagram (it waits 5 s).
constexpr int kResolveBoundMs = 8000;

std::mt19937& generator() {
    static std::mt19937 generator{std::random_device{}() ^ platform::tickCount()};
    return generator;
}

uint32_t newTransactionId() { return static_cast<uint32_t>(generator()()); }

bool sendConnectRequest(TrackerProbe& probe) {
    const auto request = udpConnectRequest(probe.transactionId);
    ++probe.requestsSent;
    return platform::sendDatagram(probe.sock, request.data(), request.size());
}

// Plans the entry's next resend after `requestsSent` requests; none after the last.
void planResend(TrackerProbe& probe) {
    const size_t resend = static_cast<size_t>(probe.requestsSent - 1);
    if (resend >= std::size(kUdpResendAtMs)) {
        probe.resendAtMs = INT32_MAX;
        return;
    }
    const int base = kUdpResendAtMs[resend];
    probe.resendAtMs = probe.startedAtMs + base + static_cast<int32_t>(generator()() % static_cast<uint32_t>(base));
}

// Reads what waits on a UDP entry's socket: a valid reply connects it, a
// refusal fails it, any other datagram is read and dropped.
ProbeState udpOutcome(const TrackerProbe& probe) {
    unsigned char buffer[kReplyBuffer];
    for (int i = 0; i < kDatagramsPerWake; ++i) {
        size_t size = 0;
        switch (platform::receiveDatagram(probe.sock, buffer, sizeof buffer, size)) {
        case platform::Receive::Nothing: return ProbePending;
        case platform::Receive::Failed: return ProbeFailed;
        case platform::Receive::Datagram:
            if (isUdpConnectReply(buffer, size, probe.transactionId)) return ProbeConnected;
            break;
        }
    }
    return ProbePending;
}

// A tracker answers an announce at once; a host that accepted the
// connection and says nothing for this long is not one.
constexpr int kAnswerWaitMs = 5000;

// A tracker's reply is short; anything longer is not one.
constexpr size_t kAnswerLimit = 16384;

bool awaitsAnswer(const TrackerProbe& probe) {
    return probe.wantsAnswer && probe.transport == platform::Transport::Tcp && probe.requestsSent > 0;
}

bool sendAnnounce(TrackerProbe& probe) {
    std::array<unsigned char, 20> infoHash{}, peerId{};
    for (unsigned char& byte : infoHash) byte = static_cast<unsigned char>(generator()());
    for (unsigned char& byte : peerId) byte = static_cast<unsigned char>(generator()());
    const std::string request = announceRequest(probe.url, infoHash, peerId);
    ++probe.requestsSent;
    return platform::sendDatagram(probe.sock, reinterpret_cast<const unsigned char*>(request.data()), request.size());
}

// Reads what the tracker sent: the end of the stream, or a whole reply, decides.
ProbeState answerOutcome(TrackerProbe& probe) {
    unsigned char buffer[2048];
    for (int i = 0; i < kDatagramsPerWake; ++i) {
        size_t size = 0;
        switch (platform::receiveDatagram(probe.sock, buffer, sizeof buffer, size)) {
        case platform::Receive::Nothing:
            return isTrackerReply(probe.reply) && probe.reply.back() == 'e' ? ProbeConnected : ProbePending;
        case platform::Receive::Failed: return isTrackerReply(probe.reply) ? ProbeConnected : ProbeFailed;
        case platform::Receive::Datagram:
            if (size == 0) return isTrackerReply(probe.reply) ? ProbeConnected : ProbeFailed;
            probe.reply.append(reinterpret_cast<const char*>(buffer), size);
            if (probe.reply.size() > kAnswerLimit) return ProbeFailed;
            break;
        }
    }
    return ProbePending;
}

void closeProbeSocket(TrackerProbe& probe) {
    if (probe.sock == platform::kNoSocket) return;
    platform::closeSocket(probe.sock);
    probe.sock = platform::kNoSocket;
}

}  // namespace

TrackerHostPort splitTrackerUrl(std::string_view url) {
    std::string_view rest = url;
    TrackerHostPort result{{}, kDefaultPort};
    for (const Scheme& scheme : kSchemes) {
        if (rest.substr(0, scheme.prefix.size()) != scheme.prefix) continue;
        rest.remove_prefix(scheme.prefix.size());
        result.transport = scheme.transport;
        result.port = scheme.defaultPort;
        break;
    }
    size_t split;
    const size_t close = rest.substr(0, 1) == "[" ? rest.find(']') : std::string_view::npos;
    if (close != std::string_view::npos) {
        // An IPv6 literal: its colons belong to the address.
        result.host = std::string(rest.substr(1, close - 1));
        split = close + 1 < rest.size() && rest[close + 1] == ':' ? close + 1 : std::string_view::npos;
    } else {
        split = rest.find_first_of(":/");
        result.host = std::string(rest.substr(0, split));
    }
    if (split != std::string_view::npos && rest[split] == ':') result.port = numbers::readPort(rest.substr(split + 1));
    return result;
}

void startProbe(TrackerProbe& probe) {
    const TrackerHostPort target = splitTrackerUrl(probe.url);
    probe.transport = target.transport;
    if (probe.address.length == 0 &&
        !platform::resolveAddress(target.host, std::to_string(target.port), target.transport, probe.address)) {
        probe.state = ProbeUnresolved;
        return;
    }
    probe.sock = platform::openSocket(probe.address, target.transport);
    if (probe.sock == platform::kNoSocket) {
        probe.state = ProbeNoSocket;
        return;
    }
    platform::setNonBlocking(probe.sock);
    const platform::ConnectStart start = platform::startConnect(probe.sock, probe.address);
    probe.noNetwork = start == platform::ConnectStart::NoRoute;
    if (target.transport == platform::Transport::Udp) {
        // The connect only fixed the peer; the request, sent once the watch
        // loop first watches the entry, decides.
        probe.transactionId = newTransactionId();
        probe.state = start == platform::ConnectStart::Connected ? ProbePending : ProbeFailed;
    } else {
        switch (start) {
        case platform::ConnectStart::Connected: probe.state = ProbeConnected; break;
        case platform::ConnectStart::Pending: probe.state = ProbePending; break;
        case platform::ConnectStart::Failed:
        case platform::ConnectStart::NoRoute: probe.state = ProbeFailed; break;
        }
    }
    if (probe.state != ProbePending) closeProbeSocket(probe);
}

void resolveProbes(std::vector<TrackerProbe>& probes, int boundMs) {
    // Each host, port and transport is asked once, however many entries name it.
    std::vector<platform::NameLookup> lookups;
    std::map<std::tuple<std::string, int32_t, platform::Transport>, size_t> asked;
    std::vector<size_t> lookupOf(probes.size(), SIZE_MAX);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (probes[i].state != ProbeNew || probes[i].address.length != 0) continue;
        const TrackerHostPort target = splitTrackerUrl(probes[i].url);
        const auto [place, added] = asked.try_emplace({target.host, target.port, target.transport}, lookups.size());
        if (added) lookups.push_back({target.host, std::to_string(target.port), target.transport});
        lookupOf[i] = place->second;
    }
    platform::resolveAll(lookups, boundMs);
    for (size_t i = 0; i < probes.size(); ++i) {
        if (lookupOf[i] == SIZE_MAX) continue;
        const platform::NameLookup& lookup = lookups[lookupOf[i]];
        if (lookup.outcome == platform::NameLookup::Found) {
            probes[i].address = lookup.address;
            probes[i].fromNameServer = lookup.fromNameServer;
            continue;
        }
        probes[i].state = ProbeUnresolved;
        probes[i].noNetwork = lookup.outcome == platform::NameLookup::Unanswered;
    }
}

int probeDeadlineMs() { return platform::connectGiveUpMs() + kDeadlineMarginMs; }

int resolveBoundMs() { return kResolveBoundMs; }

void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output, const ProbeWaiter& waiter) {
    const uint32_t start = waiter.tickCount();
    // Times are 32-bit tick differences, printed as signed numbers.
    auto elapsed = [&waiter, start] { return static_cast<int>(waiter.tickCount() - start); };
    const int deadline = waiter.boundMs >= 0 ? waiter.boundMs : probeDeadlineMs();
    const int udpGiveUp = platform::connectGiveUpMs();

    // Entries wait in ProbeNew until a socket is free for them. `room` counts
    // the sockets that may still be opened; `inFlight` those of pending entries.
    size_t room = waiter.socketsAvailable();
    size_t inFlight = static_cast<size_t>(std::count_if(probes.begin(), probes.end(), [](const TrackerProbe& p) {
        return p.state == ProbePending;
    }));
    size_t nextNew = 0;  // no entry before it is in ProbeNew
    auto startWaiting = [&](int now) {
        // With no socket open the next entry is tried whatever the count says.
        for (; nextNew < probes.size() && (room > 0 || inFlight == 0); ++nextNew) {
            TrackerProbe& probe = probes[nextNew];
            if (probe.state != ProbeNew) continue;
            probe.startedAtMs = now;
            startProbe(probe);
            if (probe.state == ProbeNoSocket && inFlight > 0) {
                // Out of descriptors after all: wait until decided entries free some.
                probe.state = ProbeNew;
                room = 0;
                break;
            }
            if (probe.state == ProbePending) {
                ++inFlight;
                if (room > 0) --room;
            }
        }
    };
    auto decide = [&](TrackerProbe& probe, ProbeState state) {
        probe.state = state;
        closeProbeSocket(probe);
        --inFlight;
        ++room;
        output(formatText(state == ProbeConnected ? "%s connected ok\n" : "%s can't connected\n", probe.url.c_str()));
    };

    std::vector<int32_t> batch;
    std::vector<platform::WatchedSocket> sockets;
    std::vector<platform::Readiness> ready;
    for (;;) {
        const int now = elapsed();
        const bool late = now >= deadline;
        if (!late) startWaiting(now);
        const auto pending = std::count_if(probes.begin(), probes.end(), [](const TrackerProbe& p) {
            return p.state == ProbePending || p.state == ProbeNew;
        });
        output(formatText("<-----%d remains %d\n", now, static_cast<int>(pending)));

        batch.clear();
        sockets.clear();
        for (size_t i = 0; i < probes.size() && batch.size() < kWatchedPerPass; ++i) {
            if (probes[i].state != ProbePending) continue;
            batch.push_back(static_cast<int32_t>(i));
            // A connection waiting for its answer is watched for reading only.
            sockets.push_back({probes[i].sock, awaitsAnswer(probes[i]) ? platform::Transport::Udp : probes[i].transport});
        }
        if (batch.size() >= kLargeBatch) output("Out of set size\n");
        // A UDP entry's first request goes out when it is first watched, so
        // a long list asks a shared tracker at most 64 at a time and its
        // socket is not flooded with one burst of them all. A refusal shows
        // in the wait.
        for (const int32_t position : batch) {
            TrackerProbe& probe = probes[static_cast<size_t>(position)];
            if (probe.transport != platform::Transport::Udp || probe.requestsSent > 0) continue;
            probe.startedAtMs = now;
            sendConnectRequest(probe);
            planResend(probe);
        }
        if (batch.empty()) {
            // Past the bound nothing more is started: the waiting entries fail.
            bool printed = false;
            for (TrackerProbe& probe : probes) {
                if (probe.state != ProbeNew) continue;
                probe.state = ProbeFailed;
                output(formatText("%s can't connected\n", probe.url.c_str()));
                printed = true;
            }
            if (!printed) break;
            output(formatText(">-----%d\n", elapsed()));
            continue;
        }

        // A pass lasts until an entry is decided or a line is printed for one,
        // or its second is over; a wake-up for ignored datagrams waits on.
        const int passEnd = late ? now : now + kPassTimeoutMs;
        for (bool passDone = false; !passDone;) {
            // Every UDP entry asked once is asked again when its time comes.
            int current = elapsed();
            int nextResend = INT32_MAX;
            for (TrackerProbe& probe : probes) {
                if (probe.state != ProbePending || probe.transport != platform::Transport::Udp) continue;
                if (probe.requestsSent == 0) continue;  // not watched yet
                if (current >= probe.resendAtMs) {
                    sendConnectRequest(probe);
                    planResend(probe);
                }
                nextResend = std::min(nextResend, probe.resendAtMs);
            }
            const int until = std::min(passEnd, nextResend);
            const int timeout = late ? 0 : std::clamp(until - current, 0, kPassTimeoutMs);
            const bool waited = waiter.wait(sockets, timeout, ready);
            const int after = elapsed();
            bool printed = false;
            bool sent = false;  // an announce went: the next pass watches its reply
            for (size_t k = 0; k < batch.size(); ++k) {
                TrackerProbe& probe = probes[static_cast<size_t>(batch[k])];
                if (probe.state != ProbePending) continue;
                const platform::Readiness seen = waited ? ready[k] : platform::Readiness{};
                if (probe.transport == platform::Transport::Udp) {
                    ProbeState state = ProbePending;
                    if (seen.exception) state = ProbeFailed;
                    else if (seen.readable) state = udpOutcome(probe);
                    if (state == ProbePending && (late || after - probe.startedAtMs >= udpGiveUp)) state = ProbeFailed;
                    if (state != ProbePending) {
                        decide(probe, state);
                        printed = true;
                    }
                    continue;
                }
                if (awaitsAnswer(probe)) {
                    ProbeState state = ProbePending;
                    if (seen.exception) state = ProbeFailed;
                    else if (seen.readable) state = answerOutcome(probe);
                    if (state == ProbePending && (late || after - probe.startedAtMs >= kAnswerWaitMs))
                        state = ProbeFailed;
                    if (state != ProbePending) {
                        decide(probe, state);
                        printed = true;
                    }
                    continue;
                }
                if (seen.writable && probe.wantsAnswer && !late) {
                    probe.startedAtMs = after;  // the answer's wait starts now
                    if (!sendAnnounce(probe)) {
                        decide(probe, ProbeFailed);
                        printed = true;
                    }
                    sent = true;
                    continue;
                }
                if (seen.writable && !probe.wantsAnswer) {
                    decide(probe, ProbeConnected);
                    printed = true;
                    continue;
                }
                if (seen.readable) {
                    output(formatText("%d read\n", batch[k]));
                    printed = true;
                }
                if (seen.exception || late) {
                    decide(probe, ProbeFailed);
                    printed = true;
                }
            }
            passDone = printed || sent || !waited || late || after >= passEnd;
        }
        output(formatText(">-----%d\n", elapsed()));
    }
    output(formatText("Total %d msec\n", elapsed()));
}

void runProbe(std::vector<TrackerProbe>& probes, const ProbeOutput& output) {
    const uint32_t start = platform::tickCount();
    resolveProbes(probes, resolveBoundMs());
    ProbeWaiter waiter;
    waiter.boundMs = std::max(0, probeDeadlineMs() - static_cast<int>(platform::tickCount() - start));
    watchProbes(probes, output, waiter);
}

bool networkWasDown(const std::vector<TrackerProbe>& probes) {
    return !probes.empty() &&
           std::all_of(probes.begin(), probes.end(), [](const TrackerProbe& probe) { return probe.noNetwork; });
}
