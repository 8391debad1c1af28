#include "numbers/decimal.h"

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace std::string_view_literals;

TEST(ReadClampedInt64, Table) {
    struct Row {
        std::string_view text;
        int64_t value;
        size_t consumed;
        bool plain;
    };
    constexpr Row rows[] = {
        {"42e", 42, 2, true},
        {"0", 0, 1, true},
        {"-7:", -7, 2, true},
        {"-0", 0, 2, false},
        {"007", 7, 3, false},
        {"+5", 5, 2, false},
        {" \t\n\v\f\r9", 9, 7, false},
        {"9223372036854775807", 9223372036854775807, 19, true},
        {"9223372036854775808", 9223372036854775807, 19, false},  // clamped
        {"-9223372036854775808", INT64_MIN, 20, true},
        {"-99999999999999999999", INT64_MIN, 21, false},
        {"", 0, 0, false},
        {"e", 0, 0, false},
        {" -x", 0, 0, false},  // no digit: nothing consumed
        {"+", 0, 0, false},
        {"1\0" "2"sv, 1, 1, true},
        // Around the length read inline (17 digits) and beyond it.
        {"12345678901234567", 12345678901234567, 17, true},
        {"12345678901234567e", 12345678901234567, 17, true},
        {"123456789012345678e", 123456789012345678, 18, true},
        {"0:", 0, 1, true},
        {"00", 0, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const numbers::ClampedInt64 read = numbers::readClampedInt64(row.text);
        EXPECT_EQ(read.value, row.value);
        EXPECT_EQ(read.consumed, row.consumed);
        EXPECT_EQ(read.plain, row.plain);
        const numbers::ClampedInt64 any = numbers::readAnyClampedInt64(row.text);
        EXPECT_EQ(any.value, read.value);
        EXPECT_EQ(any.consumed, read.consumed);
        EXPECT_EQ(any.plain, read.plain);
    }
}

TEST(ReadWrappingUint32, Table) {
    struct Row {
        std::string_view text;
        uint32_t value;
    };
    constexpr Row rows[] = {
        {"12abc", 12},          {"\x01\x1f 12", 12},    {"-3", 4294967293u}, {"+7", 7},
        {"- 5", 0},             {"4294967297", 1},      {"0x1F", 31},        {"0X1F", 0},
        {"0b101", 5},           {"0o17", 15},           {"010", 10},         {"-0x10", 4294967280u},
        {"0x", 0},              {"0", 0},               {"", 0},             {"\xB9" "5", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(numbers::readWrappingUint32(row.text), row.value);
    }
}

TEST(ScanInt32, Table) {
    struct Row {
        std::string_view text;
        bool read;
        int32_t value;  // 99 when not read: the preset stays
        size_t at;      // where the scan stands afterwards
    };
    constexpr Row rows[] = {
        {"12 3", true, 12, 2},
        {"  \t-4x", true, -4, 5},
        {"+8", true, 8, 2},
        {"2147483647", true, 2147483647, 10},
        {"-2147483648", true, INT32_MIN, 11},
        {"2147483648", false, 99, 0},
        {"-2147483649", false, 99, 0},
        {"99999999999999999999", false, 99, 0},
        {"x1", false, 99, 0},
        {"+ 1", false, 99, 0},
        {"", false, 99, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        int32_t value = 99;
        size_t at = 0;
        EXPECT_EQ(numbers::scanInt32(row.text, at, value), row.read);
        EXPECT_EQ(value, row.value);
        EXPECT_EQ(at, row.at);
    }
}

TEST(ReadClampedInt32, Table) {
    struct Row {
        std::string_view text;
        int32_t value;
        size_t consumed;
    };
    constexpr Row rows[] = {
        {"2 5", 2, 1},
        {"\t5", 5, 2},
        {"-3", -3, 2},
        {"99999999999", 2147483647, 11},
        {"-99999999999", INT32_MIN, 12},
        {"99999999999999999999999", 2147483647, 23},
        {",5", 0, 0},
        {"", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const numbers::ClampedInt32 read = numbers::readClampedInt32(row.text);
        EXPECT_EQ(read.value, row.value);
        EXPECT_EQ(read.consumed, row.consumed);
    }
}

TEST(ReadCanonicalInt32, Table) {
    struct Row {
        std::string_view text;
        bool read;
        int32_t value;  // 99 when not read: the value is left as it was
    };
    constexpr Row rows[] = {
        {"7", true, 7},     {"0", true, 0},    {"-12", true, -12}, {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},      {"2147483648", false, 99}, {"07", false, 99},
        {"-0", false, 99},  {"+7", false, 99}, {" 7", false, 99},  {"7 ", false, 99},
        {"7x", false, 99},  {"-", false, 99},  {"", false, 99},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        int32_t value = 99;
        EXPECT_EQ(numbers::readCanonicalInt32(row.text, value), row.read);
        EXPECT_EQ(value, row.value);
    }
}

TEST(ReadPort, Table) {
    struct Row {
        std::string_view text;
        int32_t port;
    };
    constexpr Row rows[] = {
        {"443/announce", 443}, {" 99", 99},   {"+81", 81},       {"0", 0},
        {"65535", 65535},      {"65536", 0},  {"4294967376", 0},  // 2^32 + 80: no wrap to 80
        {"-5", 0},             {"12x34", 12}, {"/announce", 0},  {"", 0},
        {"000080", 80},        {"99999999999999999999999", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(numbers::readPort(row.text), row.port);
    }
}

}  // namespace
