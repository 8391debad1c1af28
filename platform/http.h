// One HTTP request to a BitTorrent client's RPC: libcurl on Linux, WinHTTP on
// Windows. Only the URL given is contacted: no proxy, no redirect followed.
#pragma once

#include "platform/ascii_text.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpReply {
    bool reached = false;  // false: no HTTP answer (refused, timed out, bad URL); `error` says why
    std::string error;
    long status = 0;
    HttpHeaders headers;  // names as the server wrote them
    std::string body;
};

// Sends `method` ("GET" or "POST") with the headers and body to `url`
// (http:// or https://) and waits up to `timeoutSeconds` for the whole reply.
// A 3xx reply comes back as it is.
HttpReply httpRequest(const std::string& method, const std::string& url, const HttpHeaders& headers,
                      const std::string& body, long timeoutSeconds = 30);

// The value of the first header of that name (ASCII letter case ignored), "" when none.
inline std::string headerValue(const HttpHeaders& headers, std::string_view name) {
    for (const auto& [key, value] : headers)
        if (equalsIgnoringAsciiCase(key, name)) return value;
    return {};
}

}  // namespace platform
