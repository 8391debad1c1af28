// Magnet links and file:// URLs as Tavrin's first argument.
//
// A magnet link is "magnet:" (any letter case), "?", then parameters
// separated by "&". Tavrin never rewrites what the link holds: it appends one
// "&tr=" parameter per retracker, so every parameter already there stays
// byte for byte and in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Links longer than this are refused: no browser hands out anything near it,
// and the client's command line could not carry it.
constexpr size_t kMaxMagnetLinkSize = 64 * 1024;

// True when the argument starts with "magnet:" in any letter case and "?".
// Such an argument is a link, never a file name.
bool isMagnetLink(std::string_view argument);

// What Tavrin needs of a link. Values are percent-decoded.
struct MagnetLink {
    std::string name;                   // "dn", "" when absent
    int64_t size = 0;                   // "xl" as a decimal number, 0 when absent or not a number
    std::vector<std::string> trackers;  // every "tr", in order
};

// The link's parameters, or nothing when it is no usable link: longer than
// kMaxMagnetLinkSize, holding a raw '"', a byte below 0x20 or 0x7F (no valid
// link does; blanks stay accepted, as pasted links hold them), or without an
// exact topic ("xt", or "xt.1", "xt.2", ...) naming a BitTorrent info-hash:
// "urn:btih:" and 40 hex digits or 32 base32 characters, or "urn:btmh:" with
// "1220" and 64 hex digits (a SHA-256 multihash). Letter case does not
// matter in the prefix or the digits.
std::optional<MagnetLink> parseMagnetLink(std::string_view link);

// The link with "&tr=" and the percent-encoded URL appended for each of the
// URLs that is not already one of its trackers (nor repeated in `urls`).
std::string withTrackers(std::string_view link, const MagnetLink& parsed, const std::vector<std::string>& urls);

// "%XX" sequences become their bytes; with `plusIsSpace`, "+" becomes a blank
// (as in form-encoded names). Anything else, a lone "%" included, stays.
std::string percentDecoded(std::string_view text, bool plusIsSpace = false);

// What a "file:" URL with an empty host or "localhost" names.
struct FileUrlPath {
    std::string path;  // percent-decoded: "file:///home/me/a%20b.torrent" gives "/home/me/a b.torrent"
    // False when decoding gave a control byte ("%00", "%0A"): the system would
    // cut the path at a NUL and read another file, so no such path is read.
    bool usable = true;
};

// The path of a "file:" URL; nothing for any other argument, which is then
// taken as a path as it stands.
std::optional<FileUrlPath> localPathOfFileUrl(std::string_view argument);
