// The INI text rules of the Windows private-profile functions, on a byte
// buffer already in memory: finding a key's value and changing one key.
// Used by the Linux stand-in for those functions; no file access here.
//
// The text is a sequence of lines ended by CR LF, LF or CR (the last line may
// have no end). Blanks are the bytes 0x09-0x0D, 0x20 and 0x1A.
// - A line whose first non-blank byte is '[' opens a section; its name is the
//   text up to the first ']' (or the line end), blanks trimmed.
// - A line whose first non-blank byte is ';' is a comment.
// - Any other non-blank line inside a section is a key line: the name is the
//   text before the first '=', the value the text after it, both with blanks
//   trimmed. A line without '=' is a key that has no value.
// - Names match with ASCII letters folded; bytes from 0x80 match exactly.
//   Only the first section of a name is searched, and the first key of a name
//   in it wins.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

// A query name with its surrounding spaces (0x20 only) removed, as the
// profile functions treat the names they are given.
std::string_view trimQueryName(std::string_view name);

// The name with its ASCII letters folded to lower case: two names match
// exactly when their folded forms are equal.
std::string foldedName(std::string_view name);

// The value of `key` in `section`, blanks trimmed but quotes and NUL bytes
// kept; nullopt when the section, the key or the key's '=' is missing. The
// names must already be trimmed with trimQueryName. The view points into
// `text`.
std::optional<std::string_view> findRawValue(std::string_view text, std::string_view section,
                                             std::string_view key);

// A key line of a section: its trimmed name and, when the line holds '=',
// its raw value (as findRawValue gives it).
struct KeyLine {
    std::string_view name;
    std::optional<std::string_view> value;
};

// The key lines of the first section named `section`, in file order, repeats
// kept; empty when there is no such section. The views point into `text`.
std::vector<KeyLine> sectionKeyLines(std::string_view text, std::string_view section);

// A section and its key lines, as sectionKeyLines gives them for its name.
struct SectionLines {
    std::string_view name;
    std::vector<KeyLine> keys;
};

// Every section name of the text that `wanted` accepts, once, in file order,
// each with the key lines of its first section: what sectionKeyLines gives
// for each such name, in one pass over the text. Key lines before the first
// header belong to none.
std::vector<SectionLines> allSections(std::string_view text, const std::function<bool(std::string_view)>& wanted);

// What a read gives for a stored value or a default: the text up to the first
// NUL, then one pair of equal outer quotes (' or ") removed, then cut to
// `limit` bytes.
std::string_view cookedValue(std::string_view raw, size_t limit);

// The default as a read returns it: trailing spaces (0x20) removed, then
// cooked like a value.
std::string_view cookedDefault(std::string_view defaultValue, size_t limit);

// The text with `key` in `section` set to `value`: only the key's line is
// rewritten (as stored name, '=', value; its line end kept); a missing key is
// inserted after the section's last key line; a missing section is appended
// as "[section]\r\nkey=value\r\n". A last line without a line end gets CR LF
// before anything is added after it. nullopt when the key already holds
// exactly `value`. The names must already be trimmed with trimQueryName.
std::optional<std::string> withValue(std::string_view text, std::string_view section, std::string_view key,
                                     std::string_view value);

}  // namespace platform::ini
