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
