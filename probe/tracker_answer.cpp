#include "probe/tracker_answer.h"

namespace {

void appendEncoded(std::string& out, const std::array<unsigned char, 20>& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const unsigned char byte : bytes) {
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
}

}  // namespace

std::string announceRequest(std::string_view url, const std::array<unsigned char, 20>& infoHash,
                            const std::array<unsigned char, 20>& peerId) {
    constexpr std::string_view kScheme = "http://";
    if (url.substr(0, kScheme.size()) == kScheme) url.remove_prefix(kScheme.size());
    const size_t slash = url.find('/');
    const std::string_view authority = url.substr(0, slash);
    std::string target = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
    if (const size_t fragment = target.find('#'); fragment != std::string::npos) target.erase(fragment);
    target += target.find('?') == std::string::npos ? '?' : '&';
    target += "info_hash=";
    appendEncoded(target, infoHash);
    target += "&peer_id=";
    appendEncoded(target, peerId);
    target += "&port=6881&uploaded=0&downloaded=0&left=0&numwant=0&compact=1&event=stopped";
    return "GET " + target + " HTTP/1.0\r\nHost: " + std::string(authority) +
           "\r\nUser-Agent: Keswel\r\nConnection: close\r\n\r\n";
}

bool isTrackerReply(std::string_view response) {
    if (response.substr(0, 5) != "HTTP/") return false;
    const size_t headerEnd = response.find("\r\n\r\n");
    if (headerEnd == std::string_view::npos) return false;
    std::string_view body = response.substr(headerEnd + 4);
    // A chunked body starts with its first chunk's size line.
    if (!body.empty() && body.front() != 'd') {
        const size_t line = body.find("\r\n");
        if (line == std::string_view::npos || line == 0 ||
            body.substr(0, line).find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
            return false;
        body.remove_prefix(line + 2);
    }
    if (body.empty() || body.front() != 'd') return false;
    for (const std::string_view key : {"14:failure reason", "8:interval", "5:peers", "5:files"})
        if (body.find(key) != std::string_view::npos) return true;
    return false;
}
