#include "augment/retracker_step.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "augment/log.h"
#include "augment/tavrin.h"
#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

namespace {

bool equalsIgnoringAsciiCase(const std::string& text, const char* expected) {
    size_t i = 0;
    for (; expected[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char a = text[i], b = expected[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return i == text.size();
}

// strtol in base 10, clamped to the signed 32-bit range.
int32_t readNumber(const char* text, const char** end) {
    char* stop = nullptr;
    long long value = std::strtoll(text, &stop, 10);
    *end = stop;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

const BValue& requiredKey(const BValue& dict, const char* key) {
    const BValue* value = dict.find(key);
    if (!value) throw BadType{};
    return *value;
}

// Adds the lengths of the files of a v2 "file tree": a file is a dictionary
// under the empty key holding "length"; any other key names a subtree.
void addFileTreeLengths(const BValue& tree, uint64_t& sum) {
    if (tree.kind != BDict) throw BadType{};
    for (const auto& [name, node] : tree.entries) {
        if (name.empty())
            sum += static_cast<uint64_t>(requiredKey(*node, "length").asInt());
        else
            addFileTreeLengths(*node, sum);
    }
}

}  // namespace

int32_t runRetrackerStep(BValue& root) {
    int32_t cityIndex = -1;
    int32_t providerIndex = -1;
    settings::scanTrackerIniIndex(settings::readSetting(settingsPath, settings::kTrackerIniIndex), cityIndex,
                                  providerIndex);
    if (cityIndex == -1 || providerIndex == -1) {
        logMessage("Bad city or provider");
        return 1;
    }
    std::vector<int32_t> live;
    parseTrackerCheck(settings::readSetting(settingsPath, settings::kTrackerCheck).c_str(), live);
    return augmentAnnounceList(settings::directoryNumber(cityIndex), settings::directoryNumber(providerIndex), root,
                               live);
}

void parseTrackerCheck(const char* text, std::vector<int32_t>& list) {
    const char* end = text;
    int32_t number = readNumber(text, &end);
    while (number != 0) {
        list.push_back(number);
        while (*end == ' ') ++end;
        if (*end == '\0') return;
        number = readNumber(end, &end);
    }
}

std::string urlEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int64_t totalSize(const BValue& root) {
    const BValue& info = requiredKey(root, "info");
    if (const BValue* length = info.find("length")) return length->asInt();
    uint64_t sum = 0;  // unsigned: the sum wraps instead of overflowing
    if (const BValue* files = info.find("files")) {
        for (const auto& file : files->asList()) sum += static_cast<uint64_t>(requiredKey(*file, "length").asInt());
        return static_cast<int64_t>(sum);
    }
    addFileTreeLengths(requiredKey(info, "file tree"), sum);
    return static_cast<int64_t>(sum);
}

int32_t augmentAnnounceList(int32_t city, int32_t provider, BValue& root, const std::vector<int32_t>& live) {
    // The directory is resolved in full before the torrent is touched, so a
    // directory failure leaves the tree as it was.
    const std::string directory = settings::trackersFilePath(settingsPath);
    const bool addStatistics =
        equalsIgnoringAsciiCase(settings::readSetting(settingsPath, settings::kAddStat), "True");

    const std::string cityText = cityName(directory, city);
    if (cityText.empty()) {
        logMessage("Bad city " + decimalString(city));
        return 1;
    }
    const std::string providerText = providerName(directory, cityText, provider);
    if (providerText.empty()) {
        logMessage("Bad provider " + decimalString(provider) + " for city " + cityText);
        return 1;
    }
    const std::string section = retrackerSection(cityText, providerText);
    const int32_t count = retrackerCount(directory, section);
    if (count == 0) {
        logMessage("No active retrackers for provider " + providerText + ", city " + cityText);
        return 1;
    }

    const BValue* announce = root.find("announce");
    const std::string ownUrl = announce ? announce->asString() : std::string();
    const BValue* commentNode = root.find("comment");
    const std::string comment = commentNode ? commentNode->asString() : std::string();
    const std::string name = requiredKey(requiredKey(root, "info"), "name").asString();

    BValue* announceList = root.find("announce-list");
    if (!announceList) {
        root.set("announce-list", std::make_unique<BValue>(BList));
        announceList = root.find("announce-list");
    }
    announceList->append(listOfString(ownUrl));

    char sizeText[24];
    std::snprintf(sizeText, sizeof sizeText, "%lld", static_cast<long long>(totalSize(root)));

    for (int32_t number : live) {
        if (number > count) continue;
        std::string url = retrackerUrl(directory, section, number);
        if (url.empty()) continue;
        if (addStatistics && url.find(kStatisticsHost) != std::string::npos) {
            url += "?name=" + urlEncode(name) + "&size=" + sizeText + "&comment=" + urlEncode(comment) +
                   "&isp=" + decimalString(city) + "+" + decimalString(provider);
        }
        announceList->append(listOfString(url));
    }
    return 0;
}
