#include "probe/client_rpc.h"

#if RETRACKERS_CLIENT_RPC
#include <nlohmann/json.hpp>
#endif

#include <algorithm>
#include <cstdio>

#include "platform/ascii_text.h"
#include "platform/console.h"
#include "platform/http.h"
#include "platform/process_files.h"
#include "probe/console_print.h"

#if RETRACKERS_CLIENT_RPC
using nlohmann::json;
#endif

namespace {

// The form in which two announce URLs are compared: hex digits of percent
// escapes in upper case.
std::string comparable(const std::string& url) {
    std::string out = url;
    for (size_t i = 0; i + 2 < out.size(); ++i) {
        if (out[i] != '%') continue;
        for (size_t k = i + 1; k <= i + 2; ++k)
            if (out[k] >= 'a' && out[k] <= 'f') out[k] = static_cast<char>(out[k] - 'a' + 'A');
    }
    return out;
}

#if RETRACKERS_CLIENT_RPC
std::string base64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned n = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(n >> shift) & 63];
    }
    if (i < bytes.size()) {
        unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string textOf(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

int64_t numberOf(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_number() ? found->get<int64_t>() : 0;
}

// Why a call gave no usable answer, for the one line a run prints.
enum class CallFailure { None, Unreachable, LoginRefused, BadReply };

struct CallResult {
    CallFailure failure = CallFailure::None;
    std::string detail;
    std::string body;
};

CallResult unreachable(const platform::HttpReply& reply) { return {CallFailure::Unreachable, reply.error, {}}; }
CallResult badReply(std::string detail) { return {CallFailure::BadReply, std::move(detail), {}}; }
CallResult badStatus(const platform::HttpReply& reply) { return badReply("HTTP status " + std::to_string(reply.status)); }

// Transmission: every call is one POST of JSON; the first gets 409 and the
// session id to send with it and every later one.
class TransmissionSession {
public:
    explicit TransmissionSession(const ClientRpcSettings& settings) : settings_(settings) {}

    CallResult call(const std::string& request) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            platform::HttpHeaders headers{{"Content-Type", "application/json"}};
            if (!sessionId_.empty()) headers.emplace_back("X-Transmission-Session-Id", sessionId_);
            if (!settings_.user.empty() || !settings_.password.empty())
                headers.emplace_back("Authorization", "Basic " + base64(settings_.user + ":" + settings_.password));
            const platform::HttpReply reply = platform::httpRequest("POST", settings_.url, headers, request);
            if (!reply.reached) return unreachable(reply);
            if (reply.status == 401 || reply.status == 403) return {CallFailure::LoginRefused, {}, {}};
            if (reply.status == 409) {
                sessionId_ = platform::headerValue(reply.headers, "X-Transmission-Session-Id");
                if (sessionId_.empty()) break;
                continue;
            }
            if (reply.status != 200) return badStatus(reply);
            return {CallFailure::None, {}, reply.body};
        }
        return badReply("no session id");
    }

private:
    const ClientRpcSettings& settings_;
    std::string sessionId_;
};

// qBittorrent: a login that gives the SID cookie, then calls that carry it.
class QbittorrentSession {
public:
    explicit QbittorrentSession(const ClientRpcSettings& settings) : settings_(settings) {
        base_ = settings.url;
        while (!base_.empty() && base_.back() == '/') base_.pop_back();
    }

    CallResult login() {
        const platform::HttpReply reply = platform::httpRequest(
            "POST", base_ + "/api/v2/auth/login", {{"Content-Type", "application/x-www-form-urlencoded"}},
            formEncode({{"username", settings_.user}, {"password", settings_.password}}));
        if (!reply.reached) return unreachable(reply);
        if (reply.status == 401 || reply.status == 403) return {CallFailure::LoginRefused, {}, {}};
        if (reply.status != 200) return badStatus(reply);
        if (reply.body != "Ok.") return {CallFailure::LoginRefused, {}, {}};
        for (const auto& [name, value] : reply.headers) {
            if (!platform::equalsIgnoringAsciiCase(name, "Set-Cookie") || value.compare(0, 4, "SID=") != 0) continue;
            cookie_ = value.substr(0, value.find(';'));
        }
        return {};
    }

