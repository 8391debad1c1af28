// splitTrackerUrl on any URL: no crash; the host is a part of the URL that
// holds neither ':' nor '/'.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "probe/tracker_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view url(reinterpret_cast<const char*>(data), size);
    TrackerHostPort split = splitTrackerUrl(url);
    if (url.find(split.host) == std::string_view::npos) std::abort();
    if (split.host.find_first_of(":/") != std::string::npos) std::abort();
    return 0;
}
