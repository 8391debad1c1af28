#include "settings/setup_check.h"

#include "platform/ascii_text.h"
#include "platform/file_io.h"
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

std::string unreadableLine(const char* what, const std::string& path, int code) {
    return std::string(what) + " " + quoted(path) + (isNotFound(code) ? " not found" : " cannot be read") +
           " (code " + decimalString(code) + ")";
}

// The cause that lies in the file itself rather than in its keys: missing,
// unreadable, or in the wrong encoding. "" when the file reads as a
// Windows-1251 directory.
std::string directoryFileCause(const std::string& directory) {
    platform::InputFile file;
    if (!file.open(directory)) return unreadableLine("Directory", directory, file.errorCode());
    const std::string_view bytes(file.data(), file.size());
    bool nonAscii = false;
    for (char c : bytes) nonAscii = nonAscii || static_cast<unsigned char>(c) >= 0x80;
    if (nonAscii && platform::isUtf8(bytes))
        return "Directory " + quoted(directory) + " is saved as UTF-8; it must be saved as Windows-1251";
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

std::string directoryCause(const std::string& settingsPath, const DirectoryChoice& choice) {
    if (choice.failure == DirectoryFailure::None) return {};
    {
        platform::InputFile settingsFile;
        if (!settingsFile.open(settingsPath)) return unreadableLine("Settings file", settingsPath, settingsFile.errorCode());
        if (bomHidesSettings(std::string_view(settingsFile.data(), settingsFile.size())))
            return "Settings file " + quoted(settingsPath) +
                   " starts with a UTF-8 byte-order mark, which hides its section [Settings]; save it without one"
                   " (as ANSI or Windows-1251)";
    }
    if (choice.failure == DirectoryFailure::BadIndex)
        return "TrackerIniIndex in " + quoted(settingsPath) + " must be two numbers counted from 0, such as \"0 0\"";
    if (choice.directory.empty()) return "TrackersFile is empty in " + quoted(settingsPath);
    if (std::string cause = directoryFileCause(choice.directory); !cause.empty()) return cause;

    const std::string in = " of " + quoted(choice.directory);
    switch (choice.failure) {
    case DirectoryFailure::BadCity:
        return "No city " + decimalString(choice.city) + " in section [" + citySection() + "]" + in;
    case DirectoryFailure::BadProvider:
        return "No provider " + decimalString(choice.provider) + " in section [" + providerSection(choice.cityName) +
               "]" + in;
    case DirectoryFailure::NoRetrackers:
        if (readProfileEntries(choice.section, choice.directory).empty())
            return "No section [" + choice.section + "]" + in;
        return "Section [" + choice.section + "]" + in + " has " + countKey() + " 0 or none";
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

std::string launchLoopCause(const std::string& launchPath) {
    const std::string name = programName(launchPath);
    if (name == "tavrin") return "LaunchPath " + quoted(launchPath) + " is Tavrin itself; name your BitTorrent client";
    for (const char* opener : kFileOpeners)
        if (name == opener)
            return "LaunchPath " + quoted(launchPath) +
                   " is a file opener that would hand the torrent back to Tavrin; name your BitTorrent client";
    return {};
}

bool trackerCheckUnset(const std::string& settingsPath) { return readSetting(settingsPath, kTrackerCheck).empty(); }

bool trackerCheckUnset(const SettingsSnapshot& settings) { return settings.value(kTrackerCheck).empty(); }

std::string trackerCheckUnsetLine() {
    return "TrackerCheck is empty: Keswel has not run yet, so no retracker was added";
}

SetupReport checkSetup(const std::string& settingsPath) {
    SetupReport report;
    report.settingsPath = settingsPath;
    report.choice = chooseDirectorySection(settingsPath, IndexCheck::RejectUnset);
    report.directory = report.choice.directory.empty() ? trackersFilePath(settingsPath) : report.choice.directory;
    if (std::string cause = directoryCause(settingsPath, report.choice); !cause.empty())
        report.problems.push_back(cause);

    if (trackerCheckUnset(settingsPath))
        report.problems.push_back("TrackerCheck is empty: Keswel has never stored which retrackers answer");

    const std::string launchPath = readSetting(settingsPath, kLaunchPath);
    int code = 0;
    if (std::string loop = launchLoopCause(launchPath); !loop.empty())
        report.problems.push_back(loop);
    else if (!platform::isExecutableFile(launchPath, &code))
        report.problems.push_back("LaunchPath " + quoted(launchPath) + " is not an executable file (code " +
                                  decimalString(code) + ")");
    return report;
}

}  // namespace settings
