#include "settings/setup_check.h"

#include "platform/ascii_text.h"
#include "platform/directory_text.h"
#include "platform/file_io.h"
#include "platform/process_files.h"
#include "platform/program_files.h"
#include "platform/utf8_text.h"
#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

namespace settings {

namespace {

// Programs that open a file with the desktop's default handler; as the
// client they would start Tavrin again on the same torrent.
constexpr const char* kFileOpeners[] = {"xdg-open", "gio",      "kde-open", "kde-open5",
                                        "kde-open6", "exo-open", "explorer", "cmd"};

// Error codes that mean "no such file" on both systems (ENOENT and
// ERROR_FILE_NOT_FOUND are 2, ERROR_PATH_NOT_FOUND is 3).
bool isNotFound(int code) { return code == 2 || code == 3; }

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string unreadableLine(const Wording& wording, bool settingsFile, const std::string& path, int code) {
    const char* format = settingsFile ? (isNotFound(code) ? N_("Settings file \"%s\" not found (code %s)")
                                                          : N_("Settings file \"%s\" cannot be read (code %s)"))
                                      : (isNotFound(code) ? N_("Directory \"%s\" not found (code %s)")
                                                          : N_("Directory \"%s\" cannot be read (code %s)"));
    return worded(wording, format, {path, decimalString(code)});
}

// The cause that lies in the file itself rather than in its keys: missing,
// unreadable, or in the wrong encoding. "" when the file reads as a
// Windows-1251 directory.
std::string directoryFileCause(const std::string& directory, const Wording& wording) {
    platform::InputFile file;
    if (!file.open(directory)) return unreadableLine(wording, false, directory, file.errorCode());
    const std::string_view bytes(file.data(), file.size());
    bool nonAscii = false;
    for (char c : bytes) nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
    if (nonAscii && platform::isUtf8(bytes))
        return worded(wording, N_("Directory \"%s\" is saved as UTF-8; it must be saved as Windows-1251 (Keswel --import converts it)"), {directory});
    return {};
}

// True when the text starts with a UTF-8 byte-order mark directly before the
// header of section "Settings": the INI functions take the mark for part of
// that line, so the whole section goes unseen.
bool bomHidesSettings(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) != kBom) return false;
    const size_t open = text.find_first_not_of(" \t", kBom.size());
    if (open == std::string_view::npos || text[open] != '[') return false;
    const size_t close = text.find_first_of("]\r\n", open);
    if (close == std::string_view::npos || text[close] != ']') return false;
    std::string_view name = text.substr(open + 1, close - open - 1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return platform::equalsIgnoringAsciiCase(std::string(name), kSection);
}

}  // namespace

std::string directoryCause(const std::string& settingsPath, const DirectoryChoice& choice, const Wording& wording) {
    if (choice.failure == DirectoryFailure::None) return {};
    {
        platform::InputFile settingsFile;
        if (!settingsFile.open(settingsPath))
            return unreadableLine(wording, true, settingsPath, settingsFile.errorCode());
        if (bomHidesSettings(std::string_view(settingsFile.data(), settingsFile.size())))
            return worded(wording,
                          N_("Settings file \"%s\" starts with a UTF-8 byte-order mark, which hides its section "
                             "[Settings]; save it without one (as ANSI or Windows-1251)"),
                          {settingsPath});
    }
    if (choice.failure == DirectoryFailure::BadIndex)
        return worded(wording, N_("TrackerIniIndex in \"%s\" must be two numbers counted from 0, such as \"0 0\""),
                      {settingsPath});
    if (choice.directory.empty()) return worded(wording, N_("TrackersFile is empty in \"%s\""), {settingsPath});
    if (std::string cause = directoryFileCause(choice.directory, wording); !cause.empty()) return cause;

    switch (choice.failure) {
    case DirectoryFailure::BadCity:
        return worded(wording, N_("No city %s in section [%s] of \"%s\""),
                      {decimalString(choice.city), wording.name(citySection()), choice.directory});
    case DirectoryFailure::BadProvider:
        return worded(wording, N_("No provider %s in section [%s] of \"%s\""),
                      {decimalString(choice.provider), wording.name(providerSection(choice.cityName)),
                       choice.directory});
    case DirectoryFailure::NoRetrackers:
        if (readProfileEntries(choice.section, choice.directory).empty())
            return worded(wording, N_("No section [%s] of \"%s\""), {wording.name(choice.section), choice.directory});
        return worded(wording, N_("Section [%s] of \"%s\" has %s 0 or none"),
                      {wording.name(choice.section), choice.directory, wording.name(countKey())});
    default: return {};
    }
}

