#include "platform/console.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <iconv.h>
#include <langinfo.h>
#include <string>
#include <strings.h>

namespace platform {

namespace {

bool utf8Console = false;

// Windows-1251 bytes as UTF-8. A byte the code page leaves unassigned (0x98)
// shows as U+FFFD instead of ending the line.
std::string windows1251ToUtf8(std::string_view text) {
    static iconv_t converter = iconv_open("UTF-8", "WINDOWS-1251");
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text);
    std::string result;
    result.reserve(text.size() * 2);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
        result.append(buffer, static_cast<size_t>(out - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            result += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    return result;
}

}  // namespace

void setupConsole() {
    // Only the character set is taken from the environment; the program
    // itself keeps running in the "C" locale so nothing else depends on it.
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    utf8Console = codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0);
    std::setlocale(LC_CTYPE, "C");
}

void consoleWrite(std::string_view text) {
    if (utf8Console) {
        const std::string converted = windows1251ToUtf8(text);
        std::fwrite(converted.data(), 1, converted.size(), stdout);
    } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
}

}  // namespace platform
