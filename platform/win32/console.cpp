#include "platform/console.h"

#include <windows.h>

#include <cstdio>

namespace platform {

void setupConsole() {
    // The console shows the ANSI code page's bytes as they are (Cyrillic with 1251).
    SetConsoleCP(GetACP());
    SetConsoleOutputCP(GetACP());
}

void consoleWrite(std::string_view text) {
    // Bytes unchanged; standard output stays in text mode, as printf writes it.
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::string consoleTextFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, out.data(), length, "?", nullptr);
    return out;
}

}  // namespace platform
