#include "platform/console.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/wide_text.h"

namespace platform {

void setupConsole() {
    // The console shows the ANSI code page's bytes as they are (Cyrillic with 1251).
    SetConsoleCP(GetACP());
    SetConsoleOutputCP(GetACP());
}

bool userLanguageRussian() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_RUSSIAN; }

bool consoleLanguageRussian() { return userLanguageRussian(); }

std::string consoleDirectoryText(std::string_view windows1251) {
    // Read as the system reads it, in the ANSI code page.
    const std::wstring wide = wideFromAnsi(windows1251);
    return wide.empty() ? std::string(windows1251) : utf8FromWide(wide);
}

std::string consoleMessageText(std::string_view utf8) { return std::string(utf8); }

void consoleWrite(std::string_view text) {
    if (text.empty()) return;
    const std::wstring wide = wideFromUtf8OrAnsi(text);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode)) {
        // A console shows every character this way, whatever its code page.
        DWORD written = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Redirected: the console's code page (the ANSI one), as printf wrote it;
    // a character it lacks becomes "?".
    UINT codePage = GetConsoleOutputCP();
    if (codePage == 0) codePage = CP_ACP;
    const int needed =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(needed > 0 ? static_cast<size_t>(needed) : 0, '\0');
    if (needed > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), needed, nullptr,
                            nullptr);
    // Standard output stays in text mode, as printf writes it.
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

}  // namespace platform
