#include "settings/directory_import.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "numbers/decimal.h"
#include "platform/utf8_text.h"
#include "platform/windows1251_text.h"
#include "settings/directory.h"
#include "settings/wording.h"

namespace settings {

namespace {

// The blanks the profile functions trim around names and values.
bool isBlankByte(char c) {
    return (c >= 0x09 && c <= 0x0D) || c == ' ' || c == 0x1A;
}

std::string trimmed(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && isBlankByte(text[first])) ++first;
    while (last > first && isBlankByte(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

// A value as a read gives it: one pair of equal outer quotes removed.
std::string cooked(std::string value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string folded(std::string_view name) {
    std::string result(name);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

struct Key {
    std::string name;
    std::optional<std::string> value;  // none for a line without '='
    int line;
};

struct Section {
    std::string name;
    int line;
    std::vector<Key> keys;
    bool used = false;
};

struct Numbered {
    int32_t number;
    std::string value;
    int line;
};

// What the findings call an entry of a numbered section, one text per
// kind so that each reads whole in any language.
struct EntryTexts {
    const char* notNumber;     // the key's name
    const char* repeats;       // the key's name, the earlier line
    const char* empty;         // the key's name
    const char* holdsBracket;  // the value
};
constexpr EntryTexts kCityTexts{N_("key %s is no city number (1, 2, ...); not read"),
                                N_("city %s repeats the one on line %s; only that one is read"),
                                N_("city %s is empty; skipped"),
                                N_("city %s holds ']': no section can be named with it")};
constexpr EntryTexts kProviderTexts{N_("key %s is no provider number (1, 2, ...); not read"),
                                    N_("provider %s repeats the one on line %s; only that one is read"),
                                    N_("provider %s is empty; skipped"),
                                    N_("provider %s holds ']': no section can be named with it")};
constexpr EntryTexts kRetrackerTexts{N_("key %s is no retracker number (1, 2, ...); not read"),
                                     N_("retracker %s repeats the one on line %s; only that one is read"),
                                     N_("retracker %s is empty; skipped"), nullptr};

class Checker {
public:
    explicit Checker(const Wording& wording) : wording_(wording) {}

    std::vector<DirectoryProblem> problems;

    void error(int line, const char* format, std::initializer_list<std::string> parts = {}) {
        problems.push_back({line, true, worded(wording_, format, parts)});
    }
    void warning(int line, const char* format, std::initializer_list<std::string> parts = {}) {
        problems.push_back({line, false, worded(wording_, format, parts)});
    }
    // A directory text (Windows-1251) in the reader's form.
    std::string name(const std::string& windows1251) const { return wording_.name(windows1251); }
    std::string quotedName(const std::string& windows1251) const { return quoted(name(windows1251)); }

    void parse(const std::vector<std::string>& lines) {
        for (size_t i = 0; i < lines.size(); ++i) {
            const int line = static_cast<int>(i) + 1;
            const std::string text = trimmed(lines[i]);
            if (text.empty() || text[0] == ';') continue;
            if (text[0] == '[') {
                const size_t close = text.find(']');
                const std::string name =
                    trimmed(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
                const auto known = index_.find(folded(name));
                if (known != index_.end()) {
                    warning(line, N_("section [%s] repeats the one on line %s; only that one is read"),
                            {this->name(name), std::to_string(sections_[known->second].line)});
                    current_ = nullptr;
                    skipping_ = true;  // its keys are not read either
                    continue;
                }
                index_[folded(name)] = sections_.size();
                sections_.push_back({name, line, {}});
                current_ = &sections_.back();
                skipping_ = false;
                continue;
            }
            const size_t equals = text.find('=');
            if (!current_) {
                if (!skipping_) warning(line, N_("outside any section; not read"));
                continue;
            }
            if (equals == std::string::npos) {
                warning(line, N_("no '=': not read as a value"));
                current_->keys.push_back({text, std::nullopt, line});
            } else {
                current_->keys.push_back(
                    {trimmed(text.substr(0, equals)), cooked(trimmed(text.substr(equals + 1))), line});
            }
        }
    }

    // Walks cities, providers and retracker sections as the programs do.
    int check() {
        Section* cities = find(citySection());
        if (!cities) {
            error(0, N_("no section [%s]: the directory lists no city"), {name(citySection())});
            return 0;
        }
        int usable = 0;
        const std::vector<Numbered> cityList = numbered(*cities, kCityTexts);
        if (cityList.empty()) error(cities->line, N_("section [%s] lists no city"), {name(citySection())});
        for (const Numbered& city : cityList) {
            if (!nameFits(city, kCityTexts)) continue;
            Section* providers = find(providerSection(city.value));
            if (!providers) {
                error(city.line, N_("city %s has no section [%s]"),
                      {quotedName(city.value), name(providerSection(city.value))});
                continue;
            }
            const std::vector<Numbered> providerList = numbered(*providers, kProviderTexts);
            if (providerList.empty()) error(providers->line, N_("city %s lists no provider"), {quotedName(city.value)});
            bool cityUsable = false;
            for (const Numbered& provider : providerList)
                if (nameFits(provider, kProviderTexts) && checkRetrackers(city, provider)) cityUsable = true;
            if (cityUsable) ++usable;
        }
        for (const Section& section : sections_)
            if (!section.used)
                warning(section.line, N_("section [%s] is used by no city and provider"), {name(section.name)});
        return usable;
    }

    // Room for a section per line, so that current_ stays valid.
    void reserve(size_t lines) { sections_.reserve(lines); }

private:
    const Wording& wording_;
    std::vector<Section> sections_;
    std::map<std::string, size_t> index_;
    Section* current_ = nullptr;
    bool skipping_ = false;  // inside a repeated section

    Section* find(const std::string& name) {
        const auto found = index_.find(folded(name));
        if (found == index_.end()) return nullptr;
        sections_[found->second].used = true;
        return &sections_[found->second];
    }

    bool nameFits(const Numbered& entry, const EntryTexts& texts) {
        if (entry.value.find(']') == std::string::npos) return true;
        error(entry.line, texts.holdsBracket, {quotedName(entry.value)});
        return false;
    }

    // The numbered keys of a section with values, as numberedNames reads
    // them; the count key is left to the caller.
    std::vector<Numbered> numbered(const Section& section, const EntryTexts& texts) {
        std::vector<Numbered> entries;
        std::map<int32_t, int> seen;
        for (const Key& key : section.keys) {
            if (!key.value || folded(key.name) == folded(countKey())) continue;
            int32_t number = 0;
            if (!numbers::readCanonicalInt32(key.name, number) || number < 1) {
                warning(key.line, texts.notNumber, {quotedName(key.name)});
                continue;
            }
            const auto earlier = seen.find(number);
            if (earlier != seen.end()) {
                warning(key.line, texts.repeats, {key.name, std::to_string(earlier->second)});
                continue;
            }
            seen[number] = key.line;
            if (key.value->empty()) {
                warning(key.line, texts.empty, {key.name});
                continue;
            }
            entries.push_back({number, *key.value, key.line});
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Numbered& a, const Numbered& b) { return a.number < b.number; });
        return entries;
    }

    bool checkRetrackers(const Numbered& city, const Numbered& provider) {
        const std::string name = retrackerSection(city.value, provider.value);
        Section* section = find(name);
        if (!section) {
            error(provider.line, N_("provider %s of city %s has no section [%s]"),
                  {quotedName(provider.value), quotedName(city.value), this->name(name)});
            return false;
        }
        const Key* countLine = nullptr;
        for (const Key& key : section->keys)
            if (key.value && folded(key.name) == folded(countKey())) {
                countLine = &key;
                break;
            }
        int32_t count = 0;
        if (!countLine) {
            error(section->line, N_("section [%s] has no %s: none of its retrackers is read"),
                  {this->name(name), this->name(countKey())});
            return false;
        }
        if (!numbers::readCanonicalInt32(*countLine->value, count) || count < 1) {
            error(countLine->line, N_("%s %s is no number from 1"),
                  {this->name(countKey()), quotedName(*countLine->value)});
            return false;
        }
        const std::vector<Numbered> urls = numbered(*section, kRetrackerTexts);
        bool good = false;
        int32_t highest = 0;
        for (const Numbered& url : urls) {
            if (url.number > count) {
                warning(url.line, N_("retracker %s is above %s %s; never read"),
                        {std::to_string(url.number), this->name(countKey()), std::to_string(count)});
                continue;
            }
            highest = url.number;
            const std::string fault = urlFault(url.value);
            if (!fault.empty())
                error(url.line, N_("retracker %s %s: %s"), {std::to_string(url.number), quotedName(url.value), fault});
            else
                good = true;
        }
        if (highest < count)
            warning(countLine->line, N_("%s %s is above the retrackers present (%s); the missing ones are skipped"),
                    {this->name(countKey()), std::to_string(count), std::to_string(highest)});
        if (urls.empty()) error(section->line, N_("section [%s] lists no retracker"), {this->name(name)});
        return good;
    }

    // What is wrong with a retracker's address, "" when nothing.
    std::string urlFault(const std::string& url) const {
        for (char c : url)
            if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F)
                return wording_.message(N_("holds a blank or a control character"));
        const size_t scheme = url.find("://");
        const std::string name = scheme == std::string::npos ? std::string() : folded(url.substr(0, scheme));
        if (name != "http" && name != "https" && name != "udp") return wording_.message(N_("not an http://, https:// or udp:// address"));
        const size_t hostStart = scheme + 3;
        const size_t hostEnd = std::min(url.find_first_of("/?#", hostStart), url.size());
        std::string host = url.substr(hostStart, hostEnd - hostStart);
        const size_t bracket = host.rfind(']');
        const size_t colon = host.rfind(':');
        if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
            const std::string port = host.substr(colon + 1);
            int32_t number = 0;
            if (!numbers::readCanonicalInt32(port, number) || number < 1 || number > 65535)
                return worded(wording_, N_("port %s is no number from 1 to 65535"), {quotedName(port)});
            host.resize(colon);
        }
        if (host.empty()) return wording_.message(N_("no host name"));
        for (char c : host)
            if (static_cast<unsigned char>(c) >= 0x80) return wording_.message(N_("the host name is not ASCII"));
        return "";
    }
};

// The text split at CR LF, LF and CR; a last line end starts no line.
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

size_t characterCount(std::string_view utf8) {
    return static_cast<size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

bool DirectoryImport::refused() const {
    return std::any_of(problems.begin(), problems.end(), [](const DirectoryProblem& p) { return p.error; });
}

DirectoryImport importDirectoryText(std::string_view bytes, const Wording& wording) {
    DirectoryImport result;
    Checker checker(wording);
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        checker.error(0, N_("saved as UTF-16; save it as UTF-8 or Windows-1251"));
        result.problems = std::move(checker.problems);
        return result;
    }
    const bool bom = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (bom) bytes.remove_prefix(3);
    const bool utf8 = bom || (platform::isUtf8(bytes) && std::any_of(bytes.begin(), bytes.end(), [](char c) {
                                  return static_cast<unsigned char>(c) >= 0x80;
                              }));
    result.encoding = bom ? wording.message(N_("UTF-8 with a byte-order mark")) : utf8 ? "UTF-8" : "Windows-1251";

    std::vector<std::string> lines = splitLines(bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        std::string& text = lines[i];
        if (text.find('\0') != std::string::npos) {
            checker.error(line, N_("holds a NUL byte"));
            continue;
        }
        if (utf8) {
            // A character without a form is reported once per line and read
            // as '?', so that the rest of the file is still checked.
            std::string converted, part;
            std::string_view rest = text;
            size_t at = 0;
            bool reported = false;
            while (!platform::utf8ToWindows1251(rest, part, at)) {
                if (!reported) {
                    const size_t offset = text.size() - rest.size() + at;
                    const std::string column =
                        std::to_string(characterCount(std::string_view(text).substr(0, offset)) + 1);
                    checker.error(line,
                                  platform::isUtf8(text) ? N_("character %s has no Windows-1251 form")
                                                         : N_("character %s is no well-formed UTF-8"),
                                  {column});
                    reported = true;
                }
                converted += part + "?";
                size_t skip = at + 1;
                while (skip < rest.size() && (static_cast<unsigned char>(rest[skip]) & 0xC0) == 0x80) ++skip;
                rest.remove_prefix(skip);
            }
            text = converted + part;
        } else if (const size_t at = text.find('\x98'); at != std::string::npos) {
            checker.error(line, N_("byte %s (0x98) is no Windows-1251 character"), {std::to_string(at + 1)});
        }
    }
    checker.reserve(lines.size());
    checker.parse(lines);
    result.cities = checker.check();
    result.problems = std::move(checker.problems);
    std::stable_sort(result.problems.begin(), result.problems.end(),
                     [](const DirectoryProblem& a, const DirectoryProblem& b) { return a.line < b.line; });
    if (result.refused()) return result;
    for (const std::string& line : lines) result.text += line + "\r\n";
    return result;
}

}  // namespace settings
