#include "probe/selection.h"

#include <algorithm>
#include <cstdio>

#include "numbers/decimal.h"
#include "probe/console_print.h"
#include "probe/keswel.h"
#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/setup_check.h"

namespace {

struct CurrentChoice {
    int32_t city = -1;      // 1-based; -1 when TrackerIniIndex names none
    int32_t provider = -1;
};

CurrentChoice currentChoice(const std::string& settingsPath) {
    int32_t cityIndex = -1, providerIndex = -1;
    settings::scanTrackerIniIndex(settings::readSetting(settingsPath, settings::kTrackerIniIndex), cityIndex,
                                  providerIndex);
    CurrentChoice current;
    if (cityIndex >= 0 && providerIndex >= 0) {
        current.city = settings::directoryNumber(cityIndex);
        current.provider = settings::directoryNumber(providerIndex);
    }
    return current;
}

std::vector<NumberedName> cityNames(const std::vector<ListedCity>& cities) {
    std::vector<NumberedName> names;
    names.reserve(cities.size());
    for (const ListedCity& listed : cities) names.push_back(listed.city);
    return names;
}

const ListedCity* findCity(const std::vector<ListedCity>& cities, int32_t number) {
    const auto found = std::lower_bound(cities.begin(), cities.end(), number,
                                        [](const ListedCity& listed, int32_t n) { return listed.city.number < n; });
    return found != cities.end() && found->city.number == number ? &*found : nullptr;
}

// `names` are in ascending order of their numbers.
const NumberedName* findNumber(const std::vector<NumberedName>& names, int32_t number) {
    const auto found = std::lower_bound(names.begin(), names.end(), number,
                                        [](const NumberedName& name, int32_t n) { return name.number < n; });
    return found != names.end() && found->number == number ? &*found : nullptr;
}

void printNames(const std::vector<NumberedName>& names, const char* indent, int32_t marked) {
    for (const NumberedName& name : names)
        consolePrint("%s%s %d %s\n", indent, name.number == marked ? "*" : " ", name.number, shown(name.name).c_str());
}

bool blankOnly(const std::string& text) {
    return text.find_first_not_of(" \t\r") == std::string::npos;
}

// Asks with the prompt `title` until the answer is one of `names`' numbers;
// `what` (the answer for its %s) says that an answer is not in the list.
// Null for an empty answer or the end of input.
const NumberedName* ask(const LineReader& input, const char* title, const char* what,
                        const std::vector<NumberedName>& names) {
    for (;;) {
        consolePrint("%s", title);
        std::string answer;
        if (!input(answer)) {
            consolePrint("\n");
            return nullptr;
        }
        if (blankOnly(answer)) return nullptr;
        const size_t first = answer.find_first_not_of(" \t");
        const size_t last = answer.find_last_not_of(" \t\r");
        const std::string number = answer.substr(first, last - first + 1);
        int32_t value = 0;
        if (numbers::readCanonicalInt32(number, value))
            if (const NumberedName* found = findNumber(names, value)) return found;
        consolePrint(what, number.c_str());
    }
}

}  // namespace

std::vector<ListedCity> listedCitiesOrCause(const settings::RunPaths& run, std::string& directory) {
    directory = settings::trackersFilePath(run.settingsPath);
    std::vector<ListedCity> cities = listedCities(directory);
    if (cities.empty()) {
        settings::DirectoryChoice choice;
        choice.failure = settings::DirectoryFailure::BadCity;
        choice.city = 1;
        choice.directory = directory;
        consolePrint("%s\n", settings::directoryCause(run.settingsPath, choice, consoleWording()).c_str());
    }
    return cities;
}

int storeAndProbe(const settings::RunPaths& run, const NumberedName& city, const NumberedName& provider,
                  const NetworkStart& startNetwork) {
    const std::string index = decimalString(city.number - 1) + " " + decimalString(provider.number - 1);
    // The previous numbers belong to the previous choice: TrackerCheck is
    // emptied with the new index (first, where keys are written one at a
    // time), so a Tavrin run during the probe adds no retracker nobody probed.
    std::vector<platform::ProfileEntry> keys{{settings::kTrackerIniIndex, index}};
    if (settings::readSetting(run.settingsPath, settings::kTrackerIniIndex) != index)
        keys.insert(keys.begin(), {settings::kTrackerCheck, ""});
    if (writeProfileStrings(settings::kSection, keys, run.settingsPath) != ProfileWrite::Written) {
        consolePrint(tr("Cannot write TrackerIniIndex to %s\n"), run.settingsPath.c_str());
        return 1;
    }
    consolePrint("TrackerIniIndex=%s (%s, %s)\n", index.c_str(), shown(city.name).c_str(),
                 shown(provider.name).c_str());
    return probeAndStore(run, startNetwork);
}

