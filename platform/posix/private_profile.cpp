// Linux stand-in for the Windows private-profile functions. The text rules
// live in ini_text.cpp; this file reads and replaces the files. Nothing is
// cached between calls: each call reads the whole file anew in one read; a
// ProfileFile reads it once for all its lookups.
#include "platform/private_profile.h"

#include "platform/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unordered_map>
#include <unistd.h>

#include "numbers/decimal.h"
#include "platform/posix/ini_text.h"
#include "platform/process_files.h"

namespace platform {

namespace {

// The integer read takes the value through a buffer of this many bytes, so
// only its first 29 bytes count.
constexpr size_t kIntegerBufferSize = 30;

enum class ReadOutcome { Read, Missing, Failed };

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads the whole file. A missing file is an empty profile; anything that is
// not a readable regular file (a directory, a FIFO) cannot be used.
ReadOutcome readWholeFile(const char* path, std::string& text) {
    text.clear();
    if (!path || !*path) return ReadOutcome::Failed;
    // Non-blocking: a FIFO in the file's place must not hold the program.
    FileDescriptor fd(open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return errno == ENOENT || errno == ENOTDIR ? ReadOutcome::Missing : ReadOutcome::Failed;
    struct stat info;
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadOutcome::Failed;
    // One byte more than the size: a short read then tells that the end is
    // reached, so a file that has not grown takes a single read.
    size_t used = 0;
    text.resize(static_cast<size_t>(info.st_size) + 1);
    for (;;) {
        ssize_t got = read(fd.get(), text.data() + used, text.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return ReadOutcome::Failed;
        }
        used += static_cast<size_t>(got);
        if (used < text.size()) break;
        // Doubling must not wrap where size_t has 32 bits.
        if (text.size() > text.max_size() / 2) return ReadOutcome::Failed;
        text.resize(text.size() * 2);
    }
    text.resize(used);
    return ReadOutcome::Read;
}

// An exclusive advisory lock on "<file>.lock", held while it lives. Every
// write of a profile file takes it around its read, change and replacement,
// so two writers never build their files from the same old text. The lock
// file is left in place: removing it could let a third writer lock a new file
// while the old one is still held. Where it cannot be made (a read-only
// folder) the write goes on unlocked and fails or not as it would have.
class WriteLock {
public:
    explicit WriteLock(const char* file)
        : fd_(open((std::string(file) + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
        if (fd_.get() < 0) return;
        while (flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }

private:
    FileDescriptor fd_;
};

// The value as the string read gives it, or nullopt for the default.
std::optional<std::string_view> storedValue(std::string_view text, const char* section, const char* key) {
    if (!section || !key) return std::nullopt;
    return ini::findRawValue(text, ini::trimQueryName(section), ini::trimQueryName(key));
}

// The entries of a section's key lines: a repeated name reads as its first
// key, whose value is kept by folded name.
std::vector<ProfileEntry> entriesOf(const std::vector<ini::KeyLine>& keys, size_t bufferSize) {
    std::vector<ProfileEntry> entries;
    std::unordered_map<std::string, std::string> firstValues;
    for (const ini::KeyLine& key : keys) {
        auto [first, added] = firstValues.try_emplace(
            ini::foldedName(key.name), key.value ? std::string(ini::cookedValue(*key.value, bufferSize - 1)) : std::string());
        entries.push_back({std::string(key.name), first->second});
    }
    return entries;
}

}  // namespace

bool ProfileFile::load() const {
    if (!loaded_) {
        readable_ = readWholeFile(path_.c_str(), text_) == ReadOutcome::Read;
        loaded_ = true;
    }
    return readable_;
}

std::string ProfileFile::getString(const char* section, const char* key, const char* defaultValue,
                                   size_t bufferSize) const {
    if (bufferSize == 0) return {};
    const std::optional<std::string_view> raw = load() ? storedValue(text_, section, key) : std::nullopt;
    if (raw) return std::string(ini::cookedValue(*raw, bufferSize - 1));
    return std::string(ini::cookedDefault(defaultValue ? defaultValue : "", bufferSize - 1));
}

std::vector<ProfileEntry> ProfileFile::getEntries(const char* section, size_t bufferSize) const {
    std::vector<ProfileEntry> entries;
    if (!section || bufferSize == 0 || !load()) return entries;
    return entriesOf(ini::sectionKeyLines(text_, ini::trimQueryName(section)), bufferSize);
}

std::vector<ProfileSection> getPrivateProfileSections(const char* file, size_t bufferSize,
                                                      const std::function<bool(std::string_view)>& wanted) {
    std::vector<ProfileSection> sections;
    std::string text;
    if (bufferSize == 0 || readWholeFile(file, text) != ReadOutcome::Read) return sections;
    for (const ini::SectionLines& section : ini::allSections(text, wanted))
        sections.push_back({std::string(section.name), entriesOf(section.keys, bufferSize)});
    return sections;
}

int ProfileFile::getInt(const char* section, const char* key, int defaultValue) const {
    const std::optional<std::string_view> raw = load() ? storedValue(text_, section, key) : std::nullopt;
    std::string_view value = raw ? ini::cookedValue(*raw, kIntegerBufferSize - 1) : std::string_view();
    if (value.empty()) return defaultValue;
    return static_cast<int>(numbers::readWrappingUint32(value));
}

std::string getPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                    const char* file, size_t bufferSize) {
    return ProfileFile(file ? file : "").getString(section, key, defaultValue, bufferSize);
}

std::vector<ProfileEntry> getPrivateProfileEntries(const char* section, const char* file, size_t bufferSize) {
    return ProfileFile(file ? file : "").getEntries(section, bufferSize);
}

int getPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file) {
    return ProfileFile(file ? file : "").getInt(section, key, defaultValue);
}

bool writePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
    // Deleting a key or a section (a null key or value) is not needed here.
    if (!section || !key || !value) return false;
    return writePrivateProfileStrings(section, {{key, value}}, file, nullptr, 1) == ProfileWriteResult::Written;
}

ProfileWriteResult writePrivateProfileStrings(const char* section, const std::vector<ProfileEntry>& keys,
                                              const char* file, const ProfileEntry* condition,
                                              size_t bufferSize) {
    if (!section || !file || !*file) return ProfileWriteResult::Failed;
    const WriteLock lock(file);
    std::string text;
    if (readWholeFile(file, text) == ReadOutcome::Failed) return ProfileWriteResult::Failed;
    const std::string_view sectionName = ini::trimQueryName(section);
    if (condition) {
        const std::optional<std::string_view> raw =
            ini::findRawValue(text, sectionName, ini::trimQueryName(condition->name));
        const size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
        if ((raw ? ini::cookedValue(*raw, limit) : std::string_view()) != condition->value)
            return ProfileWriteResult::KeyChanged;
    }
    bool changed = false;
    for (const ProfileEntry& key : keys) {
        std::optional<std::string> next = ini::withValue(text, sectionName, ini::trimQueryName(key.name), key.value);
        if (!next) continue;  // the key already holds this value
        text = std::move(*next);
        changed = true;
    }
    // Nothing to change: the file stays untouched.
    if (!changed) return ProfileWriteResult::Written;
    return replaceFile(file, text.data(), text.size()).ok ? ProfileWriteResult::Written : ProfileWriteResult::Failed;
}

std::string profileFilePath(const std::string& settingsDirectory, const std::string& name) {
    return !name.empty() && name[0] != '/' ? settingsDirectory + name : name;
}

}  // namespace platform
