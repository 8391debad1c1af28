#include "probe/client_adoption.h"

#include <vector>

#include "platform/command_line.h"
#include "platform/program_files.h"
#include "probe/client_rpc.h"
#include "probe/console_print.h"
#include "settings/profile.h"
#include "settings/setup_check.h"

namespace {

// The string-value escapes of a desktop entry.
std::string unescapeValue(std::string_view value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's': text += ' '; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        case '\\': text += '\\'; break;
        default: text += '\\', text += value[i];
        }
    }
    return text;
}

// The Exec line's arguments, quoting removed, field codes still in place.
std::vector<std::string> splitExec(const std::string& text) {
    std::vector<std::string> arguments;
    std::string current;
    bool started = false, quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < text.size())
                current += text[++i];
            else
                current += c;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (started) arguments.push_back(current);
            current.clear();
            started = false;
        } else if (c == '"') {
            quoted = started = true;
        } else {
            current += c;
            started = true;
        }
    }
    if (started) arguments.push_back(current);
    return arguments;
}

}  // namespace

AdoptedClient clientFromExec(std::string_view execValue, const ProgramFinder& findProgram) {
    AdoptedClient client;
    bool fileCodeSeen = false;
    std::vector<std::string> arguments;
    for (const std::string& raw : splitExec(unescapeValue(execValue))) {
        std::string argument;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '%' || i + 1 == raw.size()) {
                argument += raw[i];
                continue;
            }
            const char code = raw[++i];
            if (code == '%') {
                argument += '%';
            } else if ((code == 'f' || code == 'F' || code == 'u' || code == 'U') && !fileCodeSeen) {
                argument += "%1";
                fileCodeSeen = true;
            }
        }
        // An argument that was only a field code goes with it.
        if (!argument.empty() || raw.empty()) arguments.push_back(argument);
    }
    if (arguments.empty()) {
        client.refusal = "the earlier handler has no program in its Exec line";
        return client;
    }
    std::string program = arguments.front();
    if (program.find_first_of("/\\") == std::string::npos) program = findProgram(program);
    if (program.empty()) {
        client.refusal = "the earlier handler's program \"" + arguments.front() + "\" is not installed";
        return client;
    }
    if (const std::string loop = settings::launchLoopCause(program); !loop.empty()) {
        client.refusal = loop;
        return client;
    }
    if (!fileCodeSeen) arguments.push_back("%1");
    client.launchPath = program;
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (i > 1) client.launchArguments += ' ';
        client.launchArguments += platform::quotedWindowsArgument(arguments[i], platform::Quotes::WhenNeeded);
    }
    return client;
}

int adoptClient(const settings::RunPaths& run, const std::string& execValue) {
    const std::string current = settings::readSetting(run.settingsPath, settings::kLaunchPath);
    if (platform::isExecutableFile(current) && settings::launchLoopCause(current).empty()) {
        consolePrint("Keeping LaunchPath=%s\n", current.c_str());
        return 0;
    }
    const AdoptedClient client =
        clientFromExec(execValue, [](const std::string& name) { return platform::findProgramOnPath(name); });
    if (!client.refusal.empty()) {
        consolePrint("Client not taken over: %s\n", client.refusal.c_str());
        return 1;
    }
    // Both keys in one write; a value Settings.ini cannot hold (a line
    // break from the Exec line) leaves the file as it was.
    const std::vector<platform::ProfileEntry> keys{{settings::kLaunchPath, client.launchPath},
                                                   {settings::kLaunchArguments, client.launchArguments}};
    switch (writeProfileStrings(settings::kSection, keys, run.settingsPath)) {
    case ProfileWrite::Written: break;
    case ProfileWrite::Refused:
        for (const platform::ProfileEntry& key : keys)
            if (const std::string why = valueRefusal(key.value); !why.empty()) {
                consolePrint("Client not taken over: its %s %s, which Settings.ini cannot store\n",
                             key.name.c_str(), why.c_str());
                break;
            }
        return 1;
    case ProfileWrite::Failed:
    case ProfileWrite::KeyChanged:
        consolePrint("Cannot write LaunchPath to %s\n", run.settingsPath.c_str());
        return 1;
    }
    consolePrint("Set LaunchPath=%s\n", client.launchPath.c_str());
    consolePrint("Set LaunchArguments=%s\n", client.launchArguments.c_str());
    // The torrents that reach the client by other roads can get the
    // retrackers through its remote control; the user turns that on.
    if (const char* kind = clientRpcKindOf(client.launchPath); *kind != '\0')
        consolePrint("Its torrents added by other roads can get the retrackers too: set ClientRpc=%s "
                     "(see the README)\n",
                     kind);
    return 0;
}
