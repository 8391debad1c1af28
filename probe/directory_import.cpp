#include "probe/directory_import.h"

#include "platform/ascii_text.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "probe/console_print.h"
#include "settings/directory.h"
#include "settings/directory_import.h"
#include "settings/profile.h"

namespace {

constexpr size_t kLargestDirectory = 64u << 20;
constexpr const char* kFallbackName = "retrackers-imported.ini";

// The chosen city and provider by name, with the retrackers of the pair.
struct NamedChoice {
    bool found = false;
    int32_t city = 0, provider = 0;
    std::string cityName, providerName;
    int32_t count = 0;
    std::vector<NumberedName> retrackers;
};

const NumberedName* byName(const std::vector<NumberedName>& names, const std::string& wanted) {
    for (const NumberedName& name : names)
        if (name.name == wanted) return &name;
    return nullptr;
}

void readRetrackers(const std::string& directory, NamedChoice& choice) {
    const std::string section = retrackerSection(choice.cityName, choice.providerName);
    choice.count = retrackerCount(directory, section);
    choice.retrackers = numberedNames(directory, section);
}

// The pair TrackerIniIndex chooses in the directory TrackersFile names.
NamedChoice currentChoice(const std::string& settingsPath) {
    NamedChoice choice;
    int32_t cityIndex = -1, providerIndex = -1;
    settings::scanTrackerIniIndex(settings::readSetting(settingsPath, settings::kTrackerIniIndex), cityIndex,
                                  providerIndex);
    if (cityIndex < 0 || providerIndex < 0) return choice;
    const std::string directory = settings::trackersFilePath(settingsPath);
    if (directory.empty()) return choice;
    choice.cityName = cityName(directory, settings::directoryNumber(cityIndex));
    if (choice.cityName.empty()) return choice;
    choice.providerName = providerName(directory, choice.cityName, settings::directoryNumber(providerIndex));
    if (choice.providerName.empty()) return choice;
    choice.found = true;
    readRetrackers(directory, choice);
    return choice;
}

// The same names in the directory just written.
NamedChoice sameNames(const std::string& directory, const NamedChoice& earlier) {
    NamedChoice choice;
    if (!earlier.found) return choice;
    const std::vector<NumberedName> cities = numberedNames(directory, citySection());
    const NumberedName* city = byName(cities, earlier.cityName);
    if (!city) return choice;
    const std::vector<NumberedName> providers = numberedNames(directory, providerSection(city->name));
    const NumberedName* provider = byName(providers, earlier.providerName);
    if (!provider) return choice;
    choice = earlier;
    choice.city = city->number;
    choice.provider = provider->number;
    readRetrackers(directory, choice);
    return choice;
}

bool sameRetrackers(const NamedChoice& a, const NamedChoice& b) {
    if (a.count != b.count || a.retrackers.size() != b.retrackers.size()) return false;
    for (size_t i = 0; i < a.retrackers.size(); ++i)
        if (a.retrackers[i].number != b.retrackers[i].number || a.retrackers[i].name != b.retrackers[i].name)
            return false;
    return true;
}

// The name the directory gets in the settings folder: a settings value is
// read in the ANSI code page, so only plain ASCII names are kept as given.
std::string targetName(const std::string& file) {
    const std::string name = platform::fileNameOf(file);
    if (name.empty() || platform::equalsIgnoringAsciiCase(name, settings::kFileName)) return kFallbackName;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) return kFallbackName;
    return name;
}

bool readWhole(const std::string& path, std::string& bytes, int& error) {
    platform::InputFile input;
    if (!input.open(path)) {
        error = input.errorCode();
        return false;
    }
    bytes.assign(input.data(), input.size());
    return true;
}

void printProblems(const settings::DirectoryImport& checked) {
    for (const settings::DirectoryProblem& problem : checked.problems) {
        const char* kind = problem.error ? tr("error") : tr("warning");
        if (problem.line > 0)
            consolePrint(tr("line %d: %s: %s\n"), problem.line, kind, problem.text.c_str());
        else
            consolePrint("%s: %s\n", kind, problem.text.c_str());
    }
}

}  // namespace

