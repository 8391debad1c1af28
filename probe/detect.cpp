#include "probe/detect.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "numbers/decimal.h"
#include "platform/net.h"
#include "probe/console_print.h"
#include "probe/selection.h"
#include "probe/tracker_probe.h"
#include "settings/directory.h"
#include "settings/profile.h"

namespace {

struct Candidate {
    NumberedName city;
    NumberedName provider;
    std::vector<size_t> entries;  // its retrackers' positions in the probe list
    int answers = 0;
    bool atProviderAddress = false;
};

bool readIpv4(std::string_view text, uint8_t (&parts)[4]) {
    for (int i = 0; i < 4; ++i) {
        size_t digits = 0;
        unsigned value = 0;
        while (digits < text.size() && digits < 3 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
        if (digits == 0 || value > 255) return false;
        parts[i] = static_cast<uint8_t>(value);
        text.remove_prefix(digits);
        if (i < 3) {
            if (text.empty() || text.front() != '.') return false;
            text.remove_prefix(1);
        }
    }
    return text.empty();
}

bool privateIpv4(const uint8_t (&a)[4]) {
    return a[0] == 10 || a[0] == 127 || (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
           (a[0] == 100 && (a[1] & 0xC0) == 64) || (a[0] == 169 && a[1] == 254);
}

}  // namespace

bool isProviderAddress(std::string_view address) {
    uint8_t parts[4];
    if (readIpv4(address, parts)) return privateIpv4(parts);
    std::string text(address);
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (text == "::1") return true;
    constexpr std::string_view kMapped = "::ffff:";
    if (text.compare(0, kMapped.size(), kMapped) == 0) return readIpv4(address.substr(kMapped.size()), parts) && privateIpv4(parts);
    // The first group must have all four digits for its leading byte to be fc..ff.
    const size_t colon = text.find(':');
    if (colon != 4) return false;
    const std::string_view group = std::string_view(text).substr(0, 4);
    if (group.find_first_not_of("0123456789abcdef") != std::string_view::npos) return false;
    const unsigned value = static_cast<unsigned>(std::stoul(std::string(group), nullptr, 16));
    return (value & 0xFE00) == 0xFC00 || (value & 0xFFC0) == 0xFE80;
}

int detectProvider(const settings::RunPaths& run, const NetworkStart& startNetwork) {
    std::string directory;
    const std::vector<ListedCity> cities = listedCitiesOrCause(run, directory);
    if (cities.empty()) return 1;
    int networkError = 0;
    if (!startNetwork(&networkError)) {
        consolePrint(tr("Network start failed with code %d\n"), networkError);
        return 1;
    }

    // Each URL is probed once, however many providers list it.
    std::vector<Candidate> candidates;
    std::vector<TrackerProbe> probes;
    std::map<std::string, size_t> probed;
    int unprovable = 0;
    for (const ListedCity& city : cities) {
        for (const NumberedName& provider : city.providers) {
            Candidate candidate{city.city, provider, {}, 0, false};
            const std::string section = retrackerSection(city.city.name, provider.name);
            for (NumberedUrl& numbered : retrackerUrls(directory, section, 1, retrackerCount(directory, section))) {
                if (numbered.url.compare(0, 8, "https://") == 0) {
                    ++unprovable;
                    continue;
                }
                const auto [place, added] = probed.try_emplace(numbered.url, probes.size());
                if (added) {
                    TrackerProbe probe;
                    probe.url = std::move(numbered.url);
                    probe.wantsAnswer = splitTrackerUrl(probe.url).transport == platform::Transport::Tcp;
                    probes.push_back(std::move(probe));
                }
                candidate.entries.push_back(place->second);
            }
            candidates.push_back(std::move(candidate));
        }
    }
    consolePrint(tr("Detecting: %d retrackers of %d providers\n"), static_cast<int>(probes.size()),
                 static_cast<int>(candidates.size()));
    if (unprovable > 0) consolePrint(tr("%d https:// retrackers left out: their answer cannot be checked\n"), unprovable);

    runProbe(probes);
    platform::netCleanup();
    if (networkWasDown(probes)) {
        consolePrint(tr("Network unreachable: no retracker could be tried; nothing stored\n"));
        return 1;
    }

    for (Candidate& candidate : candidates) {
        for (const size_t entry : candidate.entries) {
            const TrackerProbe& probe = probes[entry];
            if (probe.state != ProbeConnected) continue;
            ++candidate.answers;
            if (probe.fromNameServer || isProviderAddress(platform::addressText(probe.address)))
                candidate.atProviderAddress = true;
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.answers > b.answers; });
    std::vector<const Candidate*> found;
    for (const Candidate& candidate : candidates) {
        if (candidate.answers == 0) continue;
        if (candidate.atProviderAddress) {
            found.push_back(&candidate);
            continue;
        }
        consolePrint(tr("Answered at public addresses only (not counted): %d %d %s, %s (%d)\n"), candidate.city.number,
                     candidate.provider.number, shown(candidate.city.name).c_str(), shown(candidate.provider.name).c_str(),
                     candidate.answers);
    }
    for (const Candidate* candidate : found) {
        consolePrint(tr("Detected: %d %d %s, %s (%d answered)\n"), candidate->city.number, candidate->provider.number,
                     shown(candidate->city.name).c_str(), shown(candidate->provider.name).c_str(), candidate->answers);
    }
    // Several found are kept for --choose; otherwise an earlier list goes.
    std::string detected;
    for (const Candidate* candidate : found) {
        if (found.size() < 2) break;
        if (!detected.empty()) detected += ' ';
        detected += decimalString(candidate->city.number) + " " + decimalString(candidate->provider.number);
    }
    if (!detected.empty() || !settings::readSetting(run.settingsPath, settings::kDetectedProviders).empty())
        writeProfileStrings(settings::kSection, {{settings::kDetectedProviders, detected}}, run.settingsPath);
    if (found.empty()) {
        consolePrint(tr("No provider's retracker answered; choose yours with keswel --choose\n"));
        return 1;
    }
    if (found.size() > 1) {
        consolePrint(tr("Several providers answered; no choice stored. Store yours with keswel --select CITY PROVIDER "
                     "(the numbers above) or keswel --choose, which shows them first\n"));
        return 0;
    }
    return storeAndProbe(run, found.front()->city, found.front()->provider, startNetwork);
}
