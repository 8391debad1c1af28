#include "augment/client_launch.h"

#include "platform/client_process.h"
#include "platform/command_line.h"
#include "platform/process_files.h"
#include "platform/program_files.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/setup_check.h"

bool runClientLaunch(const TavrinRun& run, const std::string& torrentPath) {
    const std::string launchPath = run.settings.value(settings::kLaunchPath);
    // Started on the torrent, a file opener would start Tavrin again, and so on.
    if (const std::string loop = settings::launchLoopCause(launchPath); !loop.empty()) {
        run.log.message(loop);
        return false;
    }
    const std::string launchArguments = run.settings.value(settings::kLaunchArguments);
    if (launchClient(run.log, launchPath, launchArguments, torrentPath)) return true;
    // After the failure line, what the user can do about it (the notice shows it too).
    const std::string adopt = settings::keswelCommandBeside(platform::executablePath());
    if (launchPath.empty())
        run.log.message(settings::noClientLine(adopt));
    else if (!platform::isExecutableFile(launchPath))
        run.log.message("LaunchPath \"" + launchPath + "\" names no program that can be started; " +
                        adopt.substr(0, adopt.size() - 9) + " --check explains, " + adopt +
                        " adopts an installed client");
    return false;
}

bool launchClient(const Log& log, const std::string& launchPath, const std::string& launchArguments,
                  const std::string& torrentPath) {
    if (launchArguments.find("%1") == std::string::npos)
        log.message("Wrong launch arguments, no way to add filename to \"" + launchArguments + "\"");
    platform::StartResult result = platform::startClient({launchPath, launchArguments, torrentPath});
    if (!result.started)
        log.message("Running of \"" +
                    platform::clientCommandLine(launchPath, launchArguments, platform::pathForLog(torrentPath)) +
                    "\" failed with code " + decimalString(result.code));
    return result.started;
}
