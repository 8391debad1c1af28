#include "probe/keswel_options.h"

#include <string_view>

#include "numbers/decimal.h"
#include "platform/process_files.h"
#include "probe/console_print.h"

namespace {

bool positiveNumber(std::string_view text, int32_t& number) {
    return numbers::readCanonicalInt32(text, number) && number > 0;
}

}  // namespace

KeswelOptions parseKeswelOptions(int argc, char** argv) {
    KeswelOptions options;
    // Without an option, arguments are ignored: a plain run probes.
    bool optionGiven = false;
    for (int i = 1; i < argc; ++i) optionGiven = optionGiven || argv[i][0] == '-';
    if (!optionGiven) return options;
    const std::string_view option = argv[1];
    const int rest = argc - 2;
    options.command = KeswelCommand::Usage;
    if (option == "--list" && rest == 0) options.command = KeswelCommand::List;
    if (option == "--choose" && (rest == 0 || (rest == 1 && std::string_view(argv[2]) == "--no-handler"))) {
        options.command = KeswelCommand::Choose;
        options.makeHandler = rest == 0;
    }
    if (option == "--check" && rest == 0) options.command = KeswelCommand::Check;
    if (option == "--detect" && (rest == 0 || (rest == 1 && std::string_view(argv[2]) == "--no-handler"))) {
        options.command = KeswelCommand::Detect;
        options.makeHandler = rest == 0;
    }
    if (option == "--apply" && rest == 0) options.command = KeswelCommand::Apply;
    if (option == "--help" && rest == 0) options.command = KeswelCommand::Help;
    if (option == "--select" && rest == 2 && positiveNumber(argv[2], options.city) &&
        positiveNumber(argv[3], options.provider))
        options.command = KeswelCommand::Select;
    if (option == "--adopt-client" && rest == 1) {
        options.command = KeswelCommand::AdoptClient;
        options.execLine = argv[2];
    }
    if (option == "--import" && rest == 1) {
        options.command = KeswelCommand::Import;
        options.file = argv[2];
    }
    if (options.command == KeswelCommand::Usage) {
        constexpr std::string_view kKnown[] = {"--list",         "--choose", "--select", "--check", "--help",
                                               "--adopt-client", "--import", "--detect", "--apply"};
        bool known = false;
        for (std::string_view name : kKnown) known = known || option == name;
        const std::string name(option);
        options.refusal = formatText(known              ? tr("wrong arguments for %s")
                                     : name[0] == '-' ? tr("unknown option %s")
                                                      : tr("the option must come first, before %s"),
                                     name.c_str());
    }
    return options;
}

std::string keswelCommandName(const char* argv0) {
    std::string name = argv0 && *argv0 ? platform::fileNameOf(argv0) : std::string();
    if (name.size() > 4 && (name.substr(name.size() - 4) == ".exe" || name.substr(name.size() - 4) == ".EXE"))
        name.resize(name.size() - 4);
    return name.empty() ? "Keswel" : name;
}

std::string keswelUsage(const std::string& command) {
    // The command as it was typed ("keswel" with the .deb) stands for %s.
    std::string usage = tr(
        "usage: %s [--list | --detect [--no-handler] | --choose [--no-handler] | --select CITY PROVIDER | --check |"
        " --import FILE | --apply | --help]\n"
           "  (none)    probe the retrackers of your city and provider and store TrackerCheck\n"
           "  --list    show the directory's cities and their providers, numbered; * marks your choice\n"
           "  --detect  ask every retracker of the directory and store the one provider whose trackers answer\n"
           "  --choose  ask for your city and provider by number, store them, then probe; then adopt a\n"
           "            BitTorrent client when LaunchPath names none and make Tavrin the program for\n"
           "            torrent files and magnet links (not with --no-handler)\n"
           "  --select  the same without questions, with the numbers --list shows\n"
           "  --check   check Settings.ini, the directory and LaunchPath; exit code 0 when all is in order\n"
           "  --import  take in a retracker directory file (Windows-1251 or UTF-8) and name it in Settings.ini\n"
           "  --apply   add the live retrackers to the torrents of the running client (ClientRpc)\n");
    if (const size_t at = usage.find("%s"); at != std::string::npos) usage.replace(at, 2, command);
    return usage;
}
