#include "platform/console.h"

#include "platform/windows1251_text.h"

#include <clocale>
#include <cstdio>
#include <langinfo.h>
#include <string>
#include <strings.h>

namespace platform {

namespace {

bool utf8Console = false;

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
