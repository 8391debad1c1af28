#include "settings/profile.h"

#include <charconv>

#include "platform/private_profile.h"

namespace {
// The profile functions are given a buffer of this size; longer values come
// back cut to one byte less.
constexpr size_t kProfileBufferSize = kProfileValueLimit + 1;
}  // namespace

std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, const std::string& file) {
    return platform::getPrivateProfileString(section.c_str(), key.c_str(), defaultValue.c_str(), file.c_str(),
                                             kProfileBufferSize);
}

std::vector<platform::ProfileEntry> readProfileEntries(const std::string& section, const std::string& file) {
    return platform::getPrivateProfileEntries(section.c_str(), file.c_str(), kProfileBufferSize);
}

std::vector<platform::ProfileSection> readProfileSections(const std::string& file,
                                                          const std::function<bool(std::string_view)>& wanted) {
    return platform::getPrivateProfileSections(file.c_str(), kProfileBufferSize, wanted);
}

int32_t readProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                       const std::string& file) {
    return platform::getPrivateProfileInt(section.c_str(), key.c_str(), defaultValue, file.c_str());
}

bool writeProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) {
    return platform::writePrivateProfileString(section.c_str(), key.c_str(), value.c_str(), file.c_str());
}

std::string decimalString(int32_t n) {
    char digits[12];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}
