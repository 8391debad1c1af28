// The private-profile INI functions. On Windows these are the system's own
// (GetPrivateProfileStringA and friends); on Linux an INI reader and writer of
// our own that gives the same results. Sections, keys and values are bytes in
// the system's ANSI code page; nothing is converted. File names are paths as
// the programs hold them (UTF-8 on Windows, handed to the system in the ANSI
// code page, or in their short 8.3 form when a character does not fit; when
// neither fits, reads give the default and writes fail).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// GetPrivateProfileStringA with a buffer of `bufferSize` bytes: the value of
// the key, or `defaultValue` when the file, the section or the key is missing,
// cut to bufferSize - 1 bytes.
std::string getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    const char* file, size_t bufferSize);

// One key of a section and what getPrivateProfileString gives for it.
struct ProfileEntry {
    std::string name;
    std::string value;
};

// Every key of `section`, in file order, each with the value a string read of
// that key with a buffer of `bufferSize` bytes gives (a key without "=" has
// the value ""). A name may repeat; a read of it, and so every entry of it,
// gives the first key's value. Empty when the file or the section is missing.
// On Linux the file is read once.
std::vector<ProfileEntry> getPrivateProfileEntries(const char* section, const char* file, size_t bufferSize);

// One section of a file and its entries, as getPrivateProfileEntries gives
// them for its name.
struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;
};

// Every section name of the file that `wanted` accepts, once, in file order,
// with its entries. On Linux the file is read and walked once, so the cost
// is linear in its size; on Windows the system's functions are asked section
// by section.
std::vector<ProfileSection> getPrivateProfileSections(const char* file, size_t bufferSize,
                                                      const std::function<bool(std::string_view)>& wanted);

// One profile file looked up many times: the same results as the functions
// above given its path. On Linux the file is read once, at the first lookup,
// and every lookup after it uses that text; on Windows each lookup asks the
// system. Made from a path, also implicitly, so that a lookup given a path
// reads the file for that lookup alone.
class ProfileFile {
public:
    ProfileFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // As getPrivateProfileString, getPrivateProfileEntries and getPrivateProfileInt.
    std::string getString(const char* section, const char* key, const char* defaultValue, size_t bufferSize) const;
    std::vector<ProfileEntry> getEntries(const char* section, size_t bufferSize) const;
    int getInt(const char* section, const char* key, int defaultValue) const;

private:
    // Linux: reads the file at the first call; false when it cannot be read.
    bool load() const;

    std::string path_;
    // Linux: the file's text once read; readable_ false when it could not be
    // read (a missing file among them), which reads as an empty profile.
    mutable bool loaded_ = false;
    mutable bool readable_ = false;
    mutable std::string text_;
};

// GetPrivateProfileIntA: the leading number of the value (32-bit, wrapping);
// `defaultValue` when the key is missing or empty, 0 for a value without digits.
int getPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file);

// WritePrivateProfileStringA: creates the file, the section or the key as
// needed, or replaces the key's value. Returns false when the file could not
// be written. On Linux only the key's line changes, every other byte stays,
// and the file is replaced atomically; the read, change and replacement
// happen under an exclusive lock (flock) on a file beside it named like it
// with ".lock" added, so writers that take it never lose each other's keys.
bool writePrivateProfileString(const char* section, const char* key, const char* value, const char* file);

enum class ProfileWriteResult {
    Written,     // every key written (or already held its value)
    Failed,      // the file could not be written; on Windows keys before the failing one may be written
    KeyChanged,  // the condition's key no longer held its value: nothing written
};

// Writes the keys of `section` in the order given, each as
// writePrivateProfileString does. With a condition, only while the
// condition's key still reads as its value (a read with a buffer of
// `bufferSize` bytes, empty default). On Linux the condition is checked and
// all keys are written in one replacement of the file, under the same lock as
// every write; on Windows, where the system's functions write one key at a
// time, the condition is read just before the first write.
ProfileWriteResult writePrivateProfileStrings(const char* section, const std::vector<ProfileEntry>& keys,
                                              const char* file, const ProfileEntry* condition,
                                              size_t bufferSize);

// The path under which a file named in a settings value is read: on Linux a
// relative name is taken relative to `settingsDirectory`. On Windows a bare
// file name is taken from `settingsDirectory` when such a file is there;
// otherwise the name is passed on and the profile functions resolve it
// themselves (a bare name in the Windows directory). `name` is a settings
// value (ANSI code page); the result is a path (UTF-8 on Windows).
std::string profileFilePath(const std::string& settingsDirectory, const std::string& name);

}  // namespace platform
