// How findings about the settings and the directory are worded for their
// reader: the log keeps the English, Keswel's console gives the user's
// language. The English texts are the catalogue's message ids (po/).
#pragma once

#include <initializer_list>
#include <string>

namespace settings {

// `message` gives the text for an English format (each "%s" stands for one
// part, filled in order), `name` a directory name (Windows-1251) in the
// reader's form. The log's wording keeps the English and gives names as
// platform::directoryTextForLog; Keswel's console gives the user's language
// and the console's form.
struct Wording {
    const char* (*message)(const char* english);
    std::string (*name)(const std::string& windows1251);
};
const Wording& logWording();
// The desktop notice's wording: the user's language in UTF-8, names as the
// log gives them.
const Wording& noticeWording();

// Marks an English text for the message catalogue; a wording translates it.
constexpr const char* N_(const char* english) { return english; }

// The wording's text for `format` with each "%s" replaced by the next part.
std::string worded(const Wording& wording, const char* format, std::initializer_list<std::string> parts);

}  // namespace settings
