#include "platform/console.h"

#include "platform/windows1251_text.h"

#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <langinfo.h>
#include <string>

namespace platform {

namespace {

Charset consoleCharset = Charset::Ascii;

// The first of the variables that is set and not empty; "" when none is.
std::string firstSet(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (const char* value = std::getenv(name); value && *value) return value;
    return {};
}

// The codeset part of a locale name: "UTF-8" of "ru_RU.UTF-8@euro".
std::string_view codesetOfName(std::string_view name) {
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view rest = name.substr(dot + 1);
    return rest.substr(0, rest.find('@'));
}

}  // namespace

void setupConsole() {
    // Only the character set is taken from the environment; the program
    // itself keeps running in the "C" locale so nothing else depends on it.
    // A locale that is not generated (or a static program, which loads none)
    // still tells its character set by its name.
    if (std::setlocale(LC_CTYPE, "")) {
        consoleCharset = charsetNamed(nl_langinfo(CODESET));
        std::setlocale(LC_CTYPE, "C");
    } else {
        consoleCharset = charsetNamed(codesetOfName(firstSet({"LC_ALL", "LC_CTYPE", "LANG"})));
    }
}

bool consoleLanguageRussian() {
    // gettext's order; of a LANGUAGE list ("ru:en") the first entry counts.
    const std::string name = firstSet({"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"});
    const bool russian = name.size() >= 2 && name.compare(0, 2, "ru") == 0 &&
                         (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == ':' || name[2] == '@');
    return russian && consoleCharset != Charset::Ascii;
}

std::string consoleDirectoryText(std::string_view windows1251) {
    return windows1251ToCharset(windows1251, consoleCharset);
}

std::string consoleMessageText(std::string_view utf8) { return utf8ToCharset(utf8, consoleCharset); }

void consoleWrite(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
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
