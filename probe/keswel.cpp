#include "probe/keswel.h"

#include <new>
#include <set>

#include "platform/console.h"
#include "platform/net.h"
#include "platform/process_files.h"
#include "probe/client_adoption.h"
#include "probe/client_rpc.h"
#include "probe/console_print.h"
#include "probe/directory_import.h"
#include "probe/detect.h"
#include "probe/keswel_options.h"
#include "probe/selection.h"
#include "probe/setup_report.h"
#include "probe/tracker_probe.h"
#include "settings/directory.h"
#include "settings/directory_choice.h"
#include "settings/locations.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/setup_check.h"

namespace {

struct NumberedProbes {
    std::vector<TrackerProbe> probes;
    std::vector<int32_t> numbers;  // retracker number of each entry
};

}  // namespace

std::string trackerCheckList(const std::vector<int32_t>& reachableNumbers) {
    std::string list;
    for (int32_t number : reachableNumbers) {
        if (!list.empty()) list += ' ';
        list += decimalString(number);
    }
    return list;
}

std::string localHostsList(const std::vector<TrackerProbe>& probes) {
    std::string list;
    std::set<std::string> hosts;
    for (const TrackerProbe& probe : probes) {
        if (probe.state != ProbeConnected || !probe.fromNameServer) continue;
        const std::string host = splitTrackerUrl(probe.url).host;
        const std::string address = platform::addressText(probe.address);
        if (address.empty() || !hosts.insert(host).second) continue;
        if (!list.empty()) list += ' ';
        list += host + "=" + address;
    }
    return list;
}

ProbeStore storeTrackerCheck(const std::string& settingsPath, const std::string& probedIndex,
                             const std::string& trackerCheck, const std::string* localHosts) {
    const platform::ProfileEntry unchangedIndex{settings::kTrackerIniIndex, probedIndex};
    std::vector<platform::ProfileEntry> keys{{settings::kTrackerCheck, trackerCheck}};
    // A file that never had local hosts keeps no empty key for them.
    if (localHosts && (!localHosts->empty() || !settings::readSetting(settingsPath, settings::kLocalHosts).empty()))
        keys.push_back({settings::kLocalHosts, *localHosts});
    switch (writeProfileStrings(settings::kSection, keys, settingsPath, &unchangedIndex)) {
    case ProfileWrite::Written: return ProbeStore::Stored;
    case ProfileWrite::KeyChanged: return ProbeStore::IndexChanged;
    case ProfileWrite::Refused:
    case ProfileWrite::Failed: break;
    }
    return ProbeStore::Failed;
}

