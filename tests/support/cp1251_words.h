// Windows-1251 words used by the tests, as byte escapes so that
// nothing depends on the encoding of the source files. Macros, so that they
// join neighbouring string literals.
#pragma once

#define CP1251_CITY "\xC3\xEE\xF0\xEE\xE4"                               // Город
#define CP1251_CITY_UPPER "\xC3\xCE\xD0\xCE\xC4"                         // ГОРОД
#define CP1251_CITY_LOWER "\xE3\xEE\xF0\xEE\xE4"                         // город
#define UTF8_CITY "\xD0\x93\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4"             // Город in UTF-8
#define UTF8_PROVIDERS "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB0\xD0\xB9\xD0\xB4\xD0\xB5\xD1\x80\xD1\x8B"  // Провайдеры in UTF-8
#define UTF8_RETRACKERS "\xD0\xA0\xD0\xB5\xD1\x82\xD1\x80\xD0\xB5\xD0\xBA\xD0\xB5\xD1\x80\xD1\x8B"      // Ретрекеры in UTF-8
#define UTF8_COUNT "\xD0\x9A\xD0\xBE\xD0\xBB\xD0\xB8\xD1\x87\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE"  // Количество in UTF-8
#define CP1251_KEY "\xCA\xEB\xFE\xF7"                                    // Ключ
#define CP1251_KEY_UPPER "\xCA\xCB\xDE\xD7"                              // КЛЮЧ
#define CP1251_PROVIDERS "\xCF\xF0\xEE\xE2\xE0\xE9\xE4\xE5\xF0\xFB"      // Провайдеры
#define CP1251_RETRACKERS "\xD0\xE5\xF2\xF0\xE5\xEA\xE5\xF0\xFB"         // Ретрекеры
#define CP1251_RETRACKERS_UPPER "\xD0\xC5\xD2\xD0\xC5\xCA\xC5\xD0\xDB"   // РЕТРЕКЕРЫ
#define CP1251_COUNT "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE"          // Количество
#define CP1251_VALUE "\xE7\xED\xE0\xF7\xE5\xED\xE8\xE5"                  // значение

// The words as Tavrin's log and the setup check quote them: UTF-8 on Linux,
// Windows-1251 (the ANSI code page's bytes) on Windows.
#ifdef _WIN32
#define LOG_CITY CP1251_CITY
#define LOG_PROVIDERS CP1251_PROVIDERS
#define LOG_RETRACKERS CP1251_RETRACKERS
#define LOG_COUNT CP1251_COUNT
#else
#define LOG_CITY UTF8_CITY
#define LOG_PROVIDERS "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB0\xD0\xB9\xD0\xB4\xD0\xB5\xD1\x80\xD1\x8B"
#define LOG_RETRACKERS "\xD0\xA0\xD0\xB5\xD1\x82\xD1\x80\xD0\xB5\xD0\xBA\xD0\xB5\xD1\x80\xD1\x8B"
#define LOG_COUNT "\xD0\x9A\xD0\xBE\xD0\xBB\xD0\xB8\xD1\x87\xD0\xB5\xD1\x81\xD1\x82\xD0\xB2\xD0\xBE"
#endif

// Whether the tests run under Wine, whose private-profile functions differ
// from Windows' in a few places (rows marked so in the tables are skipped).
#ifdef RETRACKERS_UNDER_WINE
constexpr bool kUnderWine = true;
#else
constexpr bool kUnderWine = false;
#endif
