#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/directory.h"
#include "tests/support/cp1251_words.h"
#include "tests/support/sandbox.h"

using testing_support::Sandbox;

namespace {

constexpr const char* kExampleDirectory =
    "[" CP1251_CITY "]\r\n"
    "1=Northtown\r\n"
    "2=Southport\r\n"
    "\r\n"
    "[" CP1251_PROVIDERS " Northtown]\r\n"
    "1=NetOne\r\n"
    "2=Link Two\r\n"
    "\r\n"
    "[" CP1251_PROVIDERS " Southport]\r\n"
    "1=NetOne\r\n"
    "\r\n"
    "[" CP1251_RETRACKERS " Northtown NetOne]\r\n"
    CP1251_COUNT "=2\r\n"
    "1=http://192.0.2.1:81/announce\r\n"
    "2=http://192.0.2.2/announce\r\n"
    "\r\n"
    "[" CP1251_RETRACKERS " Northtown Link Two]\r\n"
    CP1251_COUNT "=1\r\n"
    "1=http://198.51.100.7:444/announce\r\n";

// One row per TrackerIniIndex value: the road through the directory and
// where it ends. An empty name ends the road there.
struct LookupRow {
    int32_t cityIndex;
    int32_t providerIndex;
    const char* city;
    const char* provider;
    const char* section;
    int32_t count;
    std::array<const char*, 2> urls;  // retrackers 1 .. count
};

const LookupRow kLookups[] = {
    {0, 0, "Northtown", "NetOne", CP1251_RETRACKERS " Northtown NetOne", 2,
     {"http://192.0.2.1:81/announce", "http://192.0.2.2/announce"}},
    {0, 1, "Northtown", "Link Two", CP1251_RETRACKERS " Northtown Link Two", 1,
     {"http://198.51.100.7:444/announce", ""}},
    {1, 0, "Southport", "NetOne", CP1251_RETRACKERS " Southport NetOne", 0, {"", ""}},  // no retrackers
    {1, 1, "Southport", "", "", 0, {"", ""}},                                          // bad provider 2
    {2, 0, "", "", "", 0, {"", ""}},                                                   // bad city 3
};

TEST(Directory, ExampleLookups) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", kExampleDirectory);
    std::string directory = sandbox.path("retrackers.ini");
    for (const LookupRow& row : kLookups) {
        SCOPED_TRACE(std::to_string(row.cityIndex) + " " + std::to_string(row.providerIndex));
        std::string city = cityName(directory, row.cityIndex + 1);
        ASSERT_EQ(city, row.city);
        if (city.empty()) continue;
        std::string provider = providerName(directory, city, row.providerIndex + 1);
        ASSERT_EQ(provider, row.provider);
        if (provider.empty()) continue;
        std::string section = retrackerSection(city, provider);
        EXPECT_EQ(section, row.section);
        int32_t count = retrackerCount(directory, section);
        ASSERT_EQ(count, row.count);
        for (int32_t number = 1; number <= count; ++number)
            EXPECT_EQ(retrackerUrl(directory, section, number), row.urls[static_cast<size_t>(number - 1)]);
    }
}

TEST(Directory, EdgeCases) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini",
                  "[" CP1251_CITY "]\r\n"
                  "01=Leading Zero\r\n"
                  "2=Spaced  City\r\n"
                  "[" CP1251_PROVIDERS " Spaced  City]\r\n"
                  CP1251_COUNT "=7\r\n"
                  "1=Big Net\r\n"
                  "[" CP1251_RETRACKERS " Spaced  City Big Net]\r\n"
                  CP1251_COUNT "=5\r\n"
                  "1=http://192.0.2.10/announce\r\n"
                  "2=\r\n"
                  "4=http://192.0.2.14/announce\r\n"
                  "[" CP1251_RETRACKERS " Smaller]\r\n"
                  CP1251_COUNT "=1\r\n"
                  "1=http://192.0.2.21/announce\r\n"
                  "2=http://192.0.2.22/announce\r\n"
                  "[" CP1251_RETRACKERS " Negative]\r\n"
                  CP1251_COUNT "=-2\r\n"
                  "1=http://192.0.2.31/announce\r\n"
                  "[" CP1251_RETRACKERS " Garbage]\r\n"
                  CP1251_COUNT "=many\r\n");
    std::string directory = sandbox.path("retrackers.ini");

    EXPECT_EQ(cityName(directory, 0), "");  // a missing TrackerIniIndex gives city number 0
    EXPECT_EQ(cityName(directory, 1), "");  // "01" is not the key of number 1
    EXPECT_EQ(cityName(directory, -1), "");

    // Names with spaces are joined byte for byte.
    std::string city = cityName(directory, 2);
    ASSERT_EQ(city, "Spaced  City");
    std::string provider = providerName(directory, city, 1);
    ASSERT_EQ(provider, "Big Net");
    std::string section = retrackerSection(city, provider);
    EXPECT_EQ(section, CP1251_RETRACKERS " Spaced  City Big Net");

    // A count larger than the keys: the missing and empty ones read empty.
    EXPECT_EQ(retrackerCount(directory, section), 5);
    const char* urls[] = {"http://192.0.2.10/announce", "", "", "http://192.0.2.14/announce", ""};
    for (int32_t number = 1; number <= 5; ++number)
        EXPECT_EQ(retrackerUrl(directory, section, number), urls[number - 1]) << number;

    EXPECT_EQ(retrackerCount(directory, CP1251_RETRACKERS " Smaller"), 1);
    EXPECT_EQ(retrackerCount(directory, CP1251_RETRACKERS " Negative"), -2);
    EXPECT_EQ(retrackerCount(directory, CP1251_RETRACKERS " Garbage"), 0);
    EXPECT_EQ(retrackerCount(directory, CP1251_RETRACKERS " Absent"), 0);
    EXPECT_EQ(retrackerCount(directory, CP1251_CITY), 0);  // a section without the count key
}

