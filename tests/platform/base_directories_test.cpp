#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/posix/base_directories.h"

namespace {

struct BaseDirectoryRow {
    const char* name;
    std::map<std::string, std::string> environment;
    bool found;
    const char *config, *state, *data;
};

const BaseDirectoryRow kRows[] = {
    {"only HOME: the defaults", {{"HOME", "/home/u"}}, true,
     "/home/u/.config/", "/home/u/.local/state/", "/home/u/.local/share/"},
    {"HOME with a trailing slash", {{"HOME", "/home/u/"}}, true,
     "/home/u/.config/", "/home/u/.local/state/", "/home/u/.local/share/"},
    {"XDG_CONFIG_HOME set", {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}}, true,
     "/cfg/", "/home/u/.local/state/", "/home/u/.local/share/"},
    {"XDG_STATE_HOME set", {{"HOME", "/home/u"}, {"XDG_STATE_HOME", "/st/"}}, true,
     "/home/u/.config/", "/st/", "/home/u/.local/share/"},
    {"XDG_DATA_HOME set", {{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/d"}}, true,
     "/home/u/.config/", "/home/u/.local/state/", "/d/"},
    {"relative values are ignored",
     {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_STATE_HOME", "./st"}, {"XDG_DATA_HOME", "~/d"}}, true,
     "/home/u/.config/", "/home/u/.local/state/", "/home/u/.local/share/"},
    {"empty values are ignored", {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", ""}}, true,
     "/home/u/.config/", "/home/u/.local/state/", "/home/u/.local/share/"},
    {"all three set, no HOME", {{"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"}, {"XDG_DATA_HOME", "/d"}}, true,
     "/c/", "/s/", "/d/"},
    {"no HOME, no variables", {}, false, "", "", ""},
    {"relative HOME", {{"HOME", "home/u"}}, false, "", "", ""},
    {"one folder needs the missing HOME", {{"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s"}}, false, "", "", ""},
};

TEST(BaseDirectories, Table) {
    for (const BaseDirectoryRow& row : kRows) {
        SCOPED_TRACE(row.name);
        auto found = platform::baseDirectoriesFrom([&](const char* name) -> const char* {
            auto it = row.environment.find(name);
            return it == row.environment.end() ? nullptr : it->second.c_str();
        });
        ASSERT_EQ(found.has_value(), row.found);
        if (!found) continue;
        EXPECT_EQ(found->config, row.config);
        EXPECT_EQ(found->state, row.state);
        EXPECT_EQ(found->data, row.data);
    }
}

}  // namespace
