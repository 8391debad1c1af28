#include "probe/tracker_probe.h"

#include <chrono>
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

namespace {

struct SplitRow {
    std::string_view url;
    std::string_view host;
    int32_t port;
};

constexpr SplitRow kSplitRows[] = {
    {"http://h:443/announce", "h", 443},
    {"http://h/announce", "h", 80},
    {"http://h", "h", 80},
    {"h:81", "h", 81},
    {"http://h:/announce", "h", 0},
    {"HTTP://h:1/", "HTTP", 0},  // the prefix is matched case-sensitively
    {"udp://h:1/announce", "udp", 0},
    {"http://h: 99", "h", 99},  // atoi skips the blank
    {"http://h:-5/", "h", 0},           // out of range: 0 on every system
    {"http://h:4294967376/", "h", 0},
    {"http://h:12x34", "h", 12},
    {"http://", "", 80},
    {"http:/", "http", 0},  // shorter than the prefix: no prefix
    {"", "", 80},
    {"http://10.0.0.1:2710/announce?x=1:2", "10.0.0.1", 2710},
    {"http://h/a:b", "h", 80},  // first of ':' and '/' decides
};

TEST(SplitTrackerUrl, Table) {
    for (const SplitRow& row : kSplitRows) {
        SCOPED_TRACE(row.url);
        const TrackerHostPort split = splitTrackerUrl(row.url);
        EXPECT_EQ(split.host, row.host);
        EXPECT_EQ(split.port, row.port);
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
    ProbeRun run() {
        for (TrackerProbe& probe : probes) startProbe(probe);
        std::vector<std::string> pending;
        for (const TrackerProbe& probe : probes)
            if (probe.state == ProbePending) pending.push_back(probe.url);
        watchProbes(probes, [this](std::string_view line) { output += line; });
        return checkProbeLines(output, pending);
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
    EXPECT_NE(probes[0].sock, platform::kNoSocket);
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