LineReader standardInputLines() {
    return [](std::string& line) {
        line.clear();
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            line += buffer;
            if (!line.empty() && line.back() == '\n') {
                line.pop_back();
                return true;
            }
        }
        return !line.empty();
    };
}

int listDirectory(const settings::RunPaths& run) {
    std::string directory;
    const std::vector<ListedCity> cities = listedCitiesOrCause(run, directory);
    if (cities.empty()) return 1;
    const CurrentChoice current = currentChoice(run.settingsPath);
    for (const ListedCity& listed : cities) {
        printNames({listed.city}, "", current.city);
        printNames(listed.providers, "    ", listed.city.number == current.city ? current.provider : -1);
    }
    return 0;
}

int chooseAndProbe(const settings::RunPaths& run, const LineReader& input, const NetworkStart& startNetwork) {
    std::string directory;
    const std::vector<ListedCity> listed = listedCitiesOrCause(run, directory);
    if (listed.empty()) return 1;
    const std::vector<NumberedName> cities = cityNames(listed);
    const CurrentChoice current = currentChoice(run.settingsPath);
    // The providers keswel --detect found, first, as long as the directory lists them.
    const std::string detected = settings::readSetting(run.settingsPath, settings::kDetectedProviders);
    for (std::string_view rest = detected; !rest.empty();) {
        int32_t numbers[2] = {0, 0};
        for (int32_t& number : numbers) {
            while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            const size_t end = std::min(rest.find(' '), rest.size());
            if (!numbers::readCanonicalInt32(rest.substr(0, end), number)) number = 0;
            rest.remove_prefix(end);
        }
        const ListedCity* city = findCity(listed, numbers[0]);
        const NumberedName* provider = city ? findNumber(city->providers, numbers[1]) : nullptr;
        if (provider)
            consolePrint(tr("Detected: %d %d %s, %s\n"), numbers[0], numbers[1], shown(city->city.name).c_str(),
                         shown(provider->name).c_str());
    }
    for (;;) {
        printNames(cities, "", current.city);
        const NumberedName* city = ask(input, tr("City number (empty to keep the current choice): "),
                                       tr("No city %s in the list; enter one of the numbers shown\n"), cities);
        if (!city) break;
        const std::vector<NumberedName>& providers = findCity(listed, city->number)->providers;
        if (providers.empty()) {
            consolePrint(tr("City %d %s has no providers in the directory; choose another\n"), city->number,
                         shown(city->name).c_str());
            continue;
        }
        printNames(providers, "    ", city->number == current.city ? current.provider : -1);
        const NumberedName* provider = ask(input, tr("Provider number (empty to keep the current choice): "),
                                           tr("No provider %s in the list; enter one of the numbers shown\n"),
                                           providers);
        if (!provider) break;
        return storeAndProbe(run, *city, *provider, startNetwork);
    }
    consolePrint(tr("TrackerIniIndex unchanged\n"));
    return 0;
}

int selectAndProbe(const settings::RunPaths& run, int32_t cityNumber, int32_t providerNumber,
                   const std::string& command, const NetworkStart& startNetwork) {
    std::string directory;
    const std::vector<ListedCity> cities = listedCitiesOrCause(run, directory);
    if (cities.empty()) return 1;
    const ListedCity* city = findCity(cities, cityNumber);
    if (!city) {
        consolePrint(tr("No city %d in %s; %s --list shows the numbers\n"), cityNumber, directory.c_str(),
                     command.c_str());
        return 1;
    }
    const NumberedName* provider = findNumber(city->providers, providerNumber);
    if (!provider) {
        consolePrint(tr("No provider %d for city %s; %s --list shows the numbers\n"), providerNumber,
                     shown(city->city.name).c_str(), command.c_str());
        return 1;
    }
    // Stored, such a pair would leave every later run without a retracker.
    if (retrackerCount(directory, retrackerSection(city->city.name, provider->name)) <= 0) {
        consolePrint(tr("No retrackers for city %d %s, provider %d %s in %s; TrackerIniIndex unchanged\n"), cityNumber,
                     shown(city->city.name).c_str(), providerNumber, shown(provider->name).c_str(), directory.c_str());
        return 1;
    }
    return storeAndProbe(run, city->city, *provider, startNetwork);
}
