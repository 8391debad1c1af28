// The integer conversions of both programs, each named for the rule it
// follows. They differ in what they skip, which bases they take and what
// they do with a value out of range; every caller needs exactly its own.
// No allocation, no locale, no OS call; nothing is read past the view.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace numbers {

// Bytes skipped before a number by the conversions below that skip blanks:
// space, tab, LF, VT, FF and CR.
bool isBlank(char c);

struct ClampedInt64 {
    int64_t value;    // 0 when no digit was found
    size_t consumed;  // bytes taken, blanks and sign included; 0 without a digit
    // The text was exactly the canonical form of the value: no blanks, no
    // "+", no leading zero, no "-0", no clamping, at least one digit.
    bool plain;
};

// The bencoding integer and length: blanks, an optional sign, decimal digits
// (leading zeros allowed) clamped to the signed 64-bit range. Without a digit
// nothing is consumed.
ClampedInt64 readAnyClampedInt64(std::string_view text);

// readAnyClampedInt64, with the common case read inline: a plain number of
// at most 17 digits, which cannot reach the clamp. A torrent holds one or
// more per file, and the reader reads each at least twice.
inline ClampedInt64 readClampedInt64(std::string_view text) {
    const size_t size = text.size();
    if (size == 0 || text[0] < '0' || text[0] > '9') return readAnyClampedInt64(text);
    if (text[0] == '0') {
        if (size > 1 && text[1] >= '0' && text[1] <= '9') return readAnyClampedInt64(text);
        return {0, 1, true};
    }
    constexpr size_t kShort = 17;
    const size_t limit = size < kShort ? size : kShort;
    int64_t value = text[0] - '0';
    size_t i = 1;
    for (; i < limit && text[i] >= '0' && text[i] <= '9'; ++i) value = value * 10 + (text[i] - '0');
    if (i == size || (i < limit)) return {value, i, true};
    return readAnyClampedInt64(text);
}

// The INI integer read of the private-profile functions: bytes up to 0x20
// skipped, an optional sign, an optional lowercase prefix 0x, 0o or 0b, then
// digits of that base up to the first other byte, accumulated modulo 2^32
// and negated for '-'. No digits give 0.
uint32_t readWrappingUint32(std::string_view text);

// One "%d" of a scan: blanks, an optional sign, at least one digit. On
// success stores the value, moves `at` past the digits and returns true. A
// value outside the signed 32-bit range, or no digit, fails and leaves
// `value` and `at` as they were.
bool scanInt32(std::string_view text, size_t& at, int32_t& value);

// A number written the one way decimalString writes it, and nothing else: an
// optional '-', then digits without a leading zero ("0" alone), within the
// signed 32-bit range. The numbered keys of the directory, and the numbers a
// user types to pick one. On failure `value` is left as it was.
bool readCanonicalInt32(std::string_view text, int32_t& value);

struct ClampedInt32 {
    int32_t value;    // 0 when no digit was found
    size_t consumed;  // 0 without a digit
};

// strtol in base 10 clamped to the signed 32-bit range: blanks, an optional
// sign, digits; beyond the range the nearest limit. Without a digit nothing
// is consumed.
ClampedInt32 readClampedInt32(std::string_view text);

// A TCP port after the ':' of a URL: blanks, an optional sign, digits up to
// the first other byte; 0 without digits. A value outside 0..65535 (a
// negative one, or one above 65535 however long) is 0, which no retracker
// listens on, so such a URL never counts as reachable.
int32_t readPort(std::string_view text);

}  // namespace numbers
