#include "augment/retracker_step.h"

#include <optional>
#include <string_view>

#include "bencoding/bview.h"
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings/setup_check.h"
#include "settings/wording.h"

using settings::N_;

namespace {

BView requiredKey(const BView& dict, const char* key) {
    const std::optional<BView> value = dict.find(key);
    if (!value) throw BadType{};
    return *value;
}

// Adds the lengths of the files of a v2 "file tree": a file is a dictionary
// under the empty key holding "length"; any other key names a subtree.
void addFileTreeLengths(const BView& tree, uint64_t& sum) {
    tree.forEachEntry([&sum](std::string_view name, const BView& node) {
        if (name.empty())
            sum += static_cast<uint64_t>(requiredKey(node, "length").asInt());
        else
            addFileTreeLengths(node, sum);
    });
}

// A torrent whose "info" holds "private" = 1 may be announced only to its own
// tracker. Never throws: a torrent of any other shape is not private here.
bool isPrivate(const BValue& root) {
    if (root.kind != BDict) return false;
    const BValue* info = root.find("info");
    if (!info || info->kind != BDict) return false;
    const std::optional<BView> flag = BView(*info).find("private");
    return flag && flag->kind() == BInt && flag->asInt() == 1;
}

}  // namespace

int32_t runRetrackerStep(const TavrinRun& run, BValue& root, std::optional<int64_t> contentSize) {
    // Adding public retrackers would announce a private swarm where anyone
    // on the provider's network can see its peers.
    if (isPrivate(root) && !run.settings.is(settings::kAddToPrivate, "True")) {
        run.log.say(N_("Private torrent, no retrackers added"));
        return 0;
    }
    // The directory is resolved in full before the torrent is touched, so a
    // directory failure leaves the tree as it was.
    const LiveRetrackers live = resolveLoggingFailures(run);
    if (live.choice.failure != settings::DirectoryFailure::None) return 1;
    augmentAnnounceList(live, root, contentSize);
    return 0;
}

LiveRetrackers resolveLoggingFailures(const TavrinRun& run) {
    LiveRetrackers live = resolveLiveRetrackers(run.settings);
    if (live.choice.failure != settings::DirectoryFailure::None) {
        run.log.message(failureLine(live.choice), failureLine(live.choice, settings::noticeWording()));
        if (const std::string cause = settings::directoryCause(run.paths.settingsPath, live.choice); !cause.empty())
            run.log.message(cause, settings::directoryCause(run.paths.settingsPath, live.choice, settings::noticeWording()));
    } else if (settings::trackerCheckUnset(run.settings)) {
        run.log.say(settings::trackerCheckUnsetLine());
    }
    return live;
}

int64_t totalSize(const BValue& root, std::optional<int64_t> contentSize) {
    if (contentSize) return *contentSize;
    const BView info = requiredKey(BView(root), "info");
    if (const std::optional<BView> length = info.find("length")) return length->asInt();
    uint64_t sum = 0;  // unsigned: the sum wraps instead of overflowing
    if (const std::optional<BView> files = info.find("files")) {
        files->forEachElement(
            [&sum](const BView& file) { sum += static_cast<uint64_t>(requiredKey(file, "length").asInt()); });
        return static_cast<int64_t>(sum);
    }
    addFileTreeLengths(requiredKey(info, "file tree"), sum);
    return static_cast<int64_t>(sum);
}

void augmentAnnounceList(const LiveRetrackers& live, BValue& root, std::optional<int64_t> contentSize) {
    const BValue* announce = root.find("announce");
    const std::string ownUrl = announce ? announce->asString() : std::string();
    const BValue* commentNode = root.find("comment");
    const std::string comment = commentNode ? commentNode->asString() : std::string();
    const std::string name(requiredKey(requiredKey(BView(root), "info"), "name").asText());

    BValue* announceList = root.find("announce-list");
    if (!announceList) {
        root.set("announce-list", std::make_unique<BValue>(BList));
        announceList = root.find("announce-list");
    }
    announceList->append(listOfString(ownUrl));

    for (const std::string& url : urlsToAdd(live, name, totalSize(root, contentSize), comment))
        announceList->append(listOfString(url));
}