std::string programName(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    for (char& c : name) c = platform::lowerAscii(c);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
    return name;
}

std::string launchLoopCause(const std::string& launchPath, const Wording& wording) {
    const std::string name = programName(launchPath);
    if (name == "tavrin")
        return worded(wording, N_("LaunchPath \"%s\" is Tavrin itself; name your BitTorrent client"), {launchPath});
    for (const char* opener : kFileOpeners)
        if (name == opener)
            return worded(wording,
                          N_("LaunchPath \"%s\" is a file opener that would hand the torrent back to Tavrin; name "
                             "your BitTorrent client"),
                          {launchPath});
    return {};
}

std::string noClientLine(const std::string& adoptCommand, const Wording& wording) {
    return worded(wording,
                  N_("LaunchPath is empty: no BitTorrent client is set; run %s to adopt an installed one, or set "
                     "LaunchPath (the client's program, a full path) and LaunchArguments (its arguments, %1 where the "
                     "torrent goes) in Settings.ini"),
                  {adoptCommand});
}

std::string keswelCommandBeside(const std::string& tavrinPath) {
    std::string name = platform::fileNameOf(tavrinPath);
    if (name.size() < 6 || programName(name.substr(0, 6)) != "tavrin") name = "Keswel";
    name[0] = name[0] == 't' ? 'k' : 'K';
    name.replace(1, 5, "eswel");
    const std::string beside = platform::directoryOf(tavrinPath) + name;
    const std::string command = platform::findProgramOnPath(name) == beside ? name : beside;
    return (command.find(' ') == std::string::npos ? command : quoted(command)) + " --choose";
}

bool trackerCheckUnset(const std::string& settingsPath) { return readSetting(settingsPath, kTrackerCheck).empty(); }

bool trackerCheckUnset(const SettingsSnapshot& settings) { return settings.value(kTrackerCheck).empty(); }

const char* trackerCheckUnsetLine() {
    return N_("TrackerCheck is empty: Keswel has not run yet, so no retracker was added");
}

SetupReport checkSetup(const std::string& settingsPath, const std::string& adoptCommand, const Wording& wording) {
    SetupReport report;
    report.settingsPath = settingsPath;
    report.choice = chooseDirectorySection(settingsPath, IndexCheck::RejectUnset);
    report.directory = report.choice.directory.empty() ? trackersFilePath(settingsPath) : report.choice.directory;
    if (std::string cause = directoryCause(settingsPath, report.choice, wording); !cause.empty())
        report.problems.push_back(cause);

    if (trackerCheckUnset(settingsPath))
        report.problems.push_back(wording.message(N_("TrackerCheck is empty: Keswel has never stored which retrackers answer")));

    const std::string launchPath = readSetting(settingsPath, kLaunchPath);
    int code = 0;
    if (launchPath.empty())
        report.problems.push_back(noClientLine(adoptCommand, wording));
    else if (std::string loop = launchLoopCause(launchPath, wording); !loop.empty())
        report.problems.push_back(loop);
    else if (!platform::isAbsolutePath(launchPath)) {
        // Tavrin starts LaunchPath as it stands: no search of PATH.
        const std::string found = platform::findProgramOnPath(launchPath);
        report.problems.push_back(
            found.empty()
                ? worded(wording, N_("LaunchPath \"%s\" is not a full path; Tavrin does not search PATH and no such "
                                     "program is on PATH either"),
                         {launchPath})
                : worded(wording, N_("LaunchPath \"%s\" is not a full path; Tavrin does not search PATH: set "
                                     "LaunchPath=%s"),
                         {launchPath, found}));
    } else if (!platform::isExecutableFile(launchPath, &code))
        report.problems.push_back(worded(wording, N_("LaunchPath \"%s\" is not an executable file (code %s)"),
                                         {launchPath, decimalString(code)}));
    const std::string launchArguments = readSetting(settingsPath, kLaunchArguments);
    if (launchArguments.find("%1") == std::string::npos)
        report.problems.push_back(worded(wording,
                                         N_("LaunchArguments \"%s\" has no %1, so the client would not get the "
                                            "torrent; put %1 where it goes, such as LaunchArguments=%1"),
                                         {launchArguments}));
    return report;
}

}  // namespace settings
