#include "augment/client_launch.h"

#include "platform/client_process.h"
#include "platform/command_line.h"
#include "platform/process_files.h"
#include "platform/program_files.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/setup_check.h"
#include "settings/wording.h"

using settings::N_;

bool runClientLaunch(const TavrinRun& run, const std::string& torrentPath) {
    const std::string launchPath = run.settings.value(settings::kLaunchPath);
    // Started on the torrent, a file opener would start Tavrin again, and so on.
    if (const std::string loop = settings::launchLoopCause(launchPath); !loop.empty()) {
        run.log.message(loop, settings::launchLoopCause(launchPath, settings::noticeWording()));
        return false;
    }
    const std::string launchArguments = run.settings.value(settings::kLaunchArguments);
    if (launchClient(run.log, launchPath, launchArguments, torrentPath)) return true;
    // After the failure line, what the user can do about it (the notice shows it too).
    const std::string adopt = settings::keswelCommandBeside(platform::executablePath());
    if (launchPath.empty())
        run.log.message(settings::noClientLine(adopt), settings::noClientLine(adopt, settings::noticeWording()));
    else if (!platform::isExecutableFile(launchPath))
        run.log.say(N_("LaunchPath \"%s\" names no program that can be started; %s --check explains, %s adopts an "
                       "installed client"),
                    {launchPath, adopt.substr(0, adopt.size() - 9), adopt});
    return false;
}

bool launchClient(const Log& log, const std::string& launchPath, const std::string& launchArguments,
                  const std::string& torrentPath) {
    if (launchArguments.find("%1") == std::string::npos)
        log.say(N_("Wrong launch arguments, no way to add filename to \"%s\""), {launchArguments});
    platform::StartResult result = platform::startClient({launchPath, launchArguments, torrentPath});
    if (!result.started)
        log.say(N_("Running of \"%s\" failed with code %s"),
                {platform::clientCommandLine(launchPath, launchArguments, platform::pathForLog(torrentPath)),
                 decimalString(result.code)});
    return result.started;
}
