#include "probe/keswel_options.h"

#include <string_view>

#include "numbers/decimal.h"

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
    if (option == "--choose" && rest == 0) options.command = KeswelCommand::Choose;
    if (option == "--check" && rest == 0) options.command = KeswelCommand::Check;
    if (option == "--apply" && rest == 0) options.command = KeswelCommand::Apply;
    if (option == "--help" && rest == 0) options.command = KeswelCommand::Help;
    if (option == "--select" && rest == 2 && positiveNumber(argv[2], options.city) &&
        positiveNumber(argv[3], options.provider))
        options.command = KeswelCommand::Select;
    if (option == "--adopt-client" && rest == 1) {
        options.command = KeswelCommand::AdoptClient;
        options.execLine = argv[2];
    }
    return options;
}

std::string keswelUsage() {
    return "usage: Keswel [--list | --choose | --select CITY PROVIDER | --check | --apply | --help]\n"
           "  (none)    probe the retrackers of your city and provider and store TrackerCheck\n"
           "  --list    show the directory's cities and their providers, numbered; * marks your choice\n"
           "  --choose  ask for your city and provider by number, store them, then probe\n"
           "  --select  the same without questions, with the numbers --list shows\n"
           "  --check   check Settings.ini, the directory and LaunchPath; exit code 0 when all is in order\n"
           "  --apply   add the live retrackers to the torrents of the running client (ClientRpc)\n";
}
