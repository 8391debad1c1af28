// The INI access layer both programs use, for Settings.ini and for the
// retracker directory. No operation reports an error: a missing file,
// section or key reads as the default.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <string>
#include <string_view>
#include <vector>

#include "platform/private_profile.h"

// The longest value a read returns; longer ones come back cut to this length.
constexpr size_t kProfileValueLimit = 4095;

// The reads below take the file as a platform::ProfileFile: given a path,
// they read the file for that one read; given a ProfileFile, its lookups
// share one read of the file on Linux.

// The value of the key, or `defaultValue`; values are cut to 4095 bytes.
std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const platform::ProfileFile& file);

// Every key of the section with its value as readProfileString gives it, in
// file order; the file is read once where the platform allows.
std::vector<platform::ProfileEntry> readProfileEntries(const std::string& section,
                                                       const platform::ProfileFile& file);

// Every section of the file that `wanted` accepts, once, in file order, each
// with its entries as readProfileEntries gives them; the file is read once
// where the platform allows.
std::vector<platform::ProfileSection> readProfileSections(const std::string& file,
                                                          const std::function<bool(std::string_view)>& wanted);

// The number at the start of the value, as the platform's integer read gives
// it: decimal (a 0x, 0o or 0b prefix selects another base), wrapping at 32
// bits; `defaultValue` when the key is missing or empty, 0 when the value
// does not start with a number.
int32_t readProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                       const platform::ProfileFile& file);

// Why `value` cannot be stored as one INI line: "holds a line break (CR or
// LF)" or "holds a NUL byte"; "" when it can. A line break would make the
// rest of the value a line of its own, a key or a section of the file.
std::string valueRefusal(std::string_view value);

// Creates the file, the section or the key as needed, or replaces the value.
// Returns false when the file could not be written, and writes nothing for a
// value that valueRefusal refuses.
bool writeProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file);

enum class ProfileWrite {
    Written,
    Refused,     // a value that valueRefusal refuses: nothing written
    Failed,      // the file could not be written
    KeyChanged,  // the condition no longer held: nothing written
};

// Writes the keys of `section` in the order given (see
// platform::writePrivateProfileStrings: one replacement on Linux, one key at
// a time on Windows). With a condition, only while its key still reads as
// its value. Every value is checked before anything is written.
ProfileWrite writeProfileStrings(const std::string& section, const std::vector<platform::ProfileEntry>& keys,
                                 const std::string& file, const platform::ProfileEntry* condition = nullptr);

// Base-10 text of a number: "-5", "0", "12".
std::string decimalString(int32_t n);
