// What proves that an HTTP retracker is a tracker and not just any web
// server (a home router accepts connections on port 80 too): an announce for
// an info-hash nobody shares, answered with a bencoded dictionary.
#pragma once

#include <array>
#include <string>
#include <string_view>

// The HTTP/1.0 GET of an announce to the URL (http:// or no scheme) for
// `infoHash` with `peerId`, port 6881, nothing transferred, event "stopped"
// and no peers wanted, so that the tracker keeps no peer of it. The URL's
// path and query are kept ("/" when it has none); the Host line is its host
// and port as written.
std::string announceRequest(std::string_view url, const std::array<unsigned char, 20>& infoHash,
                            const std::array<unsigned char, 20>& peerId);

// True when the response is an HTTP response whose body is a tracker's
// bencoded dictionary: it starts with "d" and holds the key "failure reason",
// "interval", "peers" or "files" (a chunked body may start with its size).
bool isTrackerReply(std::string_view response);
