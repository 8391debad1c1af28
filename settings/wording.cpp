#include "settings/wording.h"

#include "platform/directory_text.h"
#include "platform/translation.h"

namespace settings {

namespace {

const char* englishText(const char* english) { return english; }
std::string logName(const std::string& name) { return platform::directoryTextForLog(name); }

}  // namespace

const Wording& logWording() {
    static const Wording wording{englishText, logName};
    return wording;
}

const Wording& noticeWording() {
    static const Wording wording{platform::translatedUtf8, logName};
    return wording;
}

std::string worded(const Wording& wording, const char* format, std::initializer_list<std::string> parts) {
    std::string text = wording.message(format);
    size_t from = 0;
    for (const std::string& part : parts) {
        const size_t at = text.find("%s", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, part);
        from = at + part.size();
    }
    return text;
}

}  // namespace settings
