#include "platform/posix/windows1251_text.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

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
}  // namespace platform
