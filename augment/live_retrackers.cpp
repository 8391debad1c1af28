#include "augment/live_retrackers.h"

#include <algorithm>
#include <limits>
#include <string>

#include "numbers/decimal.h"
#include "platform/directory_text.h"
#include "settings/directory.h"
#include "settings/profile.h"
#include "settings/settings_file.h"

void parseTrackerCheck(const char* text, std::vector<int32_t>& list) {
    std::string_view rest(text);
    numbers::ClampedInt32 read = numbers::readClampedInt32(rest);
    while (read.value != 0) {
        list.push_back(read.value);
        rest.remove_prefix(read.consumed);
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        if (rest.empty()) return;
        read = numbers::readClampedInt32(rest);
    }
}

std::vector<int32_t> liveNumbers(std::string_view trackerCheck) {
    std::string text(trackerCheck);
    if (text.size() >= kProfileValueLimit && text.back() != ' ') {
        const size_t lastSpace = text.rfind(' ');
        text.erase(lastSpace == std::string::npos ? 0 : lastSpace + 1);
    }
    std::vector<int32_t> list;
    parseTrackerCheck(text.c_str(), list);
    return list;
}

LiveRetrackers resolveLiveRetrackers(const settings::SettingsSnapshot& settings) {
    LiveRetrackers live;
    live.choice = settings::chooseDirectorySection(settings, settings::IndexCheck::RejectUnset);
    if (live.choice.failure != settings::DirectoryFailure::None) return live;
    live.addStatistics = settings.is(settings::kAddStat, "True");
    live.localHosts = parseLocalHosts(settings.value(settings::kLocalHosts));

    const std::vector<int32_t> numbers = liveNumbers(settings.value(settings::kTrackerCheck));
    if (numbers.empty()) return live;
    // Numbers above the count are never looked up; negative ones are, like
    // any other number.
    const std::vector<NumberedUrl> urls = retrackerUrls(
        settings.directory(), live.choice.section, std::numeric_limits<int32_t>::min(), live.choice.count);
    for (int32_t number : numbers) {
        auto found = std::lower_bound(urls.begin(), urls.end(), number,
                                      [](const NumberedUrl& url, int32_t n) { return url.number < n; });
        if (found != urls.end() && found->number == number) live.urls.push_back(found->url);
    }
    return live;
}

std::vector<LocalHost> parseLocalHosts(std::string_view value) {
    std::vector<LocalHost> pairs;
    while (!value.empty()) {
        const size_t end = value.find(' ');
        const std::string_view pair = value.substr(0, end);
        value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
        const size_t equals = pair.find('=');
        if (equals == 0 || equals == std::string_view::npos || equals + 1 == pair.size()) continue;
        const std::string_view address = pair.substr(equals + 1);
        const bool plain = address.find_first_not_of("0123456789abcdefABCDEF.:") == std::string_view::npos;
        if (plain) pairs.push_back({std::string(pair.substr(0, equals)), std::string(address)});
    }
    return pairs;
}

std::string withLocalAddress(const std::string& url, const std::vector<LocalHost>& localHosts) {
    size_t start = url.find("://");
    start = start == std::string::npos || start > url.find('/') ? 0 : start + 3;
    const size_t end = std::min(url.find_first_of(":/?#", start), url.size());
    const std::string_view host = std::string_view(url).substr(start, end - start);
    auto lowered = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (const LocalHost& local : localHosts) {
        if (!std::equal(host.begin(), host.end(), local.host.begin(), local.host.end(),
                        [&](char a, char b) { return lowered(a) == lowered(b); }))
            continue;
        const bool ipv6 = local.address.find(':') != std::string::npos;
        return url.substr(0, start) + (ipv6 ? "[" + local.address + "]" : local.address) + url.substr(end);
    }
    return url;
}

std::string failureLine(const settings::DirectoryChoice& choice, const settings::Wording& wording) {
    using settings::DirectoryFailure;
    using settings::N_;
    switch (choice.failure) {
    case DirectoryFailure::None: return {};
    case DirectoryFailure::BadIndex: return wording.message(N_("Bad city or provider"));
    case DirectoryFailure::BadCity: return settings::worded(wording, N_("Bad city %s"), {decimalString(choice.city)});
    case DirectoryFailure::BadProvider:
        return settings::worded(wording, N_("Bad provider %s for city %s"),
                      {decimalString(choice.provider), wording.name(choice.cityName)});
    case DirectoryFailure::NoRetrackers:
        return settings::worded(wording, N_("No active retrackers for provider %s, city %s"),
                      {wording.name(choice.providerName), wording.name(choice.cityName)});
    }
    return {};
}

std::vector<std::string> urlsToAdd(const LiveRetrackers& live, const std::string& name, int64_t size,
                                   const std::string& comment) {
    std::vector<std::string> urls;
    for (std::string url : live.urls) {
        if (live.addStatistics && url.find(kStatisticsHost) != std::string::npos) {
            url += "?name=" + urlEncode(name) + "&size=" + std::to_string(size) + "&comment=" + urlEncode(comment) +
                   "&isp=" + decimalString(live.choice.city) + "+" + decimalString(live.choice.provider);
        }
        urls.push_back(withLocalAddress(url, live.localHosts));
    }
    return urls;
}

std::string urlEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}
