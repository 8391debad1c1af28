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

}  // namespace platform
