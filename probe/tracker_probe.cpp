#include "probe/tracker_probe.h"

#include <algorithm>
#include <cstdlib>
#include <random>

#include "numbers/decimal.h"
#include "probe/console_print.h"
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

// A UDP connect request is sent again at these times (ms after the loop
// started) while no reply came: a lost datagram must not lose the tracker,
// and a tracker that answers at all answers within milliseconds.
constexpr int kUdpResendAtMs[] = {1000, 3000, 7000};

// Datagrams read from one socket in one pass: a peer that floods the socket
// with wrong datagrams cannot hold the loop.
constexpr int kDatagramsPerPass = 16;

// Enough for the 16 bytes of a reply; longer datagrams are cut.
constexpr size_t kReplyBuffer = 64;

uint32_t newTransactionId() {
    static std::mt19937 generator{std::random_device{}() ^ platform::tickCount()};
    return static_cast<uint32_t>(generator());
}

bool sendConnectRequest(TrackerProbe& probe) {
    const auto request = udpConnectRequest(probe.transactionId);
    ++probe.requestsSent;
    return platform::sendDatagram(probe.sock, request.data(), request.size());
}

// Reads what waits on a UDP entry's socket: a valid reply connects it, a
// refusal fails it, any other datagram is ignored.
ProbeState udpOutcome(const TrackerProbe& probe) {
    unsigned char buffer[kReplyBuffer];
    for (int i = 0; i < kDatagramsPerPass; ++i) {
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
    if (!platform::resolveAddress(target.host, std::to_string(target.port), target.transport, probe.address)) {
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
    if (target.transport == platform::Transport::Udp) {
        // The connect only fixed the peer; the request decides.
        probe.transactionId = newTransactionId();
        probe.state = start != platform::ConnectStart::Failed && sendConnectRequest(probe) ? ProbePending : ProbeFailed;
        return;
    }
    switch (start) {
    case platform::ConnectStart::Connected: probe.state = ProbeConnected; break;
    case platform::ConnectStart::Pending: probe.state = ProbePending; break;
    case platform::ConnectStart::Failed: probe.state = ProbeFailed; break;
    }
}

int probeDeadlineMs() { return platform::connectGiveUpMs() + kDeadlineMarginMs; }

void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output, const ProbeWaiter& waiter) {
    const uint32_t start = waiter.tickCount();
    // Times are 32-bit tick differences, printed as signed numbers.
    auto elapsed = [&waiter, start] { return static_cast<int>(waiter.tickCount() - start); };
    const int deadline = probeDeadlineMs();
    const int udpGiveUp = platform::connectGiveUpMs();

    std::vector<int32_t> batch;
    std::vector<platform::WatchedSocket> sockets;
    std::vector<platform::Readiness> ready;
    for (;;) {
        const auto pending = std::count_if(probes.begin(), probes.end(),
                                           [](const TrackerProbe& p) { return p.state == ProbePending; });
        const int now = elapsed();
        output(formatText("<-----%d remains %d\n", now, static_cast<int>(pending)));

        batch.clear();
        sockets.clear();
        for (size_t i = 0; i < probes.size() && batch.size() < kWatchedPerPass; ++i) {
            if (probes[i].state != ProbePending) continue;
            batch.push_back(static_cast<int32_t>(i));
            sockets.push_back({probes[i].sock, probes[i].transport});
        }
        if (batch.size() >= kLargeBatch) output("Out of set size\n");
        if (batch.empty()) break;

        // Requests of entries waiting for a place are sent again too; their
        // replies wait in their sockets.
        for (TrackerProbe& probe : probes) {
            if (probe.state != ProbePending || probe.transport != platform::Transport::Udp) continue;
            const size_t resend = static_cast<size_t>(probe.requestsSent - 1);
            if (resend < std::size(kUdpResendAtMs) && now >= kUdpResendAtMs[resend]) sendConnectRequest(probe);
        }

        // Past the deadline a pass only collects what is already decided.
        const bool late = now >= deadline;
        const bool waited = waiter.wait(sockets, late ? 0 : kPassTimeoutMs, ready);
        const int after = elapsed();
        for (size_t k = 0; k < batch.size(); ++k) {
            TrackerProbe& probe = probes[static_cast<size_t>(batch[k])];
            const platform::Readiness seen = waited ? ready[k] : platform::Readiness{};
            if (probe.transport == platform::Transport::Udp) {
                if (seen.exception) probe.state = ProbeFailed;
                else if (seen.readable) probe.state = udpOutcome(probe);
                if (probe.state == ProbePending && (late || after >= udpGiveUp)) probe.state = ProbeFailed;
                if (probe.state == ProbeConnected) output(formatText("%s connected ok\n", probe.url.c_str()));
                if (probe.state == ProbeFailed) output(formatText("%s can't connected\n", probe.url.c_str()));
                continue;
            }
            if (seen.writable) {
                output(formatText("%s connected ok\n", probe.url.c_str()));
                probe.state = ProbeConnected;
                continue;
            }
            if (seen.readable) output(formatText("%d read\n", batch[k]));
            if (seen.exception || late) {
                output(formatText("%s can't connected\n", probe.url.c_str()));
                probe.state = ProbeFailed;
            }
        }
        output(formatText(">-----%d\n", elapsed()));
    }
    output(formatText("Total %d msec\n", elapsed()));
}

void runProbe(std::vector<TrackerProbe>& probes, const ProbeOutput& output) {
    for (TrackerProbe& probe : probes) startProbe(probe);
    watchProbes(probes, output);
}
