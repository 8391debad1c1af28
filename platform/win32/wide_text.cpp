#include "platform/win32/wide_text.h"

#include <windows.h>

#include <climits>

namespace platform {

namespace {

// The conversion calls count in int; longer texts are not converted.
bool fitsInt(size_t size) { return size <= static_cast<size_t>(INT_MAX); }

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty() || !fitsInt(text.size())) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

}  // namespace

std::wstring wideFromUtf8(std::string_view text) { return toWide(CP_UTF8, text); }

std::wstring wideFromAnsi(std::string_view text) { return toWide(CP_ACP, text); }

std::string utf8FromWide(std::wstring_view text) {
    if (text.empty() || !fitsInt(text.size())) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring wideFromUtf8OrAnsi(std::string_view text) {
    std::wstring wide;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                              : lead >= 0xF0 && lead < 0xF5  ? 4 : 0;
        bool utf8 = length > 1 && i + length <= text.size();
        for (size_t k = 1; utf8 && k < length; ++k) utf8 = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        const size_t taken = utf8 ? length : 1;
        const std::wstring part = lead < 0x80 ? std::wstring(1, static_cast<wchar_t>(lead))
                                  : utf8      ? wideFromUtf8(text.substr(i, taken))
                                              : wideFromAnsi(text.substr(i, taken));
        wide += part.empty() ? std::wstring(1, L'?') : part;
        i += taken;
    }
    return wide;
}

bool ansiFromWide(std::wstring_view text, std::string& ansi) {
    ansi.clear();
    if (text.empty()) return true;
    if (!fitsInt(text.size())) return false;
    // A system whose ANSI code page is UTF-8 fits every character.
    if (GetACP() == CP_UTF8) {
        ansi = utf8FromWide(text);
        return true;
    }
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int needed =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &lossy);
    if (needed <= 0 || lossy) return false;
    ansi.resize(static_cast<size_t>(needed));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, ansi.data(), needed, nullptr, nullptr);
    return true;
}

}  // namespace platform
