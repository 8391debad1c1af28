#include "probe/tracker_probe.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <regex>

#include "tests/probe/probe_lines.h"
#include "tests/support/loopback.h"
#include "tests/support/sandbox.h"

using probe_testing::checkProbeLines;
using probe_testing::ProbeRun;
using probe_testing::withoutTimes;
using testing_support::LoopbackListener;
using testing_support::LoopbackUdpPeer;

namespace {

using platform::Transport;

struct SplitRow {
    std::string_view url;
    std::string_view host;
    int32_t port;
    Transport transport = Transport::Tcp;
};

constexpr SplitRow kSplitRows[] = {
    {"http://h:443/announce", "h", 443},
    {"http://h/announce", "h", 80},
    {"http://h", "h", 80},
    {"h:81", "h", 81},
    {"http://h:/announce", "h", 0},
    {"HTTP://h:1/", "HTTP", 0},  // the prefix is matched case-sensitively
    {"udp://h:1/announce", "h", 1, Transport::Udp},
    {"http://h: 99", "h", 99},  // atoi skips the blank
    {"http://h:-5/", "h", 0},           // out of range: 0 on every system
    {"http://h:4294967376/", "h", 0},
    {"http://h:12x34", "h", 12},
    {"http://", "", 80},
    {"http:/", "http", 0},  // shorter than the prefix: no prefix
    {"", "", 80},
    {"http://10.0.0.1:2710/announce?x=1:2", "10.0.0.1", 2710},
    {"http://h/a:b", "h", 80},  // first of ':' and '/' decides
    {"https://h/announce", "h", 443},
    {"https://h:8443/announce", "h", 8443},
    {"HTTPS://h/", "HTTPS", 0},
    {"udp://h:2710/announce", "h", 2710, Transport::Udp},
    {"udp://h", "h", 80, Transport::Udp},
    {"udp://", "", 80, Transport::Udp},
    {"http://[2001:db8::1]:80/announce", "2001:db8::1", 80},
    {"http://[::1]/announce", "::1", 80},
    {"[::1]:81", "::1", 81},
    {"udp://[::1]:6969/announce", "::1", 6969, Transport::Udp},
    {"https://[::1]", "::1", 443},
    {"http://[::1]x:5/", "::1", 80},  // only ':' right after ']' gives a port
    {"http://[::1", "[", 0},          // unclosed: split as a plain host
    {"http://[]:7", "", 7},
};

TEST(SplitTrackerUrl, Table) {
    for (const SplitRow& row : kSplitRows) {
        SCOPED_TRACE(row.url);
        const TrackerHostPort split = splitTrackerUrl(row.url);
        EXPECT_EQ(split.host, row.host);
        EXPECT_EQ(split.port, row.port);
        EXPECT_EQ(split.transport, row.transport);
    }
}

// A name the resolver library rejects by itself (empty label), so no query
// leaves the machine and the answer comes at once.
const std::string kUnresolvableUrl = "http://no-such..host.invalid:80/announce";

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override { platform::netStartup(); }
    void TearDown() override { platform::netCleanup(); }

    void add(const std::string& url) {
        TrackerProbe probe;
        probe.url = url;
        probes.push_back(probe);
    }
    std::string addReachable() {
        listeners.push_back(std::make_unique<LoopbackListener>());
        add(listeners.back()->url());
        return listeners.back()->url();
    }
    void addReachable(int count) {
        for (int i = 0; i < count; ++i) addReachable();
    }

    // startProbe for all, then watchProbes with the lines checked against the
    // entries that were pending before the loop.
    ProbeRun run(const ProbeWaiter& waiter = {}) {
        for (TrackerProbe& probe : probes)
            if (probe.state == ProbeNew) startProbe(probe);
        std::vector<std::string> pending;
        for (const TrackerProbe& probe : probes)
            if (probe.state == ProbePending) pending.push_back(probe.url);
        watchProbes(probes, [this](std::string_view line) { output += line; }, waiter);
        return checkProbeLines(output, pending);
    }

