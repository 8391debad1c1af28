// splitTrackerUrl on any URL: no crash; the host is a part of the URL that
// holds neither ':' nor '/', unless the URL holds it in brackets; the
// transport is UDP exactly for a leading "udp://".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "probe/tracker_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view url(reinterpret_cast<const char*>(data), size);
    TrackerHostPort split = splitTrackerUrl(url);
    if (url.find(split.host) == std::string_view::npos) std::abort();
    const bool bracketed = url.find("[" + split.host + "]") != std::string_view::npos;
    if (!bracketed && split.host.find_first_of(":/") != std::string::npos) std::abort();
    const bool udp = url.substr(0, 6) == "udp://";
    if (udp != (split.transport == platform::Transport::Udp)) std::abort();
    return 0;
}