int importDirectory(const settings::RunPaths& run, const std::string& file) {
    std::string bytes;
    int error = 0;
    if (!readWhole(file, bytes, error)) {
        consolePrint(tr("Cannot read %s (error %d); nothing changed\n"), file.c_str(), error);
        return 1;
    }
    if (bytes.size() > kLargestDirectory) {
        consolePrint(tr("%s is larger than a retracker directory can be; nothing changed\n"), file.c_str());
        return 1;
    }
    const settings::DirectoryImport checked = settings::importDirectoryText(bytes, consoleWording());
    if (!checked.encoding.empty()) consolePrint(tr("Read %s as %s\n"), file.c_str(), checked.encoding.c_str());
    printProblems(checked);
    if (checked.refused()) {
        consolePrint(tr("Not taken in: correct the errors above; nothing changed\n"));
        return 1;
    }

    const std::string folder = platform::directoryOf(run.settingsPath);
    const std::string name = targetName(file);
    const std::string target = folder + name;
    // Read before anything is written: the old directory may be the target.
    const NamedChoice earlier = currentChoice(run.settingsPath);

    std::string old;
    if (readWhole(target, old, error) && old != checked.text) {
        if (!platform::replaceFile(target + ".bak", old.data(), old.size()).ok) {
            consolePrint(tr("Cannot write %s.bak; nothing changed\n"), target.c_str());
            return 1;
        }
        consolePrint(tr("Kept the earlier %s as %s.bak\n"), name.c_str(), name.c_str());
    }
    const platform::ReplaceResult written = platform::replaceFile(target, checked.text.data(), checked.text.size());
    if (!written.ok) {
        consolePrint(tr("Cannot write %s (error %d); Settings.ini unchanged\n"), target.c_str(), written.errorCode);
        return 1;
    }
    consolePrint(ntr("Wrote %s (Windows-1251, %d city)\n", "Wrote %s (Windows-1251, %d cities)\n",
                     static_cast<unsigned long>(checked.cities)),
                 target.c_str(), checked.cities);

    const NamedChoice kept = sameNames(target, earlier);
    const bool checkKept = kept.found && sameRetrackers(earlier, kept);
    std::string index;
    if (kept.found) index = decimalString(kept.city - 1) + " " + decimalString(kept.provider - 1);
    // TrackerCheck first: where keys are written one at a time, a Tavrin run
    // in between adds no retracker that nobody probed.
    std::vector<platform::ProfileEntry> keys;
    if (!checkKept) keys.push_back({settings::kTrackerCheck, ""});
    keys.push_back({settings::kTrackerIniIndex, index});
    keys.push_back({settings::kTrackersFile, name});
    if (writeProfileStrings(settings::kSection, keys, run.settingsPath) != ProfileWrite::Written) {
        consolePrint(tr("Cannot write TrackersFile to %s\n"), run.settingsPath.c_str());
        return 1;
    }
    consolePrint("TrackersFile=%s\n", name.c_str());
    if (!earlier.found) {
        consolePrint(tr("No city and provider chosen yet: run keswel --choose\n"));
    } else if (!kept.found) {
        consolePrint(tr("City %s with provider %s is not in this directory: TrackerIniIndex and TrackerCheck emptied; "
                     "run keswel --choose\n"),
                     earlier.cityName.c_str(), earlier.providerName.c_str());
    } else if (checkKept) {
        consolePrint(tr("TrackerIniIndex=%s (%s, %s) kept by name; TrackerCheck kept: the same retrackers\n"),
                     index.c_str(), kept.cityName.c_str(), kept.providerName.c_str());
    } else {
        consolePrint(tr("TrackerIniIndex=%s (%s, %s) kept by name; TrackerCheck emptied: run keswel to probe\n"),
                     index.c_str(), kept.cityName.c_str(), kept.providerName.c_str());
    }
    return 0;
}
