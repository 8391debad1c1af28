#include "platform/http.h"

#include <curl/curl.h>

#include <memory>

namespace platform {

namespace {

size_t appendBody(char* data, size_t size, size_t count, void* reply) {
    static_cast<HttpReply*>(reply)->body.append(data, size * count);
    return size * count;
}

// Each header line of the final reply, "Name: value" with its line end.
size_t appendHeader(char* data, size_t size, size_t count, void* reply) {
    std::string_view line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    auto& headers = static_cast<HttpReply*>(reply)->headers;
    if (line.substr(0, 5) == "HTTP/") headers.clear();  // a new status line: an interim reply is over
    const size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
        std::string_view value = line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        headers.emplace_back(std::string(line.substr(0, colon)), std::string(value));
    }
    return size * count;
}

}  // namespace

HttpReply httpRequest(const std::string& method, const std::string& url, const HttpHeaders& headers,
                      const std::string& body, long timeoutSeconds) {
    HttpReply reply;
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(initialised ? curl_easy_init() : nullptr,
                                                             curl_easy_cleanup);
    if (!curl) {
        reply.error = "the HTTP library could not start";
        return reply;
    }
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers) list = curl_slist_append(list, (name + ": " + value).c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(list, curl_slist_free_all);

    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    // The client's address and no other: no proxy from the environment, no redirect.
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (method == "POST") {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, appendHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &reply);

    const CURLcode code = curl_easy_perform(handle);
    if (code != CURLE_OK) {
        reply.error = curl_easy_strerror(code);
        reply.headers.clear();
        reply.body.clear();
        return reply;
    }
    reply.reached = true;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply.status);
    return reply;
}

}  // namespace platform
