// The desktop notice of a failed Tavrin run, with a stand-in notify-send
// that records its arguments; nothing is shown and nothing listens.
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/e2e/tavrin_fixture.h"
#include "tests/support/scoped_env.h"

namespace testing_support {
namespace {

class TavrinNotice : public TavrinTest {
protected:
    void SetUp() override {
        writeDirectory();
        std::filesystem::create_directories(box.dir() / "bin");
        std::filesystem::create_directories(box.dir() / "runtime");
        box.write("bin/notify-send", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >\"$0.part\"\n"
                                     "mv \"$0.part\" \"$0.args\"\n");
        std::filesystem::permissions(box.path("bin/notify-send"), std::filesystem::perms::owner_all);
        box.write("in.torrent", "d4:infod6:lengthi1e4:name1:nee");
    }

    // The recorded arguments, one per line; "" when none came within `waitMs`.
    std::string recorded(int waitMs) {
        for (int waited = 0; waited <= waitMs; waited += 20) {
            if (box.exists("bin/notify-send.args")) {
                std::string text = box.read("bin/notify-send.args");
                std::filesystem::remove(box.path("bin/notify-send.args"));
                return text;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return {};
    }
};

TEST_F(TavrinNotice, AFailureIsShownWhereABusAndTheProgramAreThere) {
    const std::string pathWithFake = box.path("bin") + ":/usr/bin:/bin";
    struct Row {
        const char* name;
        std::string settings;
        std::string path;
        bool bus;
        int exitCode;
        bool shown;
    };
    const std::string bad = "TrackerIniIndex=2 0\r\n";
    const Row rows[] = {
        {"no bus", bad, pathWithFake, false, 1, false},
        {"no notify-send", bad, "/nonexistent", true, 1, false},
        {"Notify=False", bad + "Notify=false\r\n", pathWithFake, true, 1, false},
        {"a run that went through", "TrackerIniIndex=0 0\r\nTrackerCheck= 0\r\n", pathWithFake, true, 0, false},
        {"a failure", bad, pathWithFake, true, 1, true},
    };
    ScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeSettings(row.settings);
        ScopedEnv path("PATH", row.path.c_str());
        ScopedEnv runtime("XDG_RUNTIME_DIR", box.path("runtime").c_str());
        if (row.bus) box.write("runtime/bus", "");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, row.exitCode);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        const std::string arguments = recorded(row.shown ? 10000 : 300);
        if (row.shown) {
            // The directory's section name reaches the desktop as UTF-8.
            EXPECT_EQ(arguments, "--app-name=Tavrin\n--\nTavrin\nBad city 3\nNo city 3 in section [" UTF8_CITY
                                 "] of \"" + box.path("retrackers.ini") + "\"\n");
        } else {
            EXPECT_EQ(arguments, "");
        }
        std::filesystem::remove(box.path("runtime/bus"));
    }
}

TEST_F(TavrinNotice, TheNoticeSpeaksTheUsersLanguageWhileTheLogStaysEnglish) {
    writeSettings("TrackerIniIndex=2 0\r\n");
    ScopedEnv path("PATH", (box.path("bin") + ":/usr/bin:/bin").c_str());
    ScopedEnv runtime("XDG_RUNTIME_DIR", box.path("runtime").c_str());
    ScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", nullptr);
    ScopedEnv noLanguage("LANGUAGE", nullptr), noAll("LC_ALL", nullptr), noMessages("LC_MESSAGES", nullptr);
    box.write("runtime/bus", "");
    std::vector<std::vector<std::string>> logs;
    for (const char* lang : {"C", "ru_RU.UTF-8"}) {
        ScopedEnv language("LANG", lang);
        std::filesystem::remove(box.path("Tavrin.log"));
        EXPECT_EQ(run({"in.torrent", "out.torrent"}).exitCode, 1);
        logs.push_back(logLines());
        const std::string arguments = recorded(10000);
        EXPECT_EQ(arguments.find("Bad city 3\n") != std::string::npos, lang[0] == 'C') << arguments;
        if (lang[0] == 'r') {  // "Неверный город 3"
            EXPECT_NE(arguments.find("\xD0\x9D\xD0\xB5\xD0\xB2\xD0\xB5\xD1\x80\xD0\xBD\xD1\x8B\xD0\xB9 "
                                     "\xD0\xB3\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4 3\n"),
                      std::string::npos)
                << arguments;
        }
    }
    EXPECT_EQ(logs[0], logs[1]);
}

}  // namespace
}  // namespace testing_support