    CallResult call(const std::string& method, const std::string& path, const std::string& body = {}) {
        platform::HttpHeaders headers;
        if (!cookie_.empty()) headers.emplace_back("Cookie", cookie_);
        if (method == "POST") headers.emplace_back("Content-Type", "application/x-www-form-urlencoded");
        const platform::HttpReply reply = platform::httpRequest(method, base_ + path, headers, body);
        if (!reply.reached) return unreachable(reply);
        if (reply.status == 401 || reply.status == 403) return {CallFailure::LoginRefused, {}, {}};
        if (reply.status != 200) return badStatus(reply);
        return {CallFailure::None, {}, reply.body};
    }

private:
    const ClientRpcSettings& settings_;
    std::string base_;
    std::string cookie_;
};

struct ClientTorrents {
    CallResult result;
    std::vector<ClientTorrent> torrents;
};

// The client seen as two calls: its torrents, and URLs added to one.
class ClientConnection {
public:
    explicit ClientConnection(const ClientRpcSettings& settings)
        : settings_(settings), transmission_(settings), qbittorrent_(settings) {}

    ClientTorrents torrents() {
        ClientTorrents list;
        if (settings_.kind == ClientKind::Transmission) {
            list.result = transmission_.call(transmissionTorrentGet());
            if (list.result.failure == CallFailure::None && !readTransmissionTorrents(list.result.body, list.torrents))
                list.result = badReply("not a torrent-get reply");
            return list;
        }
        list.result = qbittorrent_.login();
        if (list.result.failure != CallFailure::None) return list;
        list.result = qbittorrent_.call("GET", "/api/v2/torrents/info");
        if (list.result.failure != CallFailure::None) return list;
        if (!readQbittorrentTorrents(list.result.body, list.torrents)) {
            list.result = badReply("not a torrent list");
            return list;
        }
        for (ClientTorrent& torrent : list.torrents) {
            const std::string query = "?hash=" + torrent.id;
            list.result = qbittorrent_.call("GET", "/api/v2/torrents/trackers" + query);
            if (list.result.failure != CallFailure::None) return list;
            if (!readQbittorrentTrackers(list.result.body, torrent)) list.result = badReply("not a tracker list");
            if (list.result.failure != CallFailure::None) return list;
            list.result = qbittorrent_.call("GET", "/api/v2/torrents/properties" + query);
            if (list.result.failure != CallFailure::None) return list;
            if (!readQbittorrentProperties(list.result.body, torrent)) list.result = badReply("not torrent properties");
            if (list.result.failure != CallFailure::None) return list;
        }
        return list;
    }

    CallResult add(const ClientTorrent& torrent, const std::vector<std::string>& urls) {
        if (settings_.kind == ClientKind::Transmission) {
            CallResult result = transmission_.call(transmissionTrackerAdd(torrent.id, urls));
            if (result.failure != CallFailure::None) return result;
            const json reply = json::parse(result.body, nullptr, false);
            if (!reply.is_object() || textOf(reply, "result") != "success")
                return badReply(reply.is_object() ? textOf(reply, "result") : "not a torrent-set reply");
            return result;
        }
        return qbittorrent_.call("POST", "/api/v2/torrents/addTrackers",
                                 formEncode({{"hash", torrent.id},
                                             {"urls", qbittorrentTrackerLines(urls, torrent.maxTier)}}));
    }

private:
    const ClientRpcSettings& settings_;
    TransmissionSession transmission_;
    QbittorrentSession qbittorrent_;
};

const char* kindName(ClientKind kind) { return kind == ClientKind::Transmission ? "Transmission" : "qBittorrent"; }

// The one line for a call that failed.
void printFailure(const ClientRpcSettings& settings, const CallResult& result) {
    const char* kind = kindName(settings.kind);
    switch (result.failure) {
    case CallFailure::None: break;
    case CallFailure::Unreachable:
        consolePrint(tr("Cannot reach %s at %s: %s\n"), kind, settings.url.c_str(), result.detail.c_str());
        break;
    case CallFailure::LoginRefused:
        consolePrint(tr("%s at %s refused the login of user \"%s\"; check ClientRpcUser and ClientRpcPassword\n"), kind,
                     settings.url.c_str(), settings.user.c_str());
        break;
    case CallFailure::BadReply:
        consolePrint(tr("%s at %s gave an unexpected reply: %s\n"), kind, settings.url.c_str(), result.detail.c_str());
        break;
    }
}

#endif  // RETRACKERS_CLIENT_RPC

}  // namespace

