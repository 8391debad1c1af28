#include "platform/utf8_text.h"
#include <cstddef>

namespace platform {

bool isUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t follow = 0;
        if (lead < 0x80) follow = 0;
        else if (lead >= 0xC2 && lead <= 0xDF) follow = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) follow = 2;
        else if (lead >= 0xF0 && lead <= 0xF4) follow = 3;
        else return false;
        for (size_t k = 1; k <= follow; ++k) {
            if (i + k >= text.size()) return false;
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += follow + 1;
    }
    return true;
}

}  // namespace platform
