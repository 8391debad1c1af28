#include "platform/posix/argument_split.h"

namespace platform {

std::vector<std::string> splitWindowsArguments(std::string_view text, size_t placeholder, std::string_view insert) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        const char c = text[i];
        if (i == placeholder) {
            current.append(insert);
            inArgument = true;
            i += 2;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
            ++i;
        } else if (c == '\\') {
            size_t run = 0;
            while (i + run < n && text[i + run] == '\\') ++run;
            inArgument = true;
            i += run;
            if (i < n && text[i] == '"') {
                current.append(run / 2, '\\');
                if (run % 2 == 1) {
                    current += '"';
                    ++i;
                }
                // With an even run the quote toggles quoting on the next turn.
            } else {
                current.append(run, '\\');
            }
        } else if (c == '"') {
            inArgument = true;
            if (quoted && i + 1 < n && text[i + 1] == '"') {
                current += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            current += c;
            inArgument = true;
            ++i;
        }
    }
    if (inArgument) arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace platform