ClientRpcSettings readClientRpcSettings(const std::string& settingsPath) {
    ClientRpcSettings rpc;
    rpc.kindText = settings::readSetting(settingsPath, settings::kClientRpc);
    if (rpc.kindText.empty()) return rpc;
    rpc.kind = ClientKind::Unknown;
    if (platform::equalsIgnoringAsciiCase(rpc.kindText, "transmission")) rpc.kind = ClientKind::Transmission;
    if (platform::equalsIgnoringAsciiCase(rpc.kindText, "qbittorrent")) rpc.kind = ClientKind::QBittorrent;
    rpc.url = settings::readSetting(settingsPath, settings::kClientRpcUrl);
    if (rpc.url.empty())
        rpc.url = rpc.kind == ClientKind::QBittorrent ? "http://127.0.0.1:8080" : "http://127.0.0.1:9091/transmission/rpc";
    rpc.user = settings::readSetting(settingsPath, settings::kClientRpcUser);
    rpc.password = settings::readSetting(settingsPath, settings::kClientRpcPassword);
    return rpc;
}

const char* clientRpcKindOf(const std::string& programPath) {
    // Either separator: a Windows path is judged the same on any system.
    std::string name = programPath.substr(programPath.find_last_of("/\\") + 1);
    for (char& c : name) c = platform::lowerAscii(c);
    if (name.compare(0, 12, "transmission") == 0 && name.compare(0, 19, "transmission-remote") != 0)
        return "transmission";
    if (name.compare(0, 11, "qbittorrent") == 0) return "qbittorrent";
    return "";
}

std::vector<std::string> retrackersFor(const LiveRetrackers& live, const ClientTorrent& torrent, bool addToPrivate) {
    std::vector<std::string> added;
    if (torrent.isPrivate && !addToPrivate) return added;
    std::vector<std::string> present;
    for (const std::string& url : torrent.trackers) present.push_back(comparable(url));
    for (std::string& url : urlsToAdd(live, torrent.name, torrent.totalSize, torrent.comment)) {
        std::string key = comparable(url);
        if (std::find(present.begin(), present.end(), key) != present.end()) continue;
        present.push_back(std::move(key));
        added.push_back(std::move(url));
    }
    return added;
}

#if RETRACKERS_CLIENT_RPC
std::string transmissionTorrentGet() {
    return json{{"method", "torrent-get"},
                {"arguments",
                 {{"fields", {"id", "name", "hashString", "isPrivate", "trackers", "totalSize", "comment"}}}}}
        .dump();
}

std::string transmissionTrackerAdd(const std::string& id, const std::vector<std::string>& urls) {
    // Each URL added becomes a tier of its own after the torrent's highest.
    return json{{"method", "torrent-set"}, {"arguments", {{"ids", {std::stoll(id)}}, {"trackerAdd", urls}}}}.dump(
        -1, ' ', false, json::error_handler_t::replace);
}

bool readTransmissionTorrents(const std::string& reply, std::vector<ClientTorrent>& torrents) {
    const json document = json::parse(reply, nullptr, false);
    if (!document.is_object() || textOf(document, "result") != "success") return false;
    const auto arguments = document.find("arguments");
    if (arguments == document.end() || !arguments->is_object()) return false;
    const auto list = arguments->find("torrents");
    if (list == arguments->end() || !list->is_array()) return false;
    for (const json& item : *list) {
        if (!item.is_object() || !item.contains("id") || !item["id"].is_number_integer()) return false;
        ClientTorrent torrent;
        torrent.id = std::to_string(item["id"].get<int64_t>());
        torrent.name = textOf(item, "name");
        torrent.totalSize = numberOf(item, "totalSize");
        torrent.comment = textOf(item, "comment");
        torrent.isPrivate = item.value("isPrivate", false);
        if (const auto trackers = item.find("trackers"); trackers != item.end() && trackers->is_array()) {
            for (const json& tracker : *trackers) {
                if (!tracker.is_object()) continue;
                torrent.trackers.push_back(textOf(tracker, "announce"));
                torrent.maxTier = std::max(torrent.maxTier, static_cast<int>(numberOf(tracker, "tier")));
            }
        }
        torrents.push_back(std::move(torrent));
    }
    return true;
}

std::string formEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty()) body += '&';
        body += name + "=" + urlEncode(value);
    }
    return body;
}

std::string qbittorrentTrackerLines(const std::vector<std::string>& urls, int maxTier) {
    std::string lines(static_cast<size_t>(std::max(maxTier, -1) + 1), '\n');
    for (size_t i = 0; i < urls.size(); ++i) lines += (i == 0 ? "" : "\n\n") + urls[i];
    return lines;
}

bool readQbittorrentTorrents(const std::string& reply, std::vector<ClientTorrent>& torrents) {
    const json document = json::parse(reply, nullptr, false);
    if (!document.is_array()) return false;
    for (const json& item : document) {
        if (!item.is_object() || textOf(item, "hash").empty()) return false;
        ClientTorrent torrent;
        torrent.id = textOf(item, "hash");
        torrent.name = textOf(item, "name");
        torrent.totalSize = numberOf(item, "total_size");
        // Later versions report the private flag here or in the properties.
        torrent.isPrivate = item.value("private", false);
        torrents.push_back(std::move(torrent));
    }
    return true;
}

