// printf-style text for Keswel's console lines.
#pragma once

#include <string>

#if defined(__GNUC__)
#define KESWEL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#else
#define KESWEL_PRINTF_FORMAT(f, a)
#endif

// The text snprintf would produce, of any length.
std::string formatText(const char* format, ...) KESWEL_PRINTF_FORMAT(1, 2);

// formatText written to the console with platform::consoleWrite.
void consolePrint(const char* format, ...) KESWEL_PRINTF_FORMAT(1, 2);
