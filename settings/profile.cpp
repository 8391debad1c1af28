#include "settings/profile.h"

#include <charconv>

#include "platform/private_profile.h"
#include "settings/wording.h"

namespace {
// The profile functions are given a buffer of this size; longer values come
// back cut to one byte less.
constexpr size_t kProfileBufferSize = kProfileValueLimit + 1;
}  // namespace

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const platform::ProfileFile& file) {
    return file.getString(section.c_str(), key.c_str(), defaultValue.c_str(), kProfileBufferSize);
}

std::vector<platform::ProfileEntry> readProfileEntries(const std::string& section,
                                                       const platform::ProfileFile& file) {
    return file.getEntries(section.c_str(), kProfileBufferSize);
}

std::vector<platform::ProfileSection> readProfileSections(const std::string& file,
                                                          const std::function<bool(std::string_view)>& wanted) {
    return platform::getPrivateProfileSections(file.c_str(), kProfileBufferSize, wanted);
}

int32_t readProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                       const platform::ProfileFile& file) {
    return file.getInt(section.c_str(), key.c_str(), defaultValue);
}

std::string valueRefusal(std::string_view value) {
    if (value.find_first_of("\r\n") != std::string_view::npos) return settings::N_("holds a line break (CR or LF)");
    if (value.find('\0') != std::string_view::npos) return settings::N_("holds a NUL byte");
    return {};
}

bool writeProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
    return writeProfileStrings(section, {{key, value}}, file) == ProfileWrite::Written;
}

ProfileWrite writeProfileStrings(const std::string& section, const std::vector<platform::ProfileEntry>& keys,
                                 const std::string& file, const platform::ProfileEntry* condition) {
    for (const platform::ProfileEntry& key : keys)
        if (!valueRefusal(key.value).empty()) return ProfileWrite::Refused;
    switch (platform::writePrivateProfileStrings(section.c_str(), keys, file.c_str(), condition, kProfileBufferSize)) {
    case platform::ProfileWriteResult::Written: return ProfileWrite::Written;
    case platform::ProfileWriteResult::KeyChanged: return ProfileWrite::KeyChanged;
    case platform::ProfileWriteResult::Failed: break;
    }
    return ProfileWrite::Failed;
}

std::string decimalString(int32_t n) {
    char digits[12];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}