    // The system's wait, with the UDP peer answering first: the peer needs no
    // thread of its own.
    static ProbeWaiter answeredBy(LoopbackUdpPeer& peer) {
        ProbeWaiter waiter;
        waiter.wait = [&peer](const auto& sockets, int timeoutMs, auto& ready) {
            peer.answer();
            return platform::waitForSockets(sockets, timeoutMs, ready);
        };
        return waiter;
    }

    std::vector<std::unique_ptr<LoopbackListener>> listeners;
    std::vector<TrackerProbe> probes;
    std::string output;
};

TEST_F(ProbeTest, EmptyListPrintsOnlyTheFirstPassAndTotal) {
    run();
    EXPECT_EQ(withoutTimes(output), (std::vector<std::string>{"<-----T remains 0", "Total T msec"}));
}

TEST_F(ProbeTest, ReachableRetrackerIsConnected) {
    const std::string url = addReachable();
    run();
    EXPECT_EQ(withoutTimes(output), (std::vector<std::string>{"<-----T remains 1", url + " connected ok",
                                                              ">-----T", "<-----T remains 0", "Total T msec"}));
    EXPECT_EQ(probes[0].state, ProbeConnected);
    EXPECT_EQ(probes[0].sock, platform::kNoSocket);  // closed once decided
}

TEST_F(ProbeTest, RefusedRetrackerFailsWithItsLine) {
    const std::string url = testing_support::refusedUrl();
    add(url);
    run();
    std::vector<std::string> lines = withoutTimes(output);
#ifdef RETRACKERS_UNDER_WINE
    // Wine reports a refused connect in the read set too in most runs, Windows does not.
    std::erase(lines, "0 read");
#endif
    EXPECT_EQ(lines, (std::vector<std::string>{"<-----T remains 1", url + " can't connected",
                                                              ">-----T", "<-----T remains 0", "Total T msec"}));
    EXPECT_EQ(probes[0].state, ProbeFailed);
}

TEST_F(ProbeTest, UnresolvableRetrackerIsNeverNamed) {
    add(kUnresolvableUrl);
    run();
    EXPECT_EQ(withoutTimes(output), (std::vector<std::string>{"<-----T remains 0", "Total T msec"}));
    EXPECT_EQ(probes[0].state, ProbeUnresolved);
    EXPECT_EQ(probes[0].sock, platform::kNoSocket);
}

TEST_F(ProbeTest, FinishedEntriesAreLeftAlone) {
    // Entries that ended in startProbe (a connect that succeeded at once
    // among them) print nothing in the watch loop and keep their state.
    add("http://127.0.0.1:1/");
    add("http://127.0.0.1:2/");
    probes[0].state = ProbeConnected;
    probes[1].state = ProbeNoSocket;
    watchProbes(probes, [this](std::string_view line) { output += line; });
    EXPECT_EQ(withoutTimes(output), (std::vector<std::string>{"<-----T remains 0", "Total T msec"}));
    EXPECT_EQ(probes[0].state, ProbeConnected);
    EXPECT_EQ(probes[1].state, ProbeNoSocket);
}

TEST_F(ProbeTest, MixEndsEachEntryInItsState) {
    const std::string first = addReachable();
    add(kUnresolvableUrl);
    const std::string refused = testing_support::refusedUrl();
    add(refused);
    const std::string last = addReachable();
    const ProbeRun result = run();
    EXPECT_EQ(result.outcome, (std::map<std::string, std::string>{
                                  {first, "connected ok"}, {refused, "can't connected"}, {last, "connected ok"}}));
    EXPECT_EQ(probes[0].state, ProbeConnected);
    EXPECT_EQ(probes[1].state, ProbeUnresolved);
    EXPECT_EQ(probes[2].state, ProbeFailed);
    EXPECT_EQ(probes[3].state, ProbeConnected);
}

TEST_F(ProbeTest, NinePendingNeverPrintOutOfSetSize) {
    addReachable(9);
    const ProbeRun result = run();
    for (const auto& pass : result.passes) EXPECT_FALSE(pass.outOfSetSize);
    EXPECT_EQ(result.outcome.size(), 9u);
}