int probeAndStore(const settings::RunPaths& run, const NetworkStart& startNetwork) {
    // The network first: nothing is read or written when it cannot start.
    int networkError = 0;
    if (!startNetwork(&networkError)) {
        consolePrint(tr("Network start failed with code %d\n"), networkError);
        return 1;
    }
    // Read before the section is resolved: should the choice change in
    // between, the result is refused at the end rather than stored under the
    // other provider.
    const std::string probedIndex = settings::readSetting(run.settingsPath, settings::kTrackerIniIndex);
    const settings::DirectoryChoice choice =
        settings::chooseDirectorySection(run.settingsPath, settings::IndexCheck::LookupOnly);
    switch (choice.failure) {
    case settings::DirectoryFailure::None: break;
    case settings::DirectoryFailure::BadIndex:  // not judged here: the lookups fail instead
    case settings::DirectoryFailure::BadCity: consolePrint("Bad city %d\n", choice.city); break;
    case settings::DirectoryFailure::BadProvider:
        consolePrint("Bad provider %d for city %s\n", choice.provider, shown(choice.cityName).c_str());
        break;
    case settings::DirectoryFailure::NoRetrackers: consolePrint("No active trackers\n"); break;
    }
    if (choice.failure != settings::DirectoryFailure::None) {
        // The run's own line, then what --check and Tavrin's log say of it.
        if (const std::string cause = settings::directoryCause(run.settingsPath, choice, consoleWording()); !cause.empty())
            consolePrint("%s\n", cause.c_str());
        return 1;
    }
    // "абвн" in Windows-1251; the line says "providers" though it counts retrackers.
    consolePrint("Checking %s %s, %d providers\n", shown("\xE0\xE1\xE2\xED").c_str(), shown(choice.section).c_str(),
                 choice.count);

    // Only the keys present are visited, so a huge count costs nothing.
    NumberedProbes list;
    for (NumberedUrl& numbered : retrackerUrls(choice.directory, choice.section, 1, choice.count)) {
        TrackerProbe probe;
        probe.url = std::move(numbered.url);
        list.probes.push_back(std::move(probe));
        list.numbers.push_back(numbered.number);
    }

    runProbe(list.probes);
    // Every socket is closed before Settings.ini is written, so the write
    // has the descriptors it needs however long the list was.
    platform::netCleanup();
    if (networkWasDown(list.probes)) {
        // A run before the network is up must not store that nothing answers.
        consolePrint(tr("Network unreachable: no retracker could be tried; TrackerCheck left as it was\n"));
        return 1;
    }

    std::vector<int32_t> reachable;
    for (size_t i = 0; i < list.probes.size(); ++i)
        if (list.probes[i].state == ProbeConnected) reachable.push_back(list.numbers[i]);
    const std::string checkList = trackerCheckList(reachable);
    consolePrint("TrackerCheck=%s 0\n", checkList.c_str());
    const std::string localHosts = localHostsList(list.probes);
    if (!localHosts.empty()) consolePrint("LocalHosts=%s\n", localHosts.c_str());
    const ProbeStore stored = storeTrackerCheck(run.settingsPath, probedIndex, checkList + " 0", &localHosts);
    switch (stored) {
    case ProbeStore::Stored: break;
    case ProbeStore::IndexChanged:
        // Another run (--select, --choose) or an editor chose anew meanwhile;
        // these numbers belong to the provider probed, not to the new one.
        consolePrint(tr("TrackerIniIndex changed during the probe; TrackerCheck not stored\n"));
        return 1;
    case ProbeStore::Failed:
        // Tavrin would go on with the previous list; the user must learn that.
        consolePrint(tr("Cannot write TrackerCheck to %s\n"), run.settingsPath.c_str());
        return 1;
    }
    return 0;
}

namespace {

int runCommand(const KeswelOptions& options, const std::string& command) {
    const settings::RunPaths run = settings::runPathsFor(platform::executablePath());
    if (settings::prepareSettingsFolder(run))
        consolePrint(tr("Created %s from the sample %s\n"), run.settingsPath.c_str(),
                     (run.sampleDirectory + "Settings.ini").c_str());
    switch (options.command) {
    case KeswelCommand::Probe: {
        // With ClientRpc set, the torrents already in the client get the
        // new list too; the probe's exit code stands whatever the client says.
        const int code = probeAndStore(run);
        if (code == 0) applyToClient(run, ApplyCall::AfterProbe);
        return code;
    }
    case KeswelCommand::Apply: return applyToClient(run, ApplyCall::Alone);
    case KeswelCommand::List: return listDirectory(run);
    case KeswelCommand::Choose: {
        const int code = chooseAndProbe(run, standardInputLines());
        setUpClient(run, options.makeHandler);
        return code;
    }
    case KeswelCommand::Select: return selectAndProbe(run, options.city, options.provider, command);
    case KeswelCommand::Check: return reportSetup(run, command);
    case KeswelCommand::Detect: {
        const int code = detectProvider(run);
        setUpClient(run, options.makeHandler);
        return code;
    }
    case KeswelCommand::AdoptClient: return adoptClient(run, options.execLine);
    case KeswelCommand::Import: return importDirectory(run, options.file);
    case KeswelCommand::Help: consolePrint("%s", keswelUsage(command).c_str()); return 0;
    case KeswelCommand::Usage: break;
    }
    consolePrint("%s: %s\n", command.c_str(), options.refusal.c_str());
    consolePrint("%s", keswelUsage(command).c_str());
    return 2;
}

}  // namespace

int keswelMain(int argc, char** argv) {
    // One boundary for the whole run: whatever is thrown ends it with one
    // line, before or after the one write of Settings.ini, never inside it.
    try {
        platform::setupConsole();
        return runCommand(parseKeswelOptions(argc, argv), keswelCommandName(argc > 0 ? argv[0] : nullptr));
    } catch (const std::bad_alloc&) {
        consolePrint(tr("Keswel failed: out of memory\n"));
    } catch (...) {
        consolePrint(tr("Keswel failed: unexpected error\n"));
    }
    return 1;
}
