#include "probe/client_adoption.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Exec values of desktop entries as clients ship them, and what becomes of
// them. Programs named without a folder are found in /usr/bin, except
// "gone".
TEST(ClientAdoption, ExecLines) {
    struct Row {
        const char* exec;
        const char* launchPath;  // "" when refused
        const char* launchArguments;
        const char* refusal;     // start of the refusal
    };
    const Row rows[] = {
        {"transmission-gtk %U", "/usr/bin/transmission-gtk", "%1", ""},
        {"qbittorrent %U", "/usr/bin/qbittorrent", "%1", ""},
        {"/usr/bin/deluge-gtk %f", "/usr/bin/deluge-gtk", "%1", ""},
        {"aria2c -S %F", "/usr/bin/aria2c", "-S %1", ""},
        {"ktorrent --silent %u %i %c", "/usr/bin/ktorrent", "--silent %1", ""},
        {"client %f %F %U", "/usr/bin/client", "%1", ""},            // only the first file code
        {"client --file=%f", "/usr/bin/client", "--file=%1", ""},     // inside an argument
        {"client", "/usr/bin/client", "%1", ""},                     // no field code: the file goes last
        {"client 100%% %k %f", "/usr/bin/client", "100% %1", ""},
        {"\"/opt/My Client/run\" --add %U", "/opt/My Client/run", "--add %1", ""},
        {"client \"a \\\"b\\\" c\" %f", "/usr/bin/client", "\"a \\\"b\\\" c\" %1", ""},
        {"client a\\sb %f", "/usr/bin/client", "a b %1", ""},  // the \s string escape is a separating blank
        {"/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=qbittorrent --file-forwarding "
         "org.qbittorrent.qBittorrent @@u %U @@",
         "/usr/bin/flatpak",
         "run --branch=stable --arch=x86_64 --command=qbittorrent --file-forwarding org.qbittorrent.qBittorrent @@u %1 "
         "@@",
         ""},
        {"xdg-open %u", "", "", "LaunchPath \"/usr/bin/xdg-open\" is a file opener"},
        {"gio open %U", "", "", "LaunchPath \"/usr/bin/gio\" is a file opener"},
        {"kde-open5 %U", "", "", "LaunchPath \"/usr/bin/kde-open5\" is a file opener"},
        {"exo-open %f", "", "", "LaunchPath \"/usr/bin/exo-open\" is a file opener"},
        {"/home/u/Retrackers/Tavrin %u", "", "", "LaunchPath \"/home/u/Retrackers/Tavrin\" is Tavrin itself"},
        {"gone %U", "", "", "the earlier handler's program \"gone\" is not installed"},
        {"  ", "", "", "the earlier handler has no program"},
    };
    const ProgramFinder inUsrBin = [](const std::string& name) {
        return name == "gone" ? std::string() : "/usr/bin/" + name;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exec);
        const AdoptedClient client = clientFromExec(row.exec, inUsrBin);
        EXPECT_EQ(client.launchPath, row.launchPath);
        EXPECT_EQ(client.launchArguments, row.launchArguments);
        EXPECT_EQ(client.refusal.substr(0, std::string(row.refusal).size()), row.refusal);
        EXPECT_EQ(client.refusal.empty(), std::string(row.refusal).empty());
    }
}

// Where the client comes from: the default handler unless it is Tavrin or an
// opener, then the table's order, desktop entries before PATH within a
// client; none names the two keys.
TEST(ClientAdoption, SourcesInOrder) {
    struct Row {
        const char* name;
        std::map<std::string, std::string> defaults;  // type -> entry id
        std::map<std::string, std::string> entries;   // entry id -> Exec
        std::vector<std::string> onPath;
        const char* launchPath;
        const char* launchArguments;
        const char* source;
    };
    const std::string torrent = "application/x-bittorrent", magnet = "x-scheme-handler/magnet";
    const Row rows[] = {
        {"default handler", {{torrent, "tixati.desktop"}}, {{"tixati.desktop", "tixati %U"},
         {"qbittorrent.desktop", "qbittorrent %U"}}, {"tixati", "qbittorrent", "aria2c"},
         "/usr/bin/tixati", "%1", "the program that opened application/x-bittorrent so far (tixati.desktop)"},
        {"magnet handler when the torrent one is Tavrin",
         {{torrent, "retrackers-tavrin.desktop"}, {magnet, "my.desktop"}},
         {{"retrackers-tavrin.desktop", "tavrin %u"}, {"my.desktop", "myclient --magnet %u"}}, {"tavrin", "myclient"},
         "/usr/bin/myclient", "--magnet %1", "the program that opened x-scheme-handler/magnet so far (my.desktop)"},
        {"an opener as handler: the table", {{torrent, "open.desktop"}}, {{"open.desktop", "xdg-open %u"},
         {"transmission-qt.desktop", "transmission-qt %U"}}, {"xdg-open", "transmission-qt"},
         "/usr/bin/transmission-qt", "%1", "Transmission (Qt) (transmission-qt.desktop)"},
        {"table order, not folder order", {}, {{"vuze.desktop", "vuze %f"},
         {"org.deluge_torrent.deluge.desktop", "deluge-gtk %U"}}, {"vuze", "deluge-gtk"},
         "/usr/bin/deluge-gtk", "%1", "Deluge (org.deluge_torrent.deluge.desktop)"},
        {"entry of a program gone", {}, {{"org.kde.ktorrent.desktop", "ktorrent %U"}}, {"transmission-cli"},
         "/usr/bin/transmission-cli", "%1", "transmission-cli (transmission-cli on PATH)"},
        {"flatpak export", {}, {{"de.haeckerfelix.Fragments.desktop",
         "/usr/bin/flatpak run --command=fragments de.haeckerfelix.Fragments %U"}}, {"aria2c"},
         "/usr/bin/flatpak", "run --command=fragments de.haeckerfelix.Fragments %1",
         "Fragments (de.haeckerfelix.Fragments.desktop)"},
        {"aria2c before transmission-cli", {}, {}, {"transmission-cli", "aria2c"}, "/usr/bin/aria2c",
         "--seed-time=0 %1", "aria2 (aria2c on PATH)"},
        {"nothing", {{torrent, "gone.desktop"}}, {}, {}, "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClientSources sources;
        sources.defaultEntry = [&](const std::string& type) {
            const auto found = row.defaults.find(type);
            return found == row.defaults.end() ? std::string() : found->second;
        };
        sources.entryExec = [&](const std::string& id) {
            const auto found = row.entries.find(id);
            return found == row.entries.end() ? std::string() : found->second;
        };
        sources.findProgram = [&](const std::string& name) {
            for (const std::string& program : row.onPath)
                if (program == name) return "/usr/bin/" + name;
            return std::string();
        };
        const AdoptedClient client = findClient(sources);
        EXPECT_EQ(client.launchPath, row.launchPath);
        EXPECT_EQ(client.launchArguments, row.launchArguments);
        EXPECT_EQ(client.source, row.source);
        EXPECT_EQ(client.refusal.empty(), *row.launchPath != 0);
    }
}

}  // namespace
