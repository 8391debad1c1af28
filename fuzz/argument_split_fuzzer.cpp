// The Linux client launch's argument splitter on any template: no crash; a
// "%1" in it puts the inserted path, unparsed, inside one argument; any text
// quoted for a Windows command line comes back from the split unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/command_line.h"
#include "platform/posix/argument_split.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    platform::splitWindowsArguments(text);
    for (platform::Quotes quotes : {platform::Quotes::Always, platform::Quotes::WhenNeeded}) {
        const auto back = platform::splitWindowsArguments(platform::quotedWindowsArgument(text, quotes));
        if (back.size() != 1 || back.front() != text) std::abort();
    }
    const std::string_view insert = "/tmp/a \"b\\\" c.torrent";
    size_t placeholder = text.find("%1");
    if (placeholder == std::string_view::npos) return 0;
    bool found = false;
    for (const std::string& argument : platform::splitWindowsArguments(text, placeholder, insert))
        found = found || argument.find(insert) != std::string::npos;
    if (!found) std::abort();
    return 0;
}
