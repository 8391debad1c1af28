// parseTrackerCheck on any text: no crash, and the list it gives never holds
// 0, which ends the value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "augment/live_retrackers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated
    std::vector<int32_t> list;
    parseTrackerCheck(text.c_str(), list);
    for (int32_t number : list)
        if (number == 0) std::abort();
    return 0;
}
