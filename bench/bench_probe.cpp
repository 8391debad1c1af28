// Keswel's connect probe over 1, 100 and 1000 retrackers that answer:
// listeners on 127.0.0.1 and ports the system picks, nothing else; and over
// 1000 entries of which every other one is a UDP tracker on 127.0.0.1
// answering from a thread of its own. Wall time per probe run, console
// output discarded.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/net.h"
#include "probe/tracker_probe.h"

namespace {

// A listener that never accepts during the probe: the system completes the
// connects into its queue, which is all the probe waits for. The queue is
// emptied between runs, outside the timing.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        // The kernel caps the backlog at net.core.somaxconn.
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 4096) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        url_ = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/announce";
    }
    ~Listener() {
        if (fd_ >= 0) close(fd_);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    bool ok() const { return !url_.empty(); }
    const std::string& url() const { return url_; }

    void drain() {
        for (;;) {
            const int client = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                close(client);
                continue;
            }
            if (errno != EINTR) return;
        }
    }

private:
    int fd_ = -1;
    std::string url_;
};

// A UDP socket on 127.0.0.1 that answers every connect request with the
// connect reply, from its own thread, until it is destroyed.
class UdpTracker {
public:
    UdpTracker() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        // A short receive timeout lets the thread see that it must stop.
        timeval tick{0, 20000};
        int buffer = 4 << 20;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick) != 0)
            return;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        url_ = "udp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/announce";
        thread_ = std::thread([this] { serve(); });
    }
    ~UdpTracker() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
    }
    UdpTracker(const UdpTracker&) = delete;
    UdpTracker& operator=(const UdpTracker&) = delete;

    bool ok() const { return !url_.empty(); }
    const std::string& url() const { return url_; }

private:
    void serve() {
        unsigned char request[64];
        while (!stop_) {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t size =
                recvfrom(fd_, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 16) continue;
            unsigned char reply[16] = {};
            std::copy(request + 12, request + 16, reply + 4);  // action 0, the same transaction id
            sendto(fd_, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }

    int fd_ = -1;
    std::string url_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void discard(std::string_view) {}

// `udpEvery`: every so many entries one is UDP (0: none).
void probeRuns(benchmark::State& state, size_t udpEvery) {
    const auto count = static_cast<size_t>(state.range(0));
    UdpTracker udp;
    if (udpEvery && !udp.ok()) {
        state.SkipWithError("cannot bind UDP on 127.0.0.1");
        return;
    }
    // Raises the soft limit of open files to the hard one before the
    // listeners take their share.
    platform::netStartup();
    std::vector<std::unique_ptr<Listener>> listeners;
    for (size_t i = 0; i < count; ++i) {
        listeners.push_back(std::make_unique<Listener>());
        if (!listeners.back()->ok()) {
            state.SkipWithError("cannot listen on 127.0.0.1 (open file limit?)");
            platform::netCleanup();
            return;
        }
    }
    const ProbeOutput output = discard;
    size_t connected = count;
    for (auto _ : state) {
        state.PauseTiming();
        platform::netStartup();
        std::vector<TrackerProbe> probes(count);
        for (size_t i = 0; i < count; ++i)
            probes[i].url = udpEvery && i % udpEvery == 0 ? udp.url() : listeners[i]->url();
        state.ResumeTiming();

        runProbe(probes, output);

        state.PauseTiming();
        size_t answered = 0;
        for (const TrackerProbe& probe : probes) answered += probe.state == ProbeConnected;
        if (answered < connected) connected = answered;
        platform::netCleanup();
        for (auto& listener : listeners) listener->drain();
        state.ResumeTiming();
    }
    if (connected != count) state.SkipWithError("not every listener was reported connected");
    // Wall time per retracker, shown with an SI prefix ("40u" is 40 µs).
    state.counters["per_retracker"] =
        benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Probe(benchmark::State& state) { probeRuns(state, 0); }
void ProbeHalfUdp(benchmark::State& state) { probeRuns(state, 2); }

BENCHMARK(Probe)->Arg(1)->Arg(100)->Arg(1000)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ProbeHalfUdp)->Arg(1000)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
