// Runs the built Tavrin as a user would: copied into a fresh directory with a
// Settings.ini and a retracker directory beside it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

namespace testing_support {

// The example retracker directory, in Windows-1251.
inline const std::string kCity = CP1251_CITY;
inline const std::string kProviders = CP1251_PROVIDERS " ";
inline const std::string kRetrackers = CP1251_RETRACKERS " ";
inline const std::string kCount = CP1251_COUNT;

inline std::string exampleDirectory() {
    return "[" + kCity + "]\r\n1=Northtown\r\n2=Southport\r\n\r\n" +
           "[" + kProviders + "Northtown]\r\n1=NetOne\r\n2=Link Two\r\n\r\n" +
           "[" + kProviders + "Southport]\r\n1=NetOne\r\n\r\n" +
           "[" + kRetrackers + "Northtown NetOne]\r\n" + kCount + "=2\r\n" +
           "1=http://192.0.2.1:81/announce\r\n2=http://192.0.2.2/announce\r\n\r\n" +
           "[" + kRetrackers + "Northtown Link Two]\r\n" + kCount + "=1\r\n" +
           "1=http://198.51.100.7:444/announce\r\n";
}

class TavrinTest : public ::testing::Test {
protected:
    Sandbox box;
    std::string tavrin = box.install(TAVRIN_EXE);

    // Settings.ini naming the example directory, with the given extra lines.
    void writeSettings(const std::string& lines) {
        // An absolute path: Windows looks for a bare file name in its own
        // directory, and some tests run Tavrin from another directory.
        box.write("Settings.ini", "[Settings]\r\nTrackersFile=" + box.path("retrackers.ini") + "\r\n" + lines);
    }
    void writeDirectory(const std::string& text = exampleDirectory()) { box.write("retrackers.ini", text); }

    RunResult run(const std::vector<std::string>& arguments) { return runProgram(tavrin, arguments, box.dir().string()); }

    // The log's lines without their time stamps; a line whose stamp is
    // malformed shows as "<bad stamp>".
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        if (!box.exists("Tavrin.log")) return lines;
        for (const std::string& line : splitLines(box.read("Tavrin.log"))) {
            std::string text = withoutTimestamp(line);
            lines.push_back(text.empty() ? "<bad stamp>" : text);
        }
        return lines;
    }
};

}  // namespace testing_support
