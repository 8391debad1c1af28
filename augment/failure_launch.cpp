#include "augment/failure_launch.h"

#include "augment/client_launch.h"
#include "augment/magnet_link.h"
#include "platform/process_files.h"
#include "platform/program_files.h"
#include "settings/settings_file.h"
#include "settings/wording.h"

using settings::N_;

bool launchOnFailure(const TavrinRun& run, const std::string& torrentArgument) {
    if (!run.settings.is(settings::kLaunchOnFailure, "True")) return true;
    if (isMagnetLink(torrentArgument)) {
        run.log.say(N_("Starting the client on the unchanged magnet link"));
        return runClientLaunch(run, torrentArgument);
    }
    // The client may run in another directory than Tavrin was started in.
    const std::string torrentPath = platform::fullPathOf(torrentArgument);
    run.log.say(N_("Starting the client on the unchanged torrent \"%s\""), {platform::pathForLog(torrentPath)});
    return runClientLaunch(run, torrentPath);
}
