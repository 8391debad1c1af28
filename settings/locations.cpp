#include "settings/locations.h"

#include "platform/process_files.h"

namespace settings {

namespace {

// Folders made in the user's home are the user's alone.
constexpr unsigned kPrivateFolderMode = 0700;

}  // namespace

RunPaths locateRunPaths(const std::string& executablePath, bool settingsBeside,
                        const std::optional<platform::UserFolders>& user) {
    const std::string beside = platform::directoryOf(executablePath);
    RunPaths paths;
    paths.executableDirectory = beside;
    if (settingsBeside || !user) {
        paths.settingsPath = beside + kFileName;
        paths.logPath = beside + kLogFileName;
        paths.outputDirectory = beside;
        return paths;
    }
    const std::string name = std::string(kUserFolderName) + "/";
    paths.inUserFolders = true;
    paths.settingsPath = user->config + name + kFileName;
    paths.logPath = user->state + name + kLogFileName;
    paths.outputDirectory = user->data + name + "torrents/";
    // An executable whose place is unknown has no installed samples either.
    if (!beside.empty()) paths.sampleDirectory = beside + "../share/" + name;
    return paths;
}

bool prepareSettingsFolder(const RunPaths& paths) {
    if (!paths.inUserFolders) return false;
    const std::string folder = platform::directoryOf(paths.settingsPath);
    if (!platform::makeFolders(folder, kPrivateFolderMode)) return false;
    if (paths.sampleDirectory.empty() || platform::pathExists(paths.settingsPath)) return false;
    // The sample's TrackersFile names the default directory beside it.
    if (!platform::copyToNewFile(paths.sampleDirectory + kFileName, paths.settingsPath)) return false;
    platform::copyToNewFile(paths.sampleDirectory + kDirectoryFileName, folder + kDirectoryFileName);
    return true;
}

void prepareOutputFolders(const RunPaths& paths) {
    if (!paths.inUserFolders) return;
    platform::makeFolders(platform::directoryOf(paths.logPath), kPrivateFolderMode);
    platform::makeFolders(paths.outputDirectory, kPrivateFolderMode);
}

}  // namespace settings
