#include "probe/client_adoption.h"

#include <vector>

#include "platform/command_line.h"
#include "platform/desktop_handlers.h"
#include "platform/file_io.h"
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

// Common clients in the order they are looked for: by their desktop entries
// (the names distributions and flatpak use), or on PATH for those that ship
// none, with the arguments that make them download the file given.
struct KnownClient {
    const char* name;
    std::vector<const char*> entries;
    const char* program;    // nullptr: found by its entries
    const char* arguments;
};

const std::vector<KnownClient>& knownClients() {
    static const std::vector<KnownClient> clients{
        {"qBittorrent", {"org.qbittorrent.qBittorrent.desktop", "qbittorrent.desktop"}, nullptr, nullptr},
        {"Transmission", {"transmission-gtk.desktop", "com.transmissionbt.Transmission.desktop"}, nullptr, nullptr},
        {"Transmission (Qt)", {"transmission-qt.desktop"}, nullptr, nullptr},
        {"Deluge", {"deluge.desktop", "org.deluge_torrent.deluge.desktop"}, nullptr, nullptr},
        {"KTorrent", {"org.kde.ktorrent.desktop", "ktorrent.desktop"}, nullptr, nullptr},
        {"Fragments", {"de.haeckerfelix.Fragments.desktop"}, nullptr, nullptr},
        {"Tixati", {"tixati.desktop"}, nullptr, nullptr},
        {"BiglyBT", {"biglybt.desktop", "com.biglybt.BiglyBT.desktop"}, nullptr, nullptr},
        {"Vuze", {"vuze.desktop"}, nullptr, nullptr},
        // Downloads into the folder Tavrin runs in and ends once the download is complete.
        {"aria2", {}, "aria2c", "--seed-time=0 %1"},
        {"transmission-cli", {}, "transmission-cli", "%1"},
    };
    return clients;
}

// The Exec value of group [Desktop Entry] of the entry file's text.
std::string execOfEntry(std::string_view text) {
    bool inEntry = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.substr(0, 4) != "Exec") continue;
        line.remove_prefix(4);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (line.empty() || line.front() != '=') continue;
        line.remove_prefix(1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        return std::string(line);
    }
    return {};
}

// Both keys in one write; a value Settings.ini cannot hold (a line break
// from an Exec line) leaves the file as it was. 0 when stored.
int storeClient(const settings::RunPaths& run, const AdoptedClient& client) {
    const std::vector<platform::ProfileEntry> keys{{settings::kLaunchPath, client.launchPath},
                                                   {settings::kLaunchArguments, client.launchArguments}};
    switch (writeProfileStrings(settings::kSection, keys, run.settingsPath)) {
    case ProfileWrite::Written: break;
    case ProfileWrite::Refused:
        for (const platform::ProfileEntry& key : keys)
            if (const std::string why = valueRefusal(key.value); !why.empty()) {
                consolePrint(tr("Client not taken over: its %s %s, which Settings.ini cannot store\n"),
                             key.name.c_str(), tr(why.c_str()));
                break;
            }
        return 1;
    case ProfileWrite::Failed:
    case ProfileWrite::KeyChanged:
        consolePrint(tr("Cannot write LaunchPath to %s\n"), run.settingsPath.c_str());
        return 1;
    }
    consolePrint(tr("Set LaunchPath=%s\n"), client.launchPath.c_str());
    consolePrint(tr("Set LaunchArguments=%s\n"), client.launchArguments.c_str());
    // The torrents that reach the client by other roads can get the
    // retrackers through its remote control; the user turns that on.
    if (const char* kind = clientRpcKindOf(client.launchPath); *kind != '\0')
        consolePrint(tr("Its torrents added by other roads can get the retrackers too: set ClientRpc=%s "
                        "(see the README)\n"),
                     kind);
    return 0;
}

bool clientWorks(const std::string& launchPath) {
    return platform::isExecutableFile(launchPath) && settings::launchLoopCause(launchPath).empty();
}