// The numbered URLs of a section in one read: the same as looking up every
// number of the range, however large the range.
TEST(Directory, RetrackerUrlsOfARange) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", "[" CP1251_RETRACKERS " A B]\r\n" CP1251_COUNT "=2147483647\r\n"
                                    "3=http://three/\r\n1=http://one/\r\n2=\r\n01=http://zero-one/\r\n"
                                    "+4=http://plus-four/\r\n-1=http://minus-one/\r\n3=http://three-again/\r\n"
                                    "2147483647=http://last/\r\n99999999999=http://too-big/\r\n"
                                    "[" CP1251_RETRACKERS " Other]\r\n5=http://other/\r\n");
    const std::string directory = sandbox.path("retrackers.ini");
    const std::string section = CP1251_RETRACKERS " A B";
    struct Row {
        int32_t lowest, highest;
        std::vector<int32_t> numbers;
    };
    const Row rows[] = {
        {1, 2147483647, {1, 3, 2147483647}},
        {1, 2, {1}},
        {2, 3, {3}},
        {INT32_MIN, 1, {-1, 1}},
        {1, 0, {}},
        {1, -2, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.lowest) + ".." + std::to_string(row.highest));
        std::vector<int32_t> numbers;
        for (const NumberedUrl& url : retrackerUrls(directory, section, row.lowest, row.highest)) {
            numbers.push_back(url.number);
            EXPECT_EQ(url.url, retrackerUrl(directory, section, url.number));
        }
        EXPECT_EQ(numbers, row.numbers);
    }
    EXPECT_TRUE(retrackerUrls(directory, CP1251_RETRACKERS " Absent", 1, 5).empty());
}

// The whole listing from one read gives what a lookup of each section gives:
// a name's first section only, names matched with ASCII letters folded, keys
// before any header and repeated keys as a section read sees them.
TEST(Directory, ListingFromOneRead) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", "1=outside\r\n"
                                    "[" CP1251_CITY "]\r\n2=Beta\r\n1=Alpha \r\n3=Gamma\r\n4=\r\n1=Again\r\n"
                                    "[" CP1251_PROVIDERS " alpha]\r\n1=Lower\r\n"
                                    "[" CP1251_PROVIDERS " Alpha]\r\n1=Later\r\n"
                                    "[  " CP1251_PROVIDERS " Beta  ]\r\n; note\r\n2=Two\r\n1=One\r\n"
                                    "[" CP1251_CITY "]\r\n5=Ignored\r\n"
                                    "[" CP1251_PROVIDERS " BETA]\r\n3=Ignored\r\n");
    const std::string directory = sandbox.path("retrackers.ini");
    const std::vector<ListedCity> cities = listedCities(directory);
    std::vector<NumberedName> expectedCities = numberedNames(directory, citySection());
    ASSERT_EQ(cities.size(), 3u);
    ASSERT_EQ(cities.size(), expectedCities.size());
    const std::vector<std::vector<std::string>> providers = {{}, {"One", "Two"}, {}};
    for (size_t i = 0; i < cities.size(); ++i) {
        SCOPED_TRACE(cities[i].city.name);
        EXPECT_EQ(cities[i].city.number, expectedCities[i].number);
        EXPECT_EQ(cities[i].city.name, expectedCities[i].name);
        std::vector<std::string> names, lookedUp;
        for (const NumberedName& p : cities[i].providers) names.push_back(p.name);
        for (const NumberedName& p : numberedNames(directory, providerSection(cities[i].city.name)))
            lookedUp.push_back(p.name);
        EXPECT_EQ(names, lookedUp);
    }
    EXPECT_EQ(cities[0].providers.size(), 1u);  // "Alpha " finds the lower-case section first
    EXPECT_TRUE(listedCities(sandbox.path("none.ini")).empty());
}

// A missing file, or an empty TrackersFile, reads as nothing: the first lookup fails.
TEST(Directory, MissingOrUnnamedDirectory) {
    Sandbox sandbox;
    for (const std::string& directory : {sandbox.path("none.ini"), std::string()}) {
        EXPECT_EQ(cityName(directory, 1), "");
        EXPECT_EQ(providerName(directory, "Northtown", 1), "");
        EXPECT_EQ(retrackerCount(directory, CP1251_RETRACKERS " Northtown NetOne"), 0);
        EXPECT_EQ(retrackerUrl(directory, CP1251_RETRACKERS " Northtown NetOne", 1), "");
    }
}

// A directory saved in UTF-8 finds nothing: its names are other bytes.
TEST(Directory, OtherEncodingFindsNothing) {
    Sandbox sandbox;
    sandbox.write("retrackers.ini", "[" UTF8_CITY "]\r\n1=Northtown\r\n");
    EXPECT_EQ(cityName(sandbox.path("retrackers.ini"), 1), "");
}

}  // namespace