bool readQbittorrentTrackers(const std::string& reply, ClientTorrent& torrent) {
    const json document = json::parse(reply, nullptr, false);
    if (!document.is_array()) return false;
    for (const json& tracker : document) {
        if (!tracker.is_object()) return false;
        const std::string url = textOf(tracker, "url");
        if (url.compare(0, 3, "** ") == 0) {
            // The DHT, PeX and LSD rows. Versions that do not report the
            // private flag say on them, disabled, why.
            if (numberOf(tracker, "status") == 0 && !textOf(tracker, "msg").empty()) torrent.isPrivate = true;
            continue;
        }
        torrent.trackers.push_back(url);
        if (tracker.contains("tier") && tracker["tier"].is_number())
            torrent.maxTier = std::max(torrent.maxTier, static_cast<int>(numberOf(tracker, "tier")));
    }
    return true;
}

bool readQbittorrentProperties(const std::string& reply, ClientTorrent& torrent) {
    const json document = json::parse(reply, nullptr, false);
    if (!document.is_object()) return false;
    torrent.comment = textOf(document, "comment");
    if (document.contains("total_size")) torrent.totalSize = numberOf(document, "total_size");
    if (document.value("is_private", false)) torrent.isPrivate = true;
    return true;
}

#endif  // RETRACKERS_CLIENT_RPC

int applyToClient(const settings::RunPaths& run, ApplyCall call) {
    const ClientRpcSettings rpc = readClientRpcSettings(run.settingsPath);
    if (rpc.kind == ClientKind::None) {
        if (call == ApplyCall::AfterProbe) return 0;
        consolePrint(tr("ClientRpc is not set in %s: no client to add the retrackers to\n"), run.settingsPath.c_str());
        return 1;
    }
    if (rpc.kind == ClientKind::Unknown) {
        consolePrint(tr("ClientRpc must be transmission or qbittorrent, not \"%s\"\n"), rpc.kindText.c_str());
        return 1;
    }
    if (!rpc.password.empty()) platform::keepToOwner(run.settingsPath);
#if !RETRACKERS_CLIENT_RPC
    consolePrint(tr("This Keswel was built without the client's RPC (no libcurl or nlohmann-json): --apply cannot "
                    "be used\n"));
    return 1;
#else

    const LiveRetrackers live = resolveLiveRetrackers(settings::SettingsSnapshot(run.settingsPath));
    if (live.choice.failure != settings::DirectoryFailure::None) {
        consolePrint("%s\n", failureLine(live.choice).c_str());
        return 1;
    }
    const bool addToPrivate = settings::settingIs(run.settingsPath, settings::kAddToPrivate, "True");

    ClientConnection client(rpc);
    ClientTorrents list = client.torrents();
    if (list.result.failure != CallFailure::None) {
        printFailure(rpc, list.result);
        return 1;
    }
    size_t changed = 0;
    size_t added = 0;
    size_t refused = 0;
    for (const ClientTorrent& torrent : list.torrents) {
        const std::vector<std::string> urls = retrackersFor(live, torrent, addToPrivate);
        if (urls.empty()) continue;
        const CallResult result = client.add(torrent, urls);
        if (result.failure == CallFailure::BadReply) {
            // One torrent the client will not change (a URL it judges bad,
            // say) keeps the others from nothing.
            consolePrint(tr("Not added to %s: %s\n"), platform::consoleMessageText(torrent.name).c_str(),
                         result.detail.c_str());
            ++refused;
            continue;
        }
        if (result.failure != CallFailure::None) {
            printFailure(rpc, result);
            return 1;
        }
        consolePrint(ntr("Added %d retracker to %s\n", "Added %d retrackers to %s\n", urls.size()),
                     static_cast<int>(urls.size()), platform::consoleMessageText(torrent.name).c_str());
        ++changed;
        added += urls.size();
    }
    consolePrint("%s: %s%s", kindName(rpc.kind),
                 formatText(ntr("%d torrent, %d changed", "%d torrents, %d changed", list.torrents.size()),
                            static_cast<int>(list.torrents.size()), static_cast<int>(changed))
                     .c_str(),
                 formatText(ntr(", %d retracker added\n", ", %d retrackers added\n", added), static_cast<int>(added))
                     .c_str());
    return refused == 0 ? 0 : 1;
#endif
}
