#include "augment/log.h"

#include "platform/ascii_text.h"
#include "platform/process_files.h"
#include "settings/wording.h"

std::string logTimestamp(const std::tm& local) {
    static const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // asctime pads the day with a space; the log has always used a leading zero.
    char text[64];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %d", kWeekdays[(local.tm_wday % 7 + 7) % 7],
                  kMonths[(local.tm_mon % 12 + 12) % 12], local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, local.tm_year + 1900);
    return text;
}

std::string escapedForLog(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!platform::isControlByte(c)) {
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            static const char kHex[] = "0123456789abcdef";
            const auto byte = static_cast<unsigned char>(c);
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 15]};
        }
    }
    return out;
}

bool Log::open(const std::string& path) {
    close();
    file_ = platform::openLogForAppend(path);
    return file_ != nullptr;
}

void Log::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void Log::message(const std::string& text) const { message(text, text); }

void Log::say(const char* format, std::initializer_list<std::string> parts) const {
    if (!file_) return;
    message(settings::worded(settings::logWording(), format, parts),
            settings::worded(settings::noticeWording(), format, parts));
}

void Log::message(const std::string& text, const std::string& shown) const {
    if (!file_) return;
    std::time_t now = std::time(nullptr);
    // Tavrin has one thread, so the shared buffer of localtime is safe here.
    const std::tm* local = std::localtime(&now);
    std::string stamp = local ? logTimestamp(*local) : std::string("??? ??? 00 00:00:00 0000");
    stamp += ' ';
    const std::string escaped = escapedForLog(text);
    std::fwrite(stamp.data(), 1, stamp.size(), file_);
    std::fwrite(escaped.data(), 1, escaped.size(), file_);
    std::fputc('\n', file_);
    // A run that is killed or hangs in a later step still leaves its lines.
    std::fflush(file_);
    written_.push_back(shown == text ? escaped : escapedForLog(shown));
}
