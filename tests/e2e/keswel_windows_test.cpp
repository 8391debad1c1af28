// Keswel.exe as Windows runs it: Winsock connects to loopback listeners, the
// console bytes unchanged, TrackerCheck written by WritePrivateProfileStringA.
#include <gtest/gtest.h>

#include "tests/support/loopback.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

const std::string kCitySection = "\xC3\xEE\xF0\xEE\xE4";                       // Город
const std::string kProviders = "\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB ";  // "Провайдеры "
const std::string kRetrackers = "\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB ";     // "Ретрекеры "
const std::string kCount = "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE";       // Количество
const std::string kTver = "\xD2\xE2\xE5\xF0\xFC";                             // Тверь

class KeswelWindows : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);

    void writeFiles(const std::vector<std::string>& urls) {
        std::string directory = "[" + kCitySection + "]\r\n1=" + kTver + "\r\n[" + kProviders + kTver +
                                "]\r\n1=NetOne\r\n[" + kRetrackers + kTver + " NetOne]\r\n" + kCount + "=" +
                                std::to_string(urls.size()) + "\r\n";
        for (size_t i = 0; i < urls.size(); ++i) directory += std::to_string(i + 1) + "=" + urls[i] + "\r\n";
        box.write("retrackers.ini", directory);
        box.write("Settings.ini", "[Settings]\r\nTrackersFile=" + box.path("retrackers.ini") +
                                      "\r\nTrackerIniIndex=0 0\r\nTrackerCheck=9 0\r\n");
    }
    testing_support::RunResult run() { return testing_support::runProgram(keswel, {}, box.dir().string()); }
};

TEST_F(KeswelWindows, StoresTheRetrackersThatAcceptedAConnection) {
    testing_support::LoopbackListener first, third;
    writeFiles({first.url(), testing_support::refusedUrl(), third.url()});
    auto result = run();
    EXPECT_EQ(result.exitCode, 0);
    // Standard output is in text mode; the Windows-1251 bytes pass unchanged.
    EXPECT_NE(result.output.find("Checking \xE0\xE1\xE2\xED " + kRetrackers + kTver + " NetOne, 3 providers\r\n"),
              std::string::npos)
        << result.output;
    EXPECT_NE(result.output.find(first.url() + " connected ok\r\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find(" can't connected\r\n"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("\r\nTrackerCheck=1 3 0\r\n"), std::string::npos) << result.output;
    EXPECT_EQ(testing_support::splitLines(box.read("Settings.ini")).back(), "TrackerCheck=1 3 0");
}

TEST_F(KeswelWindows, MissingSettingsEndsWithBadCityAndWritesNothing) {
    auto result = run();
    EXPECT_EQ(result.exitCode, 1);
    // Then the cause, as --check words it.
    EXPECT_EQ(result.output.substr(0, result.output.find("\r\n") + 2), "Bad city 0\r\n");
    EXPECT_NE(result.output.find("Settings file \""), std::string::npos) << result.output;
    EXPECT_FALSE(box.exists("Settings.ini"));
}

}  // namespace
