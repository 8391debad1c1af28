#include "platform/client_process.h"

#include <spawn.h>
#include <unistd.h>

#include "platform/posix/argument_split.h"

extern char** environ;

namespace platform {

StartResult startClient(const ClientLaunch& launch) {
    // The template is split first and the torrent path put into its argument
    // afterwards, so no byte of the path (quotes, blanks, newlines) can add,
    // split or change an argument.
    const size_t placeholder = launch.torrentPath ? launch.argumentsTemplate.find("%1") : std::string::npos;
    std::vector<std::string> arguments =
        splitWindowsArguments(launch.argumentsTemplate, placeholder, launch.torrentPath.value_or(""));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(launch.launchPath.c_str()));
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    // posix_spawn, not posix_spawnp: LaunchPath names the program itself and
    // is never looked up on PATH. The client inherits the current directory
    // and the environment, and is not waited for.
    pid_t child;
    int error = posix_spawn(&child, launch.launchPath.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0) return {false, error};
    return {true, 0};
}

}  // namespace platform
