// Adds the live retrackers to the torrents a running BitTorrent client
// already holds, through the client's own RPC: Transmission's JSON RPC or
// qBittorrent's Web API. Settings.ini names the client (ClientRpc), its
// address (ClientRpcUrl) and the login (ClientRpcUser, ClientRpcPassword).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "augment/live_retrackers.h"
#include "settings/settings_file.h"

enum class ClientKind { None, Transmission, QBittorrent, Unknown };

struct ClientRpcSettings {
    ClientKind kind = ClientKind::None;
    std::string kindText;  // ClientRpc as written
    std::string url;       // ClientRpcUrl, or the kind's default
    std::string user;
    std::string password;
};

// ClientRpc in any letter case; an empty ClientRpcUrl gives
// http://127.0.0.1:9091/transmission/rpc or http://127.0.0.1:8080.
ClientRpcSettings readClientRpcSettings(const std::string& settingsPath);

// The ClientRpc value for a client program ("transmission" for
// transmission-gtk, -qt or -daemon, "qbittorrent" for qbittorrent or
// qbittorrent-nox, by its file name in any letter case, ".exe" or not), ""
// for any other program.
const char* clientRpcKindOf(const std::string& programPath);

// A torrent as the client reports it.
struct ClientTorrent {
    std::string id;  // Transmission: its number; qBittorrent: its info hash
    std::string name;
    int64_t totalSize = 0;
    std::string comment;
    bool isPrivate = false;
    int maxTier = -1;                   // highest tier of its own trackers, -1 for none
    std::vector<std::string> trackers;  // its announce URLs
};

// The URLs to add to a torrent: none for a private torrent unless
// `addToPrivate`; else urlsToAdd with the torrent's name, size and comment,
// less those it has already and repeats, in their order. Percent escapes
// compare without regard to the case of their hex digits, as clients may
// rewrite them.
std::vector<std::string> retrackersFor(const LiveRetrackers& live, const ClientTorrent& torrent, bool addToPrivate);

// Transmission's requests and replies.
std::string transmissionTorrentGet();
std::string transmissionTrackerAdd(const std::string& id, const std::vector<std::string>& urls);
// False when the reply is not a successful torrent-get.
bool readTransmissionTorrents(const std::string& reply, std::vector<ClientTorrent>& torrents);

// qBittorrent's form bodies and replies.
std::string formEncode(const std::vector<std::pair<std::string, std::string>>& fields);
// The addTrackers "urls" value: each URL on a line of its own after
// `maxTier` + 1 empty lines and separated by an empty line, which versions
// that read tiers take as one new tier each after the torrent's own.
std::string qbittorrentTrackerLines(const std::vector<std::string>& urls, int maxTier);
// Fill a torrent from /torrents/info (an array), then /torrents/trackers
// and /torrents/properties of each. False when the reply is not what the
// call gives.
bool readQbittorrentTorrents(const std::string& reply, std::vector<ClientTorrent>& torrents);
bool readQbittorrentTrackers(const std::string& reply, ClientTorrent& torrent);
bool readQbittorrentProperties(const std::string& reply, ClientTorrent& torrent);

enum class ApplyCall { Alone, AfterProbe };

// Keswel --apply (Alone) and the end of a plain run (AfterProbe, only when
// ClientRpc is set). Prints one line per torrent changed and a summary, or
// one line saying why the client could not be used. Returns 0 when done; 1
// when the client cannot be reached, refuses the login, gives a reply that
// is not its RPC's, is unknown or unset (Alone), or the live retrackers
// cannot be resolved; also 1 after the others are done when the client
// refused to change a torrent (a "Not added to <name>: ..." line each).
int applyToClient(const settings::RunPaths& run, ApplyCall call);
