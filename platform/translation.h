// Messages in the user's language. The Russian texts come from po/ru.po,
// compiled into the program at build time, so programs that cannot load the
// gettext runtime (the static and the Windows ones) show them too.
#pragma once

#include <string>

namespace platform {

// One entry of a compiled catalogue: `plural` is null for a message without
// plural forms; `forms` holds the translation (one form, or Russian's three).
struct CatalogueEntry {
    const char* id;
    const char* plural;
    const char* forms[3];
};

// The Russian text of a message, "" when the catalogue has none.
std::string russianText(const char* id);

// The Russian plural form for n: 0 for 1, 21, 101; 1 for 2-4, 22-24; 2 for
// the rest (5-20, 25-30, 11-14, 0).
int russianPluralForm(unsigned long n);

// The message in the console's language and form (consoleMessageText): the
// Russian text when consoleLanguageRussian() and the catalogue has it,
// otherwise the English `id` (or `plural` for n other than 1). The pointer
// stays valid for the rest of the run.
const char* translated(const char* id);

// The message in the user's language as UTF-8, whatever the console: the
// Russian text when userLanguageRussian() and the catalogue has it,
// otherwise `id`. For texts shown outside the console (the desktop notice).
const char* translatedUtf8(const char* id);
const char* translatedPlural(const char* id, const char* plural, unsigned long n);

}  // namespace platform
