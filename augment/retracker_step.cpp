#include "augment/retracker_step.h"

#include <cstdio>

#include "settings/profile.h"
#include "settings/setup_check.h"

namespace {

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

int32_t runRetrackerStep(const TavrinRun& run, BValue& root) {
    // The directory is resolved in full before the torrent is touched, so a
    // directory failure leaves the tree as it was.
    const LiveRetrackers live = resolveLiveRetrackers(run.paths.settingsPath);
    if (live.choice.failure != settings::DirectoryFailure::None) {
        run.log.message(failureLine(live.choice));
        if (const std::string cause = settings::directoryCause(run.paths.settingsPath, live.choice); !cause.empty())
            run.log.message(cause);
        return 1;
    }
    if (settings::trackerCheckUnset(run.paths.settingsPath)) run.log.message(settings::trackerCheckUnsetLine());
    augmentAnnounceList(live, root);
    return 0;
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

void augmentAnnounceList(const LiveRetrackers& live, BValue& root) {
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

    for (std::string url : live.urls) {
        if (live.addStatistics && url.find(kStatisticsHost) != std::string::npos) {
            url += "?name=" + urlEncode(name) + "&size=" + sizeText + "&comment=" + urlEncode(comment) +
                   "&isp=" + decimalString(live.choice.city) + "+" + decimalString(live.choice.provider);
        }
        announceList->append(listOfString(url));
    }
}
