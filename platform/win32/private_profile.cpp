#include "platform/private_profile.h"

#include <windows.h>

#include <unordered_set>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/win32/wide_text.h"

// The system's own private-profile functions, ANSI forms, bytes passed through.
// File names arrive as UTF-8 and are handed over in the ANSI code page.
namespace platform {

namespace {

// The short (8.3) form of a path, which the system makes of ASCII characters,
// or empty when there is none.
std::wstring shortPathOf(const std::wstring& path) {
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    return shortPath;
}

// The name under which the ANSI profile functions find the file at `path`
// (UTF-8): the path in the ANSI code page when it fits; otherwise its short
// form, or that of its directory followed by the file name for a file yet to
// be made. Empty when neither fits: reads then give the default, writes fail.
std::string ansiFileName(const char* path) {
    const std::wstring wide = wideFromUtf8(path ? path : "");
    std::string ansi;
    if (ansiFromWide(wide, ansi)) return ansi;
    if (ansiFromWide(shortPathOf(wide), ansi) && !ansi.empty()) return ansi;
    const size_t slash = wide.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    std::string directory, name;
    const std::wstring shortDirectory = shortPathOf(wide.substr(0, slash + 1));
    if (shortDirectory.empty() || !ansiFromWide(shortDirectory, directory) ||
        !ansiFromWide(wide.substr(slash + 1), name)) {
        return {};
    }
    if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
    return directory + name;
}

}  // namespace

std::string getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    const char* file, size_t bufferSize) {
    if (bufferSize == 0) return {};
    // The buffer is the caller's size (the system cuts the value to size - 1);
    // a DWORD cannot say more than 4 GiB, and no value is that long anyway.
    const DWORD size = bufferSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(bufferSize);
    std::vector<char> buffer(size, '\0');
    DWORD length =
        GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, ansiFileName(file).c_str());
    if (length >= size) length = size - 1;
    buffer[length] = '\0';
    // The value is the text up to its first NUL.
    return std::string(buffer.data());
}

std::vector<ProfileEntry> getPrivateProfileEntries(const char* section, const char* file, size_t bufferSize) {
    // A null key asks for the section's key names, each ended by a NUL; a
    // list that did not fit comes back with the length size - 2.
    constexpr size_t kLargestList = size_t{1} << 30;
    std::vector<char> names(4096, '\0');
    DWORD length = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(names.size());
        length = GetPrivateProfileStringA(section, nullptr, "", names.data(), size, file);
        if (length + 2 < size || names.size() >= kLargestList) break;
        names.assign(names.size() * 2, '\0');
    }
    std::vector<ProfileEntry> entries;
    for (size_t at = 0; at < length && names[at] != '\0';) {
        std::string name(names.data() + at);
        at += name.size() + 1;
        std::string value = getPrivateProfileString(section, name.c_str(), "", file, bufferSize);
        entries.push_back({std::move(name), std::move(value)});
    }
    return entries;
}

std::vector<ProfileSection> getPrivateProfileSections(const char* file, size_t bufferSize,
                                                      const std::function<bool(std::string_view)>& wanted) {
    // The section names, each ended by a NUL; a list that did not fit comes
    // back with the length size - 2.
    constexpr size_t kLargestList = size_t{1} << 30;
    const std::string name = ansiFileName(file);
    std::vector<char> names(4096, '\0');
    DWORD length = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(names.size());
        length = GetPrivateProfileSectionNamesA(names.data(), size, name.c_str());
        if (length + 2 < size || names.size() >= kLargestList) break;
        names.assign(names.size() * 2, '\0');
    }
    std::vector<ProfileSection> sections;
    std::unordered_set<std::string> seen;  // names with ASCII letters folded
    for (size_t at = 0; at < length && names[at] != '\0';) {
        std::string section(names.data() + at);
        at += section.size() + 1;
        if (!wanted(section)) continue;
        std::string folded = section;
        for (char& c : folded) c = lowerAscii(c);
        if (!seen.insert(std::move(folded)).second) continue;
        std::vector<ProfileEntry> entries = getPrivateProfileEntries(section.c_str(), file, bufferSize);
        sections.push_back({std::move(section), std::move(entries)});
    }
    return sections;
}

int getPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, ansiFileName(file).c_str()));
}

bool writePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    const std::string name = ansiFileName(file);
    return !name.empty() && WritePrivateProfileStringA(section, key, value, name.c_str()) != FALSE;
}

ProfileWriteResult writePrivateProfileStrings(const char* section, const std::vector<ProfileEntry>& keys,
                                              const char* file, const ProfileEntry* condition,
                                              size_t bufferSize) {
    if (condition &&
        getPrivateProfileString(section, condition->name.c_str(), "", file, bufferSize) != condition->value)
        return ProfileWriteResult::KeyChanged;
    for (const ProfileEntry& key : keys)
        if (!writePrivateProfileString(section, key.name.c_str(), key.value.c_str(), file))
            return ProfileWriteResult::Failed;
    return ProfileWriteResult::Written;
}

// Each lookup asks the system, which reads the file itself.
std::string ProfileFile::getString(const char* section, const char* key, const char* defaultValue,
                                   size_t bufferSize) const {
    return getPrivateProfileString(section, key, defaultValue, path_.c_str(), bufferSize);
}

std::vector<ProfileEntry> ProfileFile::getEntries(const char* section, size_t bufferSize) const {
    return getPrivateProfileEntries(section, path_.c_str(), bufferSize);
}

int ProfileFile::getInt(const char* section, const char* key, int defaultValue) const {
    return getPrivateProfileInt(section, key, defaultValue, path_.c_str());
}

std::string profileFilePath(const std::string& settingsDirectory, const std::string& name) {
    // The profile functions look for a bare file name in the Windows
    // directory. A directory file lying beside Settings.ini is taken first, so
    // an unpacked folder works as it is; a setup that keeps the file in the
    // Windows directory goes on working, since the name is then passed on.
    // The value is in the ANSI code page; the path handed on is UTF-8.
    const std::string utf8Name = utf8FromWide(wideFromAnsi(name));
    if (!name.empty() && name.find_first_of("\\/:") == std::string::npos) {
        const std::string beside = settingsDirectory + utf8Name;
        const DWORD attributes = GetFileAttributesW(wideFromUtf8(beside).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return beside;
    }
    return utf8Name;
}

}  // namespace platform
