// Taking in a retracker directory from elsewhere (a provider, a community):
// its text, saved as Windows-1251 or UTF-8 (with or without a byte-order
// mark, lines ended by CR LF, LF or CR), checked as the programs read it,
// and given back as Windows-1251 with CR LF. No file access here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/wording.h"

namespace settings {

// One finding. An error refuses the file; a warning names what the programs
// read past (a count above the keys present, an empty key, a section no
// city and provider uses) and lets it in.
struct DirectoryProblem {
    int line = 0;  // 1-based; 0 for the file as a whole
    bool error = false;
    std::string text;  // in the wording's language and form, names included
};

struct DirectoryImport {
    std::string encoding;                    // how the text was read, in the wording's language
    std::string text;                        // Windows-1251 with CR LF; empty when refused
    int cities = 0;                          // cities with providers and retrackers
    std::vector<DirectoryProblem> problems;  // in line order
    bool refused() const;
};

DirectoryImport importDirectoryText(std::string_view bytes, const Wording& wording = logWording());

}  // namespace settings
