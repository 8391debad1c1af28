#include "probe/client_adoption.h"

#include <gtest/gtest.h>

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

}  // namespace
