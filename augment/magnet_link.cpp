#include "augment/magnet_link.h"

#include <algorithm>

#include "augment/retracker_step.h"
#include "platform/ascii_text.h"

namespace {

using platform::isControlByte;
using platform::lowerAscii;

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && platform::equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool allOf(std::string_view text, bool (*accepted)(char)) { return std::all_of(text.begin(), text.end(), accepted); }
bool isHex(char c) { return hexValue(c) >= 0; }
bool isBase32(char c) {
    c = lowerAscii(c);
    return (c >= 'a' && c <= 'z') || (c >= '2' && c <= '7');
}

bool namesInfoHash(std::string_view topic) {
    if (startsWithIgnoringCase(topic, "urn:btih:")) {
        std::string_view hash = topic.substr(9);
        return (hash.size() == 40 && allOf(hash, isHex)) || (hash.size() == 32 && allOf(hash, isBase32));
    }
    if (startsWithIgnoringCase(topic, "urn:btmh:")) {
        std::string_view hash = topic.substr(9);
        return hash.size() == 68 && hash.substr(0, 4) == "1220" && allOf(hash, isHex);
    }
    return false;
}

// "xt" and the numbered form "xt.1", "xt.2", ... of links with several topics.
bool isTopicKey(std::string_view key) {
    if (key == "xt") return true;
    return key.size() > 3 && key.substr(0, 3) == "xt." &&
           std::all_of(key.begin() + 3, key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int64_t decimalSize(std::string_view text) {
    if (text.empty() || text.size() > 18) return 0;  // 18 digits cannot overflow
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

bool isMagnetLink(std::string_view argument) { return startsWithIgnoringCase(argument, "magnet:?"); }

std::optional<MagnetLink> parseMagnetLink(std::string_view link) {
    if (link.size() > kMaxMagnetLinkSize || !isMagnetLink(link)) return std::nullopt;
    // On Windows the runtime splits a link at a raw quote before Tavrin sees
    // it; where a link arrives whole, such a byte marks it as forged.
    if (std::any_of(link.begin(), link.end(), [](char c) { return c == '"' || isControlByte(c); }))
        return std::nullopt;
    MagnetLink parsed;
    bool hasTopic = false;
    std::string_view rest = link.substr(8);
    while (!rest.empty()) {
        const size_t end = std::min(rest.find('&'), rest.size());
        const std::string_view parameter = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const size_t equals = parameter.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = parameter.substr(0, equals);
        const std::string_view value = parameter.substr(equals + 1);
        if (isTopicKey(key))
            hasTopic = hasTopic || namesInfoHash(percentDecoded(value));
        else if (key == "dn")
            parsed.name = percentDecoded(value, true);
        else if (key == "xl")
            parsed.size = decimalSize(value);
        else if (key == "tr")
            parsed.trackers.push_back(percentDecoded(value));
    }
    if (!hasTopic) return std::nullopt;
    return parsed;
}

std::string withTrackers(std::string_view link, const MagnetLink& parsed, const std::vector<std::string>& urls) {
    std::string augmented(link);
    std::vector<std::string> present = parsed.trackers;
    for (const std::string& url : urls) {
        if (std::find(present.begin(), present.end(), url) != present.end()) continue;
        augmented += "&tr=" + urlEncode(url);
        present.push_back(url);
    }
    return augmented;
}

std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<FileUrlPath> localPathOfFileUrl(std::string_view argument) {
    if (!startsWithIgnoringCase(argument, "file://")) return std::nullopt;
    std::string_view rest = argument.substr(7);
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !(host.size() == 9 && startsWithIgnoringCase(host, "localhost"))) return std::nullopt;
    FileUrlPath named{percentDecoded(rest.substr(slash))};
    named.usable = std::none_of(named.path.begin(), named.path.end(), isControlByte);
    return named;
}
