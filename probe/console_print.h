// printf-style text for Keswel's console lines.
#pragma once

#include <string>

#include "settings/setup_check.h"

#if defined(__GNUC__)
#define KESWEL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#define KESWEL_FORMAT_ARG(a) __attribute__((format_arg(a)))
#else
#define KESWEL_PRINTF_FORMAT(f, a)
#define KESWEL_FORMAT_ARG(a)
#endif

// The text snprintf would produce, of any length.
std::string formatText(const char* format, ...) KESWEL_PRINTF_FORMAT(1, 2);

// formatText written to the console with platform::consoleWrite.
void consolePrint(const char* format, ...) KESWEL_PRINTF_FORMAT(1, 2);

// A message in the user's language, in the console's form; printf checks its
// arguments against the English text. The texts live in po/ru.po.
const char* tr(const char* id) KESWEL_FORMAT_ARG(1);
// The same for a message with a count: `plural` is the English for n other than 1.
const char* ntr(const char* id, const char* plural, unsigned long n) KESWEL_FORMAT_ARG(1) KESWEL_FORMAT_ARG(2);

// A name from the directory (Windows-1251) in the console's form.
std::string shown(const std::string& name);

// The setup check's findings worded for the console: tr and shown.
const settings::Wording& consoleWording();
