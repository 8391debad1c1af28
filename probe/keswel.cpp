#include "probe/keswel.h"

#include "platform/console.h"
#include "platform/net.h"
#include "platform/process_files.h"
#include "probe/console_print.h"
#include "probe/tracker_probe.h"
#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

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

int keswelMain(int, char**) {
    platform::setupConsole();
    int networkError = 0;
    if (!platform::netStartup(&networkError)) {
        consolePrint("Network start failed with code %d\n", networkError);
        return 1;
    }
    const std::string settingsPath = settings::settingsPathFor(platform::executablePath());

    int32_t cityIndex = -1;
    int32_t providerIndex = -1;
    settings::scanTrackerIniIndex(settings::readSetting(settingsPath, settings::kTrackerIniIndex), cityIndex,
                                  providerIndex);
    const int32_t city = settings::directoryNumber(cityIndex);
    const int32_t provider = settings::directoryNumber(providerIndex);

    const std::string directory = settings::trackersFilePath(settingsPath);
    const std::string cityText = cityName(directory, city);
    if (cityText.empty()) {
        consolePrint("Bad city %d\n", city);
        return 1;
    }
    const std::string providerText = providerName(directory, cityText, provider);
    if (providerText.empty()) {
        consolePrint("Bad provider %d for city %s\n", provider, cityText.c_str());
        return 1;
    }
    const std::string section = retrackerSection(cityText, providerText);
    const int32_t count = retrackerCount(directory, section);
    if (count == 0) {
        consolePrint("No active trackers\n");
        return 1;
    }
    // "абвн" in Windows-1251; the line says "providers" though it counts retrackers.
    consolePrint("Checking \xE0\xE1\xE2\xED %s, %d providers\n", section.c_str(), count);

    NumberedProbes list;
    for (int32_t number = 1; number <= count; ++number) {
        std::string url = retrackerUrl(directory, section, number);
        if (url.empty()) continue;
        TrackerProbe probe;
        probe.url = std::move(url);
        list.probes.push_back(std::move(probe));
        list.numbers.push_back(number);
    }

    runProbe(list.probes);

    std::vector<int32_t> reachable;
    for (size_t i = 0; i < list.probes.size(); ++i)
        if (list.probes[i].state == ProbeConnected) reachable.push_back(list.numbers[i]);
    const std::string checkList = trackerCheckList(reachable);
    consolePrint("TrackerCheck=%s 0\n", checkList.c_str());
    const bool stored = writeProfileString(settings::kSection, settings::kTrackerCheck, checkList + " 0", settingsPath);
    platform::netCleanup();
    if (!stored) {
        // Tavrin would go on with the previous list; the user must learn that.
        consolePrint("Cannot write TrackerCheck to %s\n", settingsPath.c_str());
        return 1;
    }
    return 0;
}