TEST_F(ProbeTest, TenPendingPrintOutOfSetSizeInTheFirstPass) {
    addReachable(10);
    const ProbeRun result = run();
    ASSERT_FALSE(result.passes.empty());
    EXPECT_EQ(result.passes[0].remains, 10);
    EXPECT_TRUE(result.passes[0].outOfSetSize);
    EXPECT_EQ(result.outcome.size(), 10u);
}

TEST_F(ProbeTest, SeventyPendingAreWatchedSixtyFourAtATime) {
    addReachable(70);
    const ProbeRun result = run();  // checks that a pass reports only the first 64 pending
    ASSERT_GE(result.passes.size(), 3u);
    EXPECT_EQ(result.passes[0].remains, 70);
    EXPECT_TRUE(result.passes[0].outOfSetSize);
    EXPECT_LE(result.passes[0].results.size(), 64u);
    EXPECT_EQ(result.outcome.size(), 70u);
    for (const TrackerProbe& probe : probes) EXPECT_EQ(probe.state, ProbeConnected);
}

// A clock that moves only while the loop waits, each wait by its whole
// timeout: seconds of the loop pass in moments.
struct FakeClock {
    uint32_t now = 0xFFFFF000u;  // wraps during the run, as GetTickCount may
    int waits = 0;

    // `waitOnce` does the wait itself (at most a moment of real time).
    ProbeWaiter waiter(std::function<bool(const std::vector<platform::WatchedSocket>&,
                                          std::vector<platform::Readiness>&)> waitOnce) {
        ProbeWaiter waiter;
        waiter.tickCount = [this] { return now; };
        waiter.wait = [this, waitOnce](const auto& sockets, int timeoutMs, auto& ready) {
            ++waits;
            now += static_cast<uint32_t>(timeoutMs);
            return waitOnce(sockets, ready);
        };
        return waiter;
    }
};

// A connect reply, an error reply of the bare 8-byte header, or a connect
// reply behind a hundred wrong ones: a tracker answering, found in the first pass.
TEST_F(ProbeTest, UdpTrackerThatRepliesIsConnected) {
    for (LoopbackUdpPeer::Reply reply :
         {LoopbackUdpPeer::Reply::Tracker, LoopbackUdpPeer::Reply::ShortError, LoopbackUdpPeer::Reply::Flood}) {
        SCOPED_TRACE(static_cast<int>(reply));
        LoopbackUdpPeer tracker(reply);
        probes.clear();
        output.clear();
        add(tracker.url());
        run(answeredBy(tracker));
        EXPECT_EQ(withoutTimes(output), (std::vector<std::string>{"<-----T remains 1", tracker.url() + " connected ok",
                                                                  ">-----T", "<-----T remains 0", "Total T msec"}));
        EXPECT_EQ(probes[0].state, ProbeConnected);
        EXPECT_EQ(tracker.requestsSeen(), 1);
    }
}

TEST_F(ProbeTest, UdpWithoutAValidReplyIsAskedAgainThenFails) {
    for (LoopbackUdpPeer::Reply reply : {LoopbackUdpPeer::Reply::WrongTransaction, LoopbackUdpPeer::Reply::Silent}) {
        SCOPED_TRACE(static_cast<int>(reply));
        LoopbackUdpPeer peer(reply);
        probes.clear();
        output.clear();
        add(peer.url());
        FakeClock clock;
        const uint32_t started = clock.now;
        const ProbeRun result = run(clock.waiter([&peer](const auto& sockets, auto& ready) {
            peer.answer();
            return platform::waitForSockets(sockets, 20, ready);
        }));
        EXPECT_EQ(probes[0].state, ProbeFailed);
        EXPECT_EQ(result.outcome.at(peer.url()), "can't connected");
        EXPECT_EQ(peer.requestsSeen(), 4);  // the request and three more
        // Given up as an unanswered connect would be, before the deadline.
        const int spent = static_cast<int>(clock.now - started);
        EXPECT_GE(spent, platform::connectGiveUpMs());
        EXPECT_LE(spent, platform::connectGiveUpMs() + 1000);
    }
}

