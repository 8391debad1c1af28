// Console output of Keswel and the language of its messages. A console line
// is put together from texts already in the console's form: messages through
// consoleMessageText, the directory's names through consoleDirectoryText,
// paths as the system gives them.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Windows: both console code pages set to the ANSI code page. Linux: notes
// the locale's character set, from the system when the locale exists, else
// from the codeset part of its name in the environment ("ru_RU.UTF-8").
void setupConsole();

// True when the user's language is Russian. Linux: the first of LANGUAGE,
// LC_ALL, LC_MESSAGES and LANG that is set names Russian ("ru",
// "ru_RU.UTF-8", "ru:en"), whether or not that locale is installed.
// Windows: the user's interface language is Russian.
bool userLanguageRussian();

// True when console messages are to be shown in Russian: the user's language
// is Russian and (Linux) the console's character set can show Cyrillic.
bool consoleLanguageRussian();

// A name from the directory (Windows-1251 bytes) in the console's form.
// Linux: in the locale's character set, "?" for what it cannot show.
// Windows: the ANSI code page's text, which the console is set to.
std::string consoleDirectoryText(std::string_view windows1251);

// A message (UTF-8) in the console's form. Linux: in the locale's character
// set, "?" for what it cannot show. Windows: unchanged.
std::string consoleMessageText(std::string_view utf8);

// Writes one piece of a console line to standard output. Linux: bytes
// unchanged. Windows: UTF-8, with any byte that is not part of a UTF-8
// sequence read in the ANSI code page; to a console through its wide
// functions, otherwise in the console's (or ANSI) code page.
void consoleWrite(std::string_view text);

}  // namespace platform
