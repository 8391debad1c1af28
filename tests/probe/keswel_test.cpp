#include "probe/keswel.h"

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

}  // namespace
