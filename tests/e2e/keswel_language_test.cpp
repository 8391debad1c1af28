// The built Keswel in the user's language and character set: messages from
// the environment's language, the lines scripts read unchanged in every
// language, paths never converted.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"
#include "tests/support/scoped_env.h"

namespace testing_support {
namespace {

class KeswelLanguage : public ::testing::Test {
protected:
    Sandbox box;
    std::string keswel = box.install(KESWEL_EXE);
    ScopedEnv language{"LANGUAGE", nullptr};
    ScopedEnv all{"LC_ALL", nullptr};
    ScopedEnv messages{"LC_MESSAGES", nullptr};
    ScopedEnv ctype{"LC_CTYPE", nullptr};

    RunResult keswelWith(const char* lang, const std::vector<std::string>& arguments) {
        ScopedEnv env("LANG", lang);
        return runProgram(keswel, arguments, box.dir().string());
    }
};

TEST_F(KeswelLanguage, HelpFollowsTheLanguage) {
    // "использование" in UTF-8; the Russian locale need not be installed.
    const RunResult russian = keswelWith("ru_RU.UTF-8", {"--help"});
    EXPECT_EQ(russian.output.rfind("\xD0\xB8\xD1\x81\xD0\xBF\xD0\xBE\xD0\xBB\xD1\x8C", 0), 0u) << russian.output;
    const RunResult english = keswelWith("C", {"--help"});
    EXPECT_EQ(english.output.rfind("usage: ", 0), 0u) << english.output;
    // A Russian language in a locale without Cyrillic would show only "?".
    EXPECT_EQ(keswelWith("ru_RU", {"--help"}).output, english.output);
}

TEST_F(KeswelLanguage, FixedLinesAndPathsStayInEveryLanguage) {
    // The directory in a folder whose name is UTF-8 ("папка"), as paths are in a UTF-8 locale.
    const std::string directory = "\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0/retrackers.ini";
    std::filesystem::create_directory(box.dir() / "\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0");
    box.write(directory, "[" CP1251_CITY "]\r\n1=Northtown\r\n");
    box.write("Settings.ini", "[Settings]\r\nTrackersFile=" + box.path(directory) + "\r\nTrackerIniIndex=4 0\r\n");
    for (const char* lang : {"ru_RU.UTF-8", "C.UTF-8", "C"}) {
        SCOPED_TRACE(lang);
        EXPECT_EQ(splitLines(keswelWith(lang, {}).output).front(), "Bad city 5");
    }
    // The path, in the middle of a Russian line, keeps its bytes.
    const RunResult russian = keswelWith("ru_RU.UTF-8", {"--select", "9", "1"});
    EXPECT_NE(russian.output.find(" " + box.path(directory) + ";"), std::string::npos) << russian.output;
    EXPECT_EQ(russian.output.rfind("\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4\xD0\xB0 9", 0), 0u);  // "Города 9"
    // A cause line of the check: Russian words, the section's name in UTF-8, the path as it is.
    const RunResult check = keswelWith("ru_RU.UTF-8", {"--check"});
    EXPECT_NE(check.output.find(" 5 \xD0\xB2 \xD1\x80\xD0\xB0\xD0\xB7\xD0\xB4\xD0\xB5\xD0\xBB\xD0\xB5 [" UTF8_CITY
                                "] \xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB\xD0\xB0 \"" + box.path(directory) + "\""),
              std::string::npos)
        << check.output;  // "... 5 в разделе [Город] файла "<path>""
}

TEST_F(KeswelLanguage, ImportProblemsReadWhole) {
    // A Windows-1251 directory whose city lacks its providers' section: the
    // problem in Russian words with the section's name in UTF-8.
    box.write("in.ini", "[" CP1251_CITY "]\r\n1=Eastham\r\n");
    const RunResult russian = keswelWith("ru_RU.UTF-8", {"--import", "in.ini"});
    EXPECT_EQ(russian.exitCode, 1);
    EXPECT_NE(russian.output.find(": у города \"Eastham\" нет раздела [" UTF8_PROVIDERS " Eastham]\n"), std::string::npos)
        << russian.output;
    const RunResult english = keswelWith("C.UTF-8", {"--import", "in.ini"});
    EXPECT_NE(english.output.find(": city \"Eastham\" has no section [" UTF8_PROVIDERS " Eastham]\n"), std::string::npos)
        << english.output;
}

}  // namespace
}  // namespace testing_support
