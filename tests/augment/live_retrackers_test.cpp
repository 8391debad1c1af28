#include "augment/live_retrackers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/profile.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using settings::DirectoryFailure;
using testing_support::Sandbox;

namespace {

TEST(ParseTrackerCheck, Table) {
    struct Row {
        const char* value;
        std::vector<int32_t> list;
    };
    const Row rows[] = {
        {"2 5 0", {2, 5}},
        {"   2   5   0   ", {2, 5}},
        {"2,5", {2}},
        {"2 x 5", {2}},
        {"0 2", {}},
        {"", {}},
        {" 0", {}},
        {"-3 4 0", {-3, 4}},
        {"1 3 4 0", {1, 3, 4}},
        {"7", {7}},
        {"2\t5 0", {2, 5}},  // the number read skips the tab before 5
        {"99999999999 -99999999999 0", {2147483647, -2147483647 - 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        std::vector<int32_t> list;
        parseTrackerCheck(row.value, list);
        EXPECT_EQ(list, row.list);
    }
}

// A value of the full read length may end inside a number that was cut.
TEST(LiveNumbers, CutValueLosesItsPartialNumber) {
    std::string full = "5 ";
    while (full.size() < kProfileValueLimit - 1) full += "12 ";
    full += "1";  // "5 12 ... 12 1", as a cut "... 12 123 0" reads
    ASSERT_EQ(full.size(), kProfileValueLimit);
    struct Row {
        std::string value;
        size_t count;
        int32_t last;
    };
    const Row rows[] = {
        {full, 1365, 12},
        {full.substr(0, kProfileValueLimit - 1) + " ", 1365, 12},  // cut after a number: all complete
        {full.substr(1), 1365, 1},                                 // shorter: not cut, taken whole
        {std::string(kProfileValueLimit, '7'), 0, 0},              // one number, cut
        {"3 1", 2, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value.size());
        const std::vector<int32_t> list = liveNumbers(row.value);
        ASSERT_EQ(list.size(), row.count);
        if (!list.empty()) {
            EXPECT_EQ(list.back(), row.last);
        }
    }
}

// Settings and directory in, live URLs out: which TrackerCheck numbers become URLs.
TEST(ResolveLiveRetrackers, Table) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", "[" CP1251_CITY "]\r\n1=T\r\n[" CP1251_PROVIDERS " T]\r\n1=P\r\n2=Q\r\n3=N\r\n"
                                    "[" CP1251_RETRACKERS " T P]\r\n" CP1251_COUNT "=4\r\n1=http://one/\r\n2=\r\n"
                                    "03=http://three/\r\n4=http://four/\r\n5=http://five/\r\n-1=http://minus/\r\n"
                                    "[" CP1251_RETRACKERS " T Q]\r\n" CP1251_COUNT "=1\r\n1=http://q1/\r\n2=http://q2/\r\n"
                                    "[" CP1251_RETRACKERS " T N]\r\n" CP1251_COUNT "=-2\r\n-3=http://n/\r\n");
    struct Row {
        const char* settings;
        std::vector<std::string> urls;
        bool addStatistics;
    };
    const Row rows[] = {
        {"TrackerIniIndex=0 0\r\nTrackerCheck=4 1 0\r\n", {"http://four/", "http://one/"}, false},
        {"TrackerIniIndex=0 0\r\n", {}, false},
        {"TrackerIniIndex=0 0\r\nTrackerCheck= 0\r\n", {}, false},
        // Empty keys, keys with a leading zero and numbers above the count give nothing.
        {"TrackerIniIndex=0 0\r\nTrackerCheck=1 2 3 4 5 0\r\n", {"http://one/", "http://four/"}, false},
        {"TrackerIniIndex=0 0\r\nTrackerCheck=1 1 0\r\n", {"http://one/", "http://one/"}, false},
        // Negative numbers are looked up like any other.
        {"TrackerIniIndex=0 0\r\nTrackerCheck=-1 0\r\n", {"http://minus/"}, false},
        {"TrackerIniIndex=0 1\r\nTrackerCheck=2 1 0\r\n", {"http://q1/"}, false},
        {"TrackerIniIndex=0 2\r\nTrackerCheck=1 -3 0\r\n", {"http://n/"}, false},
        {"TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=tRUE\r\n", {"http://one/"}, true},
        {"TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=yes\r\n", {"http://one/"}, false},
        {"TrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\nAddStat=1\r\n", {"http://one/"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.settings);
        sandbox.write("Settings.ini",
                      "[Settings]\r\nTrackersFile=" + sandbox.path("retrackers.ini") + "\r\n" + row.settings);
        const LiveRetrackers live = resolveLiveRetrackers(settings::SettingsSnapshot(sandbox.path("Settings.ini")));
        ASSERT_EQ(live.choice.failure, DirectoryFailure::None);
        EXPECT_EQ(live.urls, row.urls);
        EXPECT_EQ(live.addStatistics, row.addStatistics);
    }
    // A failure leaves the URLs empty.
    sandbox.write("Settings.ini", "[Settings]\r\nTrackersFile=" + sandbox.path("retrackers.ini") +
                                      "\r\nTrackerIniIndex=5 0\r\nTrackerCheck=1 0\r\n");
    const LiveRetrackers failed = resolveLiveRetrackers(settings::SettingsSnapshot(sandbox.path("Settings.ini")));
    EXPECT_EQ(failed.choice.failure, DirectoryFailure::BadCity);
    EXPECT_TRUE(failed.urls.empty());
}

TEST(LocalHosts, AddressTakesTheHostsPlace) {
    const std::vector<LocalHost> hosts =
        parseLocalHosts("retracker.local=10.0.0.5 v6.local=fd00::5 bad.local=10.0.0.5/x =1.2.3.4 empty.local= junk");
    ASSERT_EQ(hosts.size(), 2u);
    struct Row {
        const char* url;
        const char* added;
    };
    const Row rows[] = {
        {"http://retracker.local/announce", "http://10.0.0.5/announce"},
        {"http://RETRACKER.local:2710/announce?x=1", "http://10.0.0.5:2710/announce?x=1"},
        {"udp://retracker.local:6969", "udp://10.0.0.5:6969"},
        {"retracker.local/announce", "10.0.0.5/announce"},
        {"http://v6.local/announce", "http://[fd00::5]/announce"},
        {"https://v6.local:8443", "https://[fd00::5]:8443"},
        // Only the host itself: other hosts, and the name elsewhere in the URL, stay.
        {"http://stat.retracker.local/announce", "http://stat.retracker.local/announce"},
        {"http://other/retracker.local", "http://other/retracker.local"},
        {"http://bad.local/announce", "http://bad.local/announce"},
        {"http://[::1]/announce", "http://[::1]/announce"},
    };
    for (const Row& row : rows) EXPECT_EQ(withLocalAddress(row.url, hosts), row.added) << row.url;

    LiveRetrackers live;
    live.urls = {"http://retracker.local/announce"};
    live.localHosts = hosts;
    EXPECT_EQ(urlsToAdd(live, "n", 1, ""), std::vector<std::string>{"http://10.0.0.5/announce"});
}

}  // namespace
