#include "platform/file_io.h"

#include <string_view>

#include "platform/ascii_text.h"
#include "platform/process_files.h"

namespace platform {

namespace {

constexpr std::string_view kTemporaryMark = ".replacing-";
// The random part of the names earlier versions gave their temporary files.
constexpr size_t kEarlierTagLength = 6;

bool isLetterOrDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool allOf(std::string_view text, bool (*test)(char)) {
    for (char c : text)
        if (!test(c)) return false;
    return !text.empty();
}

bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && equalsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

// Only the files earlier versions replaced: torrents and Settings.ini.
bool isReplacedByEarlierVersions(std::string_view name) {
    return endsWithIgnoringAsciiCase(name, ".torrent") || equalsIgnoringAsciiCase(name, "Settings.ini");
}

}  // namespace

std::string replacementTemporaryPath(const std::string& target, const std::string& tag) {
    return directoryOf(target) + "." + fileNameOf(target) + std::string(kTemporaryMark) + tag;
}

bool isReplacementTemporaryName(const std::string& fileName) {
    const std::string_view name = fileName;
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.size() > 1 && name[0] == '.' && mark != std::string_view::npos && mark > 1)
        return allOf(name.substr(mark + kTemporaryMark.size()),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
    // Linux, earlier: ".NAME.XXXXXX".
    if (name.size() > kEarlierTagLength + 2 && name[0] == '.' && name[name.size() - kEarlierTagLength - 1] == '.' &&
        allOf(name.substr(name.size() - kEarlierTagLength), isLetterOrDigit))
        return isReplacedByEarlierVersions(name.substr(1, name.size() - kEarlierTagLength - 2));
    // Windows, earlier: "NAME.<process id>.<count>.tmp".
    if (endsWithIgnoringAsciiCase(name, ".tmp")) {
        const std::string_view numbers = name.substr(0, name.size() - 4);
        const size_t second = numbers.rfind('.');
        const size_t first = second == std::string_view::npos || second == 0 ? std::string_view::npos
                                                                              : numbers.rfind('.', second - 1);
        auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
        return first != std::string_view::npos && allOf(numbers.substr(second + 1), isDigit) &&
               allOf(numbers.substr(first + 1, second - first - 1), isDigit) &&
               endsWithIgnoringAsciiCase(numbers.substr(0, first), ".torrent");
    }
    return false;
}

ReplaceResult replaceFile(const std::string& path, const char* data, size_t size) {
    FileReplacement replacement(path);
    if (!replacement.write(data, size)) return {false, replacement.errorCode()};
    return replacement.commit();
}

}  // namespace platform
