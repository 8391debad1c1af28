#include "probe/keswel_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(KeswelOptions, Table) {
    struct Row {
        std::vector<std::string> arguments;  // after the program name
        KeswelCommand command;
        int32_t city, provider;
    };
    const Row rows[] = {
        {{}, KeswelCommand::Probe, 0, 0},
        {{"--list"}, KeswelCommand::List, 0, 0},
        {{"--choose"}, KeswelCommand::Choose, 0, 0},
        {{"--choose", "--no-handler"}, KeswelCommand::Choose, 0, 0},
        {{"--choose", "--now"}, KeswelCommand::Usage, 0, 0},
        {{"--check"}, KeswelCommand::Check, 0, 0},
        {{"--help"}, KeswelCommand::Help, 0, 0},
        {{"--select", "2", "13"}, KeswelCommand::Select, 2, 13},
        {{"--select", "2"}, KeswelCommand::Usage, 0, 0},
        {{"--select", "0", "1"}, KeswelCommand::Usage, 0, 0},   // numbers count from 1
        {{"--select", "01", "1"}, KeswelCommand::Usage, 0, 0},
        {{"--select", "1", "x"}, KeswelCommand::Usage, 0, 0},
        {{"--select", "1", "99999999999"}, KeswelCommand::Usage, 0, 0},
        {{"--list", "extra"}, KeswelCommand::Usage, 0, 0},
        {{"--frobnicate"}, KeswelCommand::Usage, 0, 0},
        {{"--import", "their.ini"}, KeswelCommand::Import, 0, 0},
        {{"--import"}, KeswelCommand::Usage, 0, 0},
        {{"-h"}, KeswelCommand::Usage, 0, 0},
        // Arguments without an option are ignored; with one, they are not.
        {{"x", "y"}, KeswelCommand::Probe, 0, 0},
        {{""}, KeswelCommand::Probe, 0, 0},
        {{"x", "--list"}, KeswelCommand::Usage, 0, 0},
    };
    for (const Row& row : rows) {
        std::string trace;
        std::vector<char*> argv{const_cast<char*>("Keswel")};
        for (const std::string& argument : row.arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
            trace += argument + " ";
        }
        SCOPED_TRACE(trace);
        const KeswelOptions options = parseKeswelOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(options.command, row.command);
        if (row.command == KeswelCommand::Select) {
            EXPECT_EQ(options.city, row.city);
            EXPECT_EQ(options.provider, row.provider);
        }
    }
}

// What the usage and the refusal say.
TEST(KeswelOptions, Names) {
    const auto parse = [](std::vector<const char*> argv) {
        return parseKeswelOptions(static_cast<int>(argv.size()), const_cast<char**>(argv.data()));
    };
    EXPECT_FALSE(parse({"keswel", "--choose", "--no-handler"}).makeHandler);
    EXPECT_TRUE(parse({"keswel", "--choose"}).makeHandler);
    EXPECT_EQ(parse({"keswel", "x", "--list"}).refusal, "the option must come first, before x");
    EXPECT_EQ(keswelCommandName("/usr/bin/keswel"), "keswel");
    EXPECT_EQ(keswelCommandName("Keswel.exe"), "Keswel");
    EXPECT_EQ(keswelCommandName(nullptr), "Keswel");
}

}  // namespace
