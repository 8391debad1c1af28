#include "probe/keswel.h"
#include "probe/selection.h"
#include "settings/profile.h"

#include <gtest/gtest.h>

#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

namespace {

TEST(TrackerCheckList, JoinsNumbersWithSingleSpaces) {
    EXPECT_EQ(trackerCheckList({}), "");
    EXPECT_EQ(trackerCheckList({2}), "2");
    EXPECT_EQ(trackerCheckList({1, 3, 4}), "1 3 4");
    EXPECT_EQ(trackerCheckList({10, 200}), "10 200");
}

TEST(ProbeAndStore, NetworkThatCannotStartEndsTheRunAndKeepsSettings) {
    // A complete setup whose probe would store "0": only the failed start
    // keeps it from running.
    testing_support::Sandbox box;
    const std::string settings =
        "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 0\r\n";
    box.write("Settings.ini", settings);
    box.write("retrackers.ini", "[" CP1251_CITY "]\r\n1=Town\r\n[" CP1251_PROVIDERS " Town]\r\n1=Net\r\n[" CP1251_RETRACKERS
                                " Town Net]\r\n" CP1251_COUNT "=1\r\n1=http://127.0.0.1:1/\r\n");
    settings::RunPaths run;
    run.executableDirectory = box.dir().string() + "/";
    run.settingsPath = box.path("Settings.ini");

    const auto failingStart = [](int* errorCode) {
        *errorCode = 10091;  // WSASYSNOTREADY
        return false;
    };
    testing::internal::CaptureStdout();
    const int exitCode = probeAndStore(run, failingStart);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Network start failed with code 10091\n");
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(box.read("Settings.ini"), settings);
}

// Between --select storing the new choice and the probe's end, Settings.ini
// holds the new index with an empty TrackerCheck, never the new index with
// the old provider's numbers. The failing network start is the moment
// after the store and before the probe.
TEST(SelectAndProbe, StoresTheNewIndexWithAnEmptyTrackerCheck) {
    testing_support::Sandbox box;
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 0\r\nTrackerCheck=1 2 0\r\n");
    box.write("retrackers.ini", "[" CP1251_CITY "]\r\n1=Town\r\n[" CP1251_PROVIDERS " Town]\r\n1=Net\r\n2=Other\r\n[" CP1251_RETRACKERS
                                " Town Other]\r\n" CP1251_COUNT "=1\r\n1=http://127.0.0.1:1/\r\n");
    settings::RunPaths run;
    run.executableDirectory = box.dir().string() + "/";
    run.settingsPath = box.path("Settings.ini");
    std::string indexDuringProbe, checkDuringProbe = "unread";
    const auto observingStart = [&](int* errorCode) {
        indexDuringProbe = settings::readSetting(run.settingsPath, settings::kTrackerIniIndex);
        checkDuringProbe = settings::readSetting(run.settingsPath, settings::kTrackerCheck);
        *errorCode = 10091;
        return false;
    };
    testing::internal::CaptureStdout();
    EXPECT_EQ(selectAndProbe(run, 1, 2, "keswel", observingStart), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(indexDuringProbe, "0 1");
    EXPECT_EQ(checkDuringProbe, "");
    EXPECT_EQ(box.read("Settings.ini"), "[Settings]\r\nTrackersFile=retrackers.ini\r\nTrackerIniIndex=0 1\r\nTrackerCheck=\r\n");
}

// A probe's result is stored only under the index it probed.
TEST(StoreTrackerCheck, OnlyWhileTheProbedIndexIsStored) {
    struct Row {
        const char* storedIndex;
        const char* probedIndex;
        ProbeStore outcome;
        const char* trackerCheck;  // afterwards
    };
    const Row rows[] = {
        {"0 0", "0 0", ProbeStore::Stored, "3 0"},
        {"0 1", "0 0", ProbeStore::IndexChanged, "1 2 0"},  // --select ended meanwhile
        {"", "0 0", ProbeStore::IndexChanged, "1 2 0"},
    };
    testing_support::Sandbox box;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.storedIndex);
        box.write("Settings.ini", "[Settings]\r\nTrackerIniIndex=" + std::string(row.storedIndex) + "\r\nTrackerCheck=1 2 0\r\n");
        EXPECT_EQ(storeTrackerCheck(box.path("Settings.ini"), row.probedIndex, "3 0"), row.outcome);
        EXPECT_EQ(settings::readSetting(box.path("Settings.ini"), settings::kTrackerCheck), row.trackerCheck);
    }
    EXPECT_EQ(storeTrackerCheck(box.path("no-such-dir/Settings.ini"), "", "3 0"), ProbeStore::Failed);
}

}  // namespace