// Seventy UDP entries of one tracker: the first pass asks only the 64 it
// watches, the other six are asked as places free; all are connected.
TEST_F(ProbeTest, UdpRequestsGoOutAsEntriesAreWatched) {
    LoopbackUdpPeer tracker;
    for (int i = 0; i < 70; ++i) add(tracker.url() + "?n=" + std::to_string(i));
    std::vector<int> seenAtWait;
    ProbeWaiter waiter;
    waiter.wait = [&](const auto& sockets, int timeoutMs, auto& ready) {
        tracker.answer();
        seenAtWait.push_back(tracker.requestsSeen());
        return platform::waitForSockets(sockets, timeoutMs, ready);
    };
    const ProbeRun result = run(waiter);
    ASSERT_FALSE(seenAtWait.empty());
    EXPECT_EQ(seenAtWait.front(), 64);
    EXPECT_EQ(tracker.requestsSeen(), 70);
    EXPECT_EQ(result.outcome.size(), 70u);
    for (const TrackerProbe& probe : probes) EXPECT_EQ(probe.state, ProbeConnected);
}

// A peer that answers every request with a hundred wrong datagrams: they are
// read and dropped, and waking for them neither ends a pass nor prints.
TEST_F(ProbeTest, WrongDatagramsAreIgnoredWithoutALine) {
    LoopbackUdpPeer peer(LoopbackUdpPeer::Reply::WrongFlood);
    add(peer.url());
    // The clock moves a moment when the wait wakes early, and by the whole
    // timeout when nothing came.
    uint32_t now = 0;
    int wakeUps = 0;
    ProbeWaiter waiter;
    waiter.tickCount = [&now] { return now; };
    waiter.wait = [&](const auto& sockets, int timeoutMs, auto& ready) {
        peer.answer();
        const bool waited = platform::waitForSockets(sockets, 20, ready);
        const bool woke = waited && ready[0].readable;
        wakeUps += woke;
        now += woke ? 1u : static_cast<uint32_t>(timeoutMs);
        return waited;
    };
    const ProbeRun result = run(waiter);
    EXPECT_EQ(result.outcome.at(peer.url()), "can't connected");
    EXPECT_GE(wakeUps, 4);  // the datagrams did wake the loop
    EXPECT_LE(result.passes.size(), static_cast<size_t>(platform::connectGiveUpMs() / 1000 + 2));
    EXPECT_EQ(peer.requestsSeen(), 4);
}

TEST_F(ProbeTest, ClosedUdpPortFailsWithItsLine) {
    const std::string url = testing_support::refusedUdpUrl();
    add(url);
    FakeClock clock;
    const ProbeRun result = run(clock.waiter(
        [](const auto& sockets, auto& ready) { return platform::waitForSockets(sockets, 50, ready); }));
    EXPECT_EQ(probes[0].state, ProbeFailed);
    EXPECT_EQ(result.outcome.at(url), "can't connected");
#ifndef RETRACKERS_UNDER_WINE
    // Wine 8.0 does not pass the refusal to the connected socket: the entry
    // fails when it is given up. Linux and Windows tell at once.
    EXPECT_LE(clock.waits, 2);
#endif
}

TEST_F(ProbeTest, Ipv6LoopbackIsReachedOverTcp) {
    std::unique_ptr<LoopbackListener> listener;
    try {
        listener = std::make_unique<LoopbackListener>(true);
    } catch (const std::exception&) {
        GTEST_SKIP() << "this machine has no ::1";
    }
    const std::string https = "https://[::1]:" + std::to_string(listener->port()) + "/announce";
    add(listener->url());
    add(https);
    const ProbeRun result = run();
    EXPECT_EQ(result.outcome, (std::map<std::string, std::string>{{listener->url(), "connected ok"},
                                                                   {https, "connected ok"}}));
}

