#include "settings/directory_choice.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using settings::DirectoryFailure;
using settings::IndexCheck;
using testing_support::Sandbox;

namespace {

constexpr const char* kDirectory =
    "[" CP1251_CITY "]\r\n1=Northtown\r\n2=Southport\r\n"
    "[" CP1251_PROVIDERS " Northtown]\r\n1=NetOne\r\n2=Link Two\r\n"
    "[" CP1251_PROVIDERS " Southport]\r\n1=NetOne\r\n0=Zero\r\n"
    "[" CP1251_RETRACKERS " Northtown NetOne]\r\n" CP1251_COUNT "=2\r\n1=http://192.0.2.1:81/announce\r\n"
    "[" CP1251_RETRACKERS " Northtown Link Two]\r\n" CP1251_COUNT "=-3\r\n";

// One row per TrackerIniIndex value and check: where the road ends and what
// it found on the way.
TEST(DirectoryChoice, Table) {
    struct Row {
        const char* index;  // nullptr: no TrackerIniIndex key
        IndexCheck check;
        DirectoryFailure failure;
        int32_t city, provider;
        const char* cityName;
        const char* providerName;
        int32_t count;
    };
    constexpr IndexCheck kReject = IndexCheck::RejectUnset, kLookup = IndexCheck::LookupOnly;
    const Row rows[] = {
        {"0 0", kReject, DirectoryFailure::None, 1, 1, "Northtown", "NetOne", 2},
        {"0 0", kLookup, DirectoryFailure::None, 1, 1, "Northtown", "NetOne", 2},
        {"0 1", kReject, DirectoryFailure::None, 1, 2, "Northtown", "Link Two", -3},  // a negative count is no failure
        {nullptr, kReject, DirectoryFailure::BadIndex, 0, 0, "", "", 0},
        {"1", kReject, DirectoryFailure::BadIndex, 0, 0, "", "", 0},
        {"-1 0", kReject, DirectoryFailure::BadIndex, 0, 0, "", "", 0},
        {"north south", kReject, DirectoryFailure::BadIndex, 0, 0, "", "", 0},
        // Without the -1 check a missing index is number 0, which the lookups judge.
        {nullptr, kLookup, DirectoryFailure::BadCity, 0, 0, "", "", 0},
        {"0", kLookup, DirectoryFailure::BadProvider, 1, 0, "Northtown", "", 0},
        {"1 -1", kLookup, DirectoryFailure::NoRetrackers, 2, 0, "Southport", "Zero", 0},
        {"-2 0", kReject, DirectoryFailure::BadCity, -1, 1, "", "", 0},
        {"2147483647 0", kLookup, DirectoryFailure::BadCity, INT32_MIN, 1, "", "", 0},  // wraps, names no key
        {"1 1", kReject, DirectoryFailure::BadProvider, 2, 2, "Southport", "", 0},
        {"1 0", kReject, DirectoryFailure::NoRetrackers, 2, 1, "Southport", "NetOne", 0},
    };
    Sandbox sandbox;
    sandbox.write("retrackers.ini", kDirectory);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.index ? row.index : "(none)") + (row.check == kReject ? " reject" : " lookup"));
        std::string settings = "[Settings]\r\nTrackersFile=" + sandbox.path("retrackers.ini") + "\r\n";
        if (row.index) settings += "TrackerIniIndex=" + std::string(row.index) + "\r\n";
        sandbox.write("Settings.ini", settings);
        const settings::DirectoryChoice choice = settings::chooseDirectorySection(sandbox.path("Settings.ini"), row.check);
        EXPECT_EQ(choice.failure, row.failure);
        EXPECT_EQ(choice.city, row.city);
        EXPECT_EQ(choice.provider, row.provider);
        EXPECT_EQ(choice.cityName, row.cityName);
        EXPECT_EQ(choice.providerName, row.providerName);
        EXPECT_EQ(choice.count, row.count);
        if (row.failure == DirectoryFailure::None) {
            EXPECT_EQ(choice.section, CP1251_RETRACKERS " " + choice.cityName + " " + choice.providerName);
        }
    }
}

}  // namespace