// Makes Tavrin the desktop's handler of torrent files and magnet links.
void makeTavrinHandler(const settings::RunPaths& run, const ClientSources& sources) {
    constexpr const char* kTypes[] = {"application/x-bittorrent", "x-scheme-handler/magnet"};
    if (sources.defaultEntry(kTypes[0]) == kTavrinEntry && sources.defaultEntry(kTypes[1]) == kTavrinEntry) {
        consolePrint(tr("Torrent files and magnet links open with Tavrin already (%s)\n"), kTavrinEntry);
        return;
    }
    const std::string script = run.executableDirectory + "retrackers-desktop.sh";
    if (platform::isExecutableFile(script)) {
        consolePrint(tr("Making Tavrin the program for torrent files and magnet links: %s install\n"), script.c_str());
        if (platform::runToCompletion({script, "install"}) != 0)
            consolePrint(tr("The desktop integration failed; see its lines above\n"));
        return;
    }
    if (sources.entryExec(kTavrinEntry).empty()) {
        consolePrint(tr("Tavrin has no desktop entry (%s), so it cannot be made the program for torrent files\n"),
                     kTavrinEntry);
        return;
    }
    if (platform::findProgramOnPath("xdg-mime").empty()) {
        consolePrint(
            tr("Cannot make Tavrin the program for torrent files: xdg-mime is not installed (package xdg-utils)\n"));
        return;
    }
    if (platform::runToCompletion({"xdg-mime", "default", kTavrinEntry, kTypes[0], kTypes[1]}) != 0) {
        consolePrint(tr("xdg-mime could not make Tavrin the program for torrent files\n"));
        return;
    }
    consolePrint(tr("Torrent files and magnet links now open with Tavrin (%s; --no-handler leaves them alone)\n"),
                 kTavrinEntry);
}

}  // namespace

AdoptedClient findClient(const ClientSources& sources) {
    for (const char* type : {"application/x-bittorrent", "x-scheme-handler/magnet"}) {
        const std::string id = sources.defaultEntry(type);
        if (id.empty() || id == kTavrinEntry) continue;
        const std::string exec = sources.entryExec(id);
        if (exec.empty()) continue;
        AdoptedClient client = clientFromExec(exec, sources.findProgram);
        if (!client.refusal.empty()) continue;
        client.source = formatText(tr("the program that opened %s so far (%s)"), type, id.c_str());
        return client;
    }
    for (const KnownClient& known : knownClients()) {
        for (const char* id : known.entries) {
            const std::string exec = sources.entryExec(id);
            if (exec.empty()) continue;
            AdoptedClient client = clientFromExec(exec, sources.findProgram);
            if (!client.refusal.empty()) continue;
            client.source = std::string(known.name) + " (" + id + ")";
            return client;
        }
        if (known.program)
            if (std::string path = sources.findProgram(known.program); !path.empty())
                return {path, known.arguments, "", formatText(tr("%s (%s on PATH)"), known.name, known.program)};
    }
    AdoptedClient none;
    none.refusal = "no BitTorrent client found";
    return none;
}

ClientSources systemClientSources() {
    ClientSources sources;
    sources.defaultEntry = platform::defaultDesktopEntry;
    sources.entryExec = [](const std::string& id) {
        for (const std::string& folder : platform::applicationFolders()) {
            platform::InputFile file;
            if (file.open(folder + id)) return execOfEntry(std::string_view(file.data(), file.size()));
        }
        return std::string();
    };
    sources.findProgram = platform::findProgramOnPath;
    return sources;
}

void setUpClient(const settings::RunPaths& run, bool makeHandler) {
    const ClientSources sources = systemClientSources();
    if (!clientWorks(settings::readSetting(run.settingsPath, settings::kLaunchPath))) {
        const AdoptedClient client = findClient(sources);
        if (client.refusal.empty()) {
            consolePrint(tr("BitTorrent client: %s\n"), client.source.c_str());
            storeClient(run, client);
        } else {
            consolePrint(tr("No BitTorrent client found: set LaunchPath (the client's program, a full path) and "
                         "LaunchArguments (its arguments, %%1 where the torrent goes) in %s\n"),
                         run.settingsPath.c_str());
        }
    }
    // Windows has no entry folders: its installer and register.cmd set the handler.
    if (makeHandler && !platform::applicationFolders().empty()) makeTavrinHandler(run, sources);
}

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
        client.refusal = tr("the earlier handler has no program in its Exec line");
        return client;
    }
    std::string program = arguments.front();
    if (program.find_first_of("/\\") == std::string::npos) program = findProgram(program);
    if (program.empty()) {
        client.refusal = formatText(tr("the earlier handler's program \"%s\" is not installed"), arguments.front().c_str());
        return client;
    }
    if (const std::string loop = settings::launchLoopCause(program, consoleWording()); !loop.empty()) {
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
    if (clientWorks(current)) {
        consolePrint(tr("Keeping LaunchPath=%s\n"), current.c_str());
        return 0;
    }
    const AdoptedClient client =
        clientFromExec(execValue, [](const std::string& name) { return platform::findProgramOnPath(name); });
    if (!client.refusal.empty()) {
        consolePrint(tr("Client not taken over: %s\n"), client.refusal.c_str());
        return 1;
    }
    return storeClient(run, client);
}