TEST_F(ProbeTest, DeadlineEndsEntriesThatStayPending) {
    // Seventy entries that no wait ever decides, once with waits that report
    // nothing and once with waits that fail at once and leave every flag set:
    // a failed wait is no result.
    for (const bool waitFails : {false, true}) {
        SCOPED_TRACE(waitFails ? "wait fails" : "nothing ready");
        probes.clear();
        output.clear();
        for (int i = 1; i <= 70; ++i) {
            add("http://127.0.0.1:" + std::to_string(i) + "/");
            probes.back().state = ProbePending;
        }
        FakeClock clock;
        const ProbeRun result = run(clock.waiter([waitFails](const auto& sockets, auto& ready) {
            ready.assign(sockets.size(), waitFails ? platform::Readiness{true, true, false} : platform::Readiness{});
            return !waitFails;
        }));
        for (const TrackerProbe& probe : probes) EXPECT_EQ(probe.state, ProbeFailed);
        EXPECT_EQ(result.outcome.size(), 70u);
        // One wait per second up to the deadline, then two passes of 64 and 6.
        EXPECT_EQ(clock.waits, probeDeadlineMs() / 1000 + 2);
    }
}

// All names at once: literals and names found keep ProbeNew with their
// address, a name the resolver rejects is unresolved but was answered, and
// entries already started are not looked at.
TEST_F(ProbeTest, ResolvedAllAtOnce) {
    add("http://127.0.0.1:81/");
    add("udp://localhost:82/");
    add(kUnresolvableUrl);
    add("http://[::1]:83/");
    add("http://127.0.0.1:81/again");
    add("http://127.0.0.2/");
    probes.back().state = ProbeFailed;
    resolveProbes(probes, 5000);
    const ProbeState states[] = {ProbeNew, ProbeNew, ProbeUnresolved, ProbeNew, ProbeNew, ProbeFailed};
    for (size_t i = 0; i < probes.size(); ++i) {
        SCOPED_TRACE(probes[i].url);
        EXPECT_EQ(probes[i].state, states[i]);
        EXPECT_EQ(probes[i].address.length != 0, states[i] == ProbeNew);
        EXPECT_FALSE(probes[i].noNetwork);
    }
    EXPECT_EQ(std::memcmp(probes[0].address.bytes, probes[4].address.bytes, sizeof probes[0].address.bytes), 0);
    EXPECT_FALSE(networkWasDown(probes));
}

// Entries left in ProbeNew start as sockets are free: with room for three,
// ten live entries all connect, each with its line. Past the bound none is
// started any more, and each waiting entry fails with its line.
TEST_F(ProbeTest, EntriesWaitForFreeSockets) {
    for (const int bound : {-1, 0}) {
        SCOPED_TRACE(bound);
        probes.clear();
        output.clear();
        addReachable(10);
        ProbeWaiter waiter;
        waiter.socketsAvailable = [] { return size_t{3}; };
        waiter.boundMs = bound;
        watchProbes(probes, [this](std::string_view line) { output += line; }, waiter);
        const std::vector<std::string> lines = withoutTimes(output);
        EXPECT_EQ(lines.front(), "<-----T remains 10");
        size_t decided = 0;
        for (const TrackerProbe& probe : probes) {
            EXPECT_EQ(probe.state, bound < 0 ? ProbeConnected : ProbeFailed);
            EXPECT_EQ(probe.sock, platform::kNoSocket);
            const std::string line = probe.url + (bound < 0 ? " connected ok" : " can't connected");
            decided += std::count(lines.begin(), lines.end(), line);
        }
        EXPECT_EQ(decided, 10u);
        EXPECT_EQ(lines.back(), "Total T msec");
    }
}

TEST_F(ProbeTest, UnansweredConnectGivesUpWithinTwentyFiveSeconds) {
#ifdef RETRACKERS_UNDER_WINE
    // Wine hands the connect to the host's sockets, which retry for about two
    // minutes; Windows itself gives up after about 21 seconds.
    GTEST_SKIP() << "Wine keeps the host's connect timeout";
#endif
    // The listener's queue is full, so the SYNs go unanswered; without a
    // bound of our own Linux would keep trying for about two minutes.
    LoopbackListener silent;
    silent.fillQueue();
    add(silent.url());
    const auto started = std::chrono::steady_clock::now();
    const ProbeRun result = run();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(probes[0].state, ProbeFailed);
    EXPECT_EQ(result.outcome.at(silent.url()), "can't connected");
    EXPECT_LT(seconds, 25);
    EXPECT_GT(result.passes.size(), 10u);  // one pass per second while waiting
}

}  // namespace
