#include "numbers/decimal.h"

#include <limits>

namespace numbers {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int baseDigit(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// Blanks and a sign: where the digits start and whether the value is negative.
size_t skipBlanksAndSign(std::string_view text, bool& negative, bool& sawBlank, bool& sawPlus) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    sawBlank = i > 0;
    negative = false;
    sawPlus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        sawPlus = !negative;
        ++i;
    }
    return i;
}

}  // namespace

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

ClampedInt64 readAnyClampedInt64(std::string_view text) {
    bool negative, sawBlank, sawPlus;
    size_t i = skipBlanksAndSign(text, negative, sawBlank, sawPlus);
    const size_t digits = i;
    // Accumulated as a negative value so that -2^63 is representable.
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    int64_t value = 0;
    bool clamped = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (clamped) continue;
        if (value < (kMin + digit) / 10) {
            clamped = true;
            value = kMin;
        } else {
            value = value * 10 - digit;
        }
    }
    if (i == digits) return {0, 0, false};
    if (!negative) {
        if (value == kMin) {  // 2^63 or more
            value = std::numeric_limits<int64_t>::max();
            clamped = true;
        } else {
            value = -value;
        }
    }
    const bool leadingZero = text[digits] == '0' && (i - digits > 1 || negative);
    return {value, i, !sawBlank && !sawPlus && !leadingZero && !clamped};
}

uint32_t readWrappingUint32(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        switch (text[i + 1]) {
        case 'x': base = 16; i += 2; break;
        case 'o': base = 8; i += 2; break;
        case 'b': base = 2; i += 2; break;
        default: break;
        }
    }
    uint32_t result = 0;
    for (; i < text.size(); ++i) {
        const int digit = baseDigit(static_cast<unsigned char>(text[i]));
        if (digit >= base) break;
        result = result * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    return negative ? 0u - result : result;
}

bool scanInt32(std::string_view text, size_t& at, int32_t& value) {
    bool negative, sawBlank, sawPlus;
    const std::string_view rest = text.substr(at < text.size() ? at : text.size());
    size_t i = skipBlanksAndSign(rest, negative, sawBlank, sawPlus);
    const size_t digits = i;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < rest.size() && isDigit(rest[i]); ++i) {
        magnitude = magnitude * 10 + (rest[i] - '0');
        if (magnitude > kLimit) return false;
    }
    if (i == digits) return false;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int32_t>::max()) return false;
    value = static_cast<int32_t>(signedValue);
    at += i;
    return true;
}

bool readCanonicalInt32(std::string_view text, int32_t& value) {
    const size_t first = !text.empty() && text[0] == '-' ? 1 : 0;
    if (first == text.size() || !isDigit(text[first])) return false;
    if (text[first] == '0' && text.size() > 1) return false;  // a leading zero, or "-0"
    size_t at = 0;
    int32_t read = 0;
    if (!scanInt32(text, at, read) || at != text.size()) return false;
    value = read;
    return true;
}

ClampedInt32 readClampedInt32(std::string_view text) {
    const ClampedInt64 wide = readClampedInt64(text);
    int64_t value = wide.value;
    if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) value = std::numeric_limits<int32_t>::min();
    return {static_cast<int32_t>(value), wide.consumed};
}

int32_t readPort(std::string_view text) {
    const ClampedInt64 wide = readClampedInt64(text);
    constexpr int64_t kHighestPort = 65535;
    return wide.value < 0 || wide.value > kHighestPort ? 0 : static_cast<int32_t>(wide.value);
}

}  // namespace numbers
