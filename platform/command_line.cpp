#include "platform/command_line.h"

namespace platform {

std::string quotedWindowsArgument(std::string_view argument, Quotes quotes) {
    if (quotes == Quotes::WhenNeeded && !argument.empty() &&
        argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    // Doubled, so the closing quote stays a quote.
    quoted.append(2 * backslashes, '\\');
    return quoted + "\"";
}

std::string clientCommandLine(std::string_view launchPath, std::string_view argumentsTemplate,
                              std::optional<std::string_view> torrentPath) {
    // The program name is read up to its closing quote, without escapes.
    std::string line = "\"" + std::string(launchPath) + "\" ";
    const size_t placeholder = argumentsTemplate.find("%1");
    if (!torrentPath || placeholder == std::string_view::npos) return line + std::string(argumentsTemplate);
    // Only the first placeholder is replaced; a later "%1" reaches the client as it is.
    return line + std::string(argumentsTemplate.substr(0, placeholder)) +
           quotedWindowsArgument(*torrentPath, Quotes::Always) + std::string(argumentsTemplate.substr(placeholder + 2));
}

}  // namespace platform
