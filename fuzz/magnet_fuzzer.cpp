// The magnet parser and augmenter on any text: no crash, an accepted link
// keeps its bytes as the prefix of the augmented one, and the augmented link
// is accepted again with the added URLs as its last trackers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "augment/magnet_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    localPathOfFileUrl(text);
    auto parsed = parseMagnetLink(text);
    if (!parsed) return 0;
    const std::vector<std::string> urls = {"http://r.local/announce?a=1&b=%", text.substr(0, 40)};
    const std::string augmented = withTrackers(text, *parsed, urls);
    if (augmented.compare(0, text.size(), text) != 0) std::abort();
    if (augmented.size() <= kMaxMagnetLinkSize) {
        auto again = parseMagnetLink(augmented);
        if (!again || again->trackers.size() < parsed->trackers.size()) std::abort();
        for (const std::string& url : urls)
            if (std::find(again->trackers.begin(), again->trackers.end(), url) == again->trackers.end()) std::abort();
    }
    return 0;
}
