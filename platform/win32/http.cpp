#include "platform/http.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

#include "platform/win32/wide_text.h"

namespace platform {

namespace {

struct InternetHandleClose {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleClose>;

HttpReply failed(const char* what) {
    const DWORD code = GetLastError();
    HttpReply reply;
    reply.error = std::string(what) + " failed with code " + std::to_string(code);
    // The common ones in words, as the Linux side gives them.
    if (code == ERROR_WINHTTP_CANNOT_CONNECT) reply.error = "Couldn't connect to server (" + reply.error + ")";
    if (code == ERROR_WINHTTP_TIMEOUT) reply.error = "Timeout was reached (" + reply.error + ")";
    if (code == ERROR_WINHTTP_NAME_NOT_RESOLVED) reply.error = "Couldn't resolve host name (" + reply.error + ")";
    return reply;
}

// The raw headers WinHTTP gives: "Name: value" lines ended by CR LF, the
// status line first.
HttpHeaders splitHeaders(const std::wstring& raw) {
    HttpHeaders headers;
    const std::string text = utf8FromWide(raw);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos && line.compare(0, 5, "HTTP/") != 0) {
            size_t value = colon + 1;
            while (value < line.size() && line[value] == ' ') ++value;
            headers.emplace_back(line.substr(0, colon), line.substr(value));
        }
        start = end + 2;
    }
    return headers;
}

}  // namespace

HttpReply httpRequest(const std::string& method, const std::string& url, const HttpHeaders& headers,
                      const std::string& body, long timeoutSeconds) {
    const std::wstring wideUrl = wideFromUtf8(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts)) return failed("Reading the URL");
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    // No proxy: the client's own address and no other.
    InternetHandle session(WinHttpOpen(L"Keswel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return failed("WinHttpOpen");
    const int timeout = static_cast<int>(timeoutSeconds * 1000);
    WinHttpSetTimeouts(session.get(), timeout, timeout, timeout, timeout);
    InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return failed("WinHttpConnect");
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    InternetHandle request(WinHttpOpenRequest(connection.get(), wideFromUtf8(method).c_str(), path.c_str(),
                                              nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                              secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return failed("WinHttpOpenRequest");
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof(never));

    std::wstring headerText;
    for (const auto& [name, value] : headers) headerText += wideFromUtf8(name + ": " + value + "\r\n");
    if (!WinHttpSendRequest(request.get(), headerText.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headerText.c_str(),
                            static_cast<DWORD>(-1), const_cast<char*>(body.data()), static_cast<DWORD>(body.size()),
                            static_cast<DWORD>(body.size()), 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr))
        return failed("Sending the request");

    HttpReply reply;
    DWORD status = 0;
    DWORD size = sizeof(status);
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    reply.status = static_cast<long>(status);
    size = 0;
    WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                        WINHTTP_NO_HEADER_INDEX);
    if (size > 0) {
        std::wstring raw(size / sizeof(wchar_t), L'\0');
        if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                                raw.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
            raw.resize(size / sizeof(wchar_t));
            reply.headers = splitHeaders(raw);
        }
    }
    for (;;) {
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request.get(), &available)) return failed("Reading the reply");
        if (available == 0) break;
        const size_t at = reply.body.size();
        reply.body.resize(at + available);
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), reply.body.data() + at, available, &read)) return failed("Reading the reply");
        reply.body.resize(at + read);
    }
    reply.reached = true;
    return reply;
}

}  // namespace platform
