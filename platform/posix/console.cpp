#include "platform/console.h"

#include "platform/windows1251_text.h"

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

bool userLanguageRussian() {
    // gettext's order; of a LANGUAGE list ("ru:en") the first entry counts.
    const std::string name = firstSet({"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"});
    return name.size() >= 2 && name.compare(0, 2, "ru") == 0 &&
           (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == ':' || name[2] == '@');
}

bool consoleLanguageRussian() { return userLanguageRussian() && consoleCharset != Charset::Ascii; }

std::string consoleDirectoryText(std::string_view windows1251) {
    return windows1251ToCharset(windows1251, consoleCharset);
}

std::string consoleMessageText(std::string_view utf8) { return utf8ToCharset(utf8, consoleCharset); }

void consoleWrite(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace platform
