#include "probe/console_print.h"

#include <cstdarg>
#include <cstdio>

#include "platform/console.h"
#include "platform/translation.h"

namespace {

std::string formatList(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

std::string formatText(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = formatList(format, arguments);
    va_end(arguments);
    return text;
}

void consolePrint(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const std::string text = formatList(format, arguments);
    va_end(arguments);
    platform::consoleWrite(text);
}

const char* tr(const char* id) { return platform::translated(id); }

const char* ntr(const char* id, const char* plural, unsigned long n) {
    return platform::translatedPlural(id, plural, n);
}

std::string shown(const std::string& name) { return platform::consoleDirectoryText(name); }

const settings::Wording& consoleWording() {
    static const settings::Wording wording{tr, shown};
    return wording;
}
