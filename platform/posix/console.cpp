#include "platform/console.h"

#include "platform/posix/windows1251_text.h"

#include <array>
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

std::string consoleTextFromUtf8(std::string_view text) {
    // The UTF-8 form of each byte 0x80-0xFF, from the one table of the code page.
    static const std::array<std::string, 128> forms = [] {
        std::array<std::string, 128> list;
        for (int byte = 0x80; byte <= 0xFF; ++byte) list[byte - 0x80] = windows1251ToUtf8(std::string(1, char(byte)));
        return list;
    }();
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            out += text[at++];
            continue;
        }
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        const std::string_view character = text.substr(at, length);
        char byte = '?';
        for (size_t i = 0; i < forms.size(); ++i)
            if (forms[i] == character && forms[i] != "\xEF\xBF\xBD") byte = static_cast<char>(0x80 + i);
        out += byte;
        at += character.size();
    }
    return out;
}

}  // namespace platform
