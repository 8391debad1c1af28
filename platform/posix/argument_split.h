// The Windows C runtime's splitting of a command line into arguments, so that
// one LaunchArguments template means the same on Linux as on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits `text` as the Microsoft C runtime (2008 and later) splits the
// argument part of a command line: blanks (space, tab) separate arguments
// outside double quotes; a double quote toggles quoting and is removed; ""
// inside quotes is a literal quote and quoting goes on; 2n backslashes before
// a quote become n backslashes (the quote then toggles), 2n+1 become n and a
// literal quote; other backslashes are literal. No globbing, no expansion.
//
// When `placeholder` is a position in `text` (of the two characters "%1"),
// those two characters are replaced by `insert` inside the argument where they
// stand, after the split: the inserted bytes are never parsed.
std::vector<std::string> splitWindowsArguments(std::string_view text, size_t placeholder = std::string_view::npos,
                                               std::string_view insert = {});

}  // namespace platform
