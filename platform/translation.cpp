#include "platform/translation.h"

#include <cstring>
#include <map>
#include <utility>

#include "platform/console.h"

namespace platform {

extern const CatalogueEntry kRussianCatalogue[];
extern const size_t kRussianCatalogueSize;

namespace {

const CatalogueEntry* russianEntry(const char* id) {
    for (size_t i = 0; i < kRussianCatalogueSize; ++i)
        if (std::strcmp(kRussianCatalogue[i].id, id) == 0) return &kRussianCatalogue[i];
    return nullptr;
}

// Every text handed out, converted once, kept for the run.
const char* kept(const char* id, int form, const char* text) {
    static std::map<std::pair<std::string, int>, std::string> texts;
    auto [place, added] = texts.try_emplace({id, form});
    if (added) place->second = consoleMessageText(text);
    return place->second.c_str();
}

}  // namespace

std::string russianText(const char* id) {
    const CatalogueEntry* entry = russianEntry(id);
    return entry && entry->forms[0] ? entry->forms[0] : "";
}

int russianPluralForm(unsigned long n) {
    if (n % 10 == 1 && n % 100 != 11) return 0;
    if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 10 || n % 100 >= 20)) return 1;
    return 2;
}

const char* translated(const char* id) {
    const CatalogueEntry* entry = consoleLanguageRussian() ? russianEntry(id) : nullptr;
    if (!entry || !entry->forms[0] || !*entry->forms[0]) return kept(id, -1, id);
    return kept(id, 0, entry->forms[0]);
}

const char* translatedUtf8(const char* id) {
    const CatalogueEntry* entry = userLanguageRussian() ? russianEntry(id) : nullptr;
    return entry && entry->forms[0] && *entry->forms[0] ? entry->forms[0] : id;
}

const char* translatedPlural(const char* id, const char* plural, unsigned long n) {
    const CatalogueEntry* entry = consoleLanguageRussian() ? russianEntry(id) : nullptr;
    const int form = russianPluralForm(n);
    if (!entry || !entry->forms[form] || !*entry->forms[form])
        return n == 1 ? kept(id, -1, id) : kept(plural, -2, plural);
    return kept(id, form, entry->forms[form]);
}

}  // namespace platform
