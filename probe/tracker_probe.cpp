#include "probe/tracker_probe.h"

#include <algorithm>
#include <cstdlib>

#include "numbers/decimal.h"
#include "probe/console_print.h"

namespace {

constexpr std::string_view kHttpPrefix = "http://";
constexpr int32_t kDefaultPort = 80;

// One pass watches at most this many connects: the capacity of a Winsock
// socket set, kept on every platform so the passes print the same lines.
constexpr size_t kWatchedPerPass = 64;

// From this batch size on, a pass says it is watching a large set.
constexpr size_t kLargeBatch = 10;

constexpr int kPassTimeoutMs = 1000;

}  // namespace

TrackerHostPort splitTrackerUrl(std::string_view url) {
    std::string_view rest = url;
    if (rest.substr(0, kHttpPrefix.size()) == kHttpPrefix) rest.remove_prefix(kHttpPrefix.size());
    const size_t split = rest.find_first_of(":/");
    if (split == std::string_view::npos) return {std::string(rest), kDefaultPort};
    TrackerHostPort result{std::string(rest.substr(0, split)), kDefaultPort};
    // The port read stops at the first byte that is no digit, so the path after it never matters.
    if (rest[split] == ':') result.port = numbers::readPort(rest.substr(split + 1));
    return result;
}

void startProbe(TrackerProbe& probe) {
    const TrackerHostPort target = splitTrackerUrl(probe.url);
    if (!platform::resolveIpv4(target.host, std::to_string(target.port), probe.address)) {
        probe.state = ProbeUnresolved;
        return;
    }
    probe.sock = platform::openTcpSocket();
    if (probe.sock == platform::kNoSocket) {
        probe.state = ProbeNoSocket;
        return;
    }
    platform::setNonBlocking(probe.sock);
    switch (platform::startConnect(probe.sock, probe.address)) {
    case platform::ConnectStart::Connected: probe.state = ProbeConnected; break;
    case platform::ConnectStart::Pending: probe.state = ProbePending; break;
    case platform::ConnectStart::Failed: probe.state = ProbeFailed; break;
    }
}

void watchProbes(std::vector<TrackerProbe>& probes, const ProbeOutput& output) {
    const uint32_t start = platform::tickCount();
    // Times are 32-bit tick differences, printed as signed numbers.
    auto elapsed = [start] { return static_cast<int>(platform::tickCount() - start); };

    std::vector<int32_t> batch;
    std::vector<platform::SocketHandle> sockets;
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
            sockets.push_back(probes[i].sock);
        }
        if (batch.size() >= kLargeBatch) output("Out of set size\n");
        if (batch.empty()) break;

        platform::waitForConnects(sockets, kPassTimeoutMs, ready);
        for (size_t k = 0; k < batch.size(); ++k) {
            TrackerProbe& probe = probes[static_cast<size_t>(batch[k])];
            if (ready[k].writable) {
                output(formatText("%s connected ok\n", probe.url.c_str()));
                probe.state = ProbeConnected;
                continue;
            }
            if (ready[k].readable) output(formatText("%d read\n", batch[k]));
            if (ready[k].exception) {
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
