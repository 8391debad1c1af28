#include "platform/posix/ini_text.h"

#include <cstring>
#include <unordered_set>

namespace platform::ini {

namespace {

bool isBlank(unsigned char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

std::string_view trimBlanks(std::string_view s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && isBlank(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && isBlank(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

unsigned char foldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Stored and queried names match with ASCII letters folded only: the names
// of the retracker directory are Windows-1251 bytes that must match exactly.
bool sameName(std::string_view stored, std::string_view query) {
    if (stored.size() != query.size()) return false;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (foldAscii(static_cast<unsigned char>(stored[i])) != foldAscii(static_cast<unsigned char>(query[i])))
            return false;
    }
    return true;
}

// One line of the text: its bytes are [begin, end), its line end [end, next).
struct Line {
    size_t begin;
    size_t end;
    size_t next;
    bool hasLineEnd() const { return next > end; }
};

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Where the next line starts, given where this one's bytes end: after CR LF,
// a lone CR or a lone LF.
size_t lineEndAfter(std::string_view text, size_t end) {
    if (end >= text.size()) return end;
    if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') return end + 2;
    return end + 1;
}

// Walks the lines from a given start. The next CR and the next LF are each
// found with memchr and remembered until the walk passes them, so a long text
// costs two fast passes whatever its line ends are.
class LineScanner {
public:
    LineScanner(std::string_view text, size_t start)
        : text_(text), pos_(start), nextLf_(find('\n')), nextCr_(find('\r')) {}

    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        if (nextLf_ < pos_) nextLf_ = find('\n');
        if (nextCr_ < pos_) nextCr_ = find('\r');
        size_t end = nextLf_ < nextCr_ ? nextLf_ : nextCr_;
        line = {pos_, end, lineEndAfter(text_, end)};
        pos_ = line.next;
        return true;
    }

private:
    size_t find(char c) const {
        if (pos_ >= text_.size()) return text_.size();
        const void* hit = std::memchr(text_.data() + pos_, c, text_.size() - pos_);
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : text_.size();
    }

    std::string_view text_;
    size_t pos_;
    size_t nextLf_;
    size_t nextCr_;
};

enum class LineKind { Blank, Comment, Section, Key };

struct ParsedLine {
    LineKind kind;
    std::string_view name;   // section or key name, trimmed
    bool hasValue = false;   // the key line holds '='
    std::string_view value;  // trimmed text after the first '='
};

// The first non-blank byte of the line: enough to tell section headers from
// the rest, which is all a scan outside the wanted section needs.
LineKind kindOf(std::string_view text, const Line& line, size_t& first) {
    first = line.begin;
    while (first < line.end && isBlank(static_cast<unsigned char>(text[first]))) ++first;
    if (first == line.end) return LineKind::Blank;
    if (text[first] == '[') return LineKind::Section;
    if (text[first] == ';') return LineKind::Comment;
    return LineKind::Key;
}

ParsedLine parse(std::string_view text, const Line& line) {
    size_t first;
    ParsedLine parsed{kindOf(text, line, first), {}, false, {}};
    std::string_view rest = text.substr(first, line.end - first);
    if (parsed.kind == LineKind::Section) {
        // The name ends at the first ']'; text after it is ignored, and a
        // header without ']' names a section up to the line end.
        std::string_view inside = rest.substr(1);
        parsed.name = trimBlanks(inside.substr(0, inside.find(']')));
    } else if (parsed.kind == LineKind::Key) {
        size_t equals = rest.find('=');
        parsed.name = trimBlanks(rest.substr(0, equals));
        if (equals != std::string_view::npos) {
            parsed.hasValue = true;
            parsed.value = trimBlanks(rest.substr(equals + 1));
        }
    }
    return parsed;
}

// Where a key stands in the text, or where it would be added.
struct KeyPlace {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine{};       // the key's line when found
    ParsedLine key{};     // the key's parsed line when found
    Line anchor{};        // the section's last key line, or its header line
};

// The first line that holds a section header named `section`. Only '[' bytes
// are visited, each checked for standing first on its line after blanks, so
// the lines of other sections are jumped over rather than walked.
std::optional<Line> findSectionHeader(std::string_view text, std::string_view section) {
    size_t pos = 0;
    while (pos < text.size()) {
        const void* hit = std::memchr(text.data() + pos, '[', text.size() - pos);
        if (!hit) break;
        size_t bracket = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        pos = bracket + 1;
        size_t begin = bracket;
        while (begin > 0 && !isLineEnd(text[begin - 1]) && isBlank(static_cast<unsigned char>(text[begin - 1])))
            --begin;
        if (begin > 0 && !isLineEnd(text[begin - 1])) continue;  // a '[' inside a line
        size_t end = bracket;
        while (end < text.size() && !isLineEnd(text[end])) ++end;
        Line line{begin, end, lineEndAfter(text, end)};
        if (sameName(parse(text, line).name, section)) return line;
        pos = line.next;
    }
    return std::nullopt;
}

// Calls `visit(line, parsed)` for each key line of the section whose header
// is given, in order, until it returns false. The section ends at the next header.
template <class Visit>
void forEachKeyLine(std::string_view text, const Line& header, Visit visit) {
    LineScanner scanner(text, header.next);
    Line line;
    while (scanner.next(line)) {
        size_t first;
        LineKind kind = kindOf(text, line, first);
        if (kind == LineKind::Section) break;
        if (kind != LineKind::Key) continue;
        if (!visit(line, parse(text, line))) break;
    }
}

KeyPlace locate(std::string_view text, std::string_view section, std::string_view key) {
    KeyPlace place;
    std::optional<Line> header = findSectionHeader(text, section);
    if (!header) return place;
    place.sectionFound = true;
    place.anchor = *header;
    // Inside the first section of that name.
    forEachKeyLine(text, *header, [&](const Line& line, const ParsedLine& parsed) {
        place.anchor = line;
        if (!sameName(parsed.name, key)) return true;
        place.keyFound = true;
        place.keyLine = line;
        place.key = parsed;
        return false;
    });
    return place;
}

std::string_view stripOuterQuotes(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

std::string_view trimQueryName(std::string_view name) {
    size_t begin = name.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return name.substr(begin, name.find_last_not_of(' ') - begin + 1);
}

std::string foldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    return folded;
}

std::optional<std::string_view> findRawValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
    KeyPlace place = locate(text, section, key);
    if (!place.keyFound || !place.key.hasValue) return std::nullopt;
    return place.key.value;
}

std::vector<KeyLine> sectionKeyLines(std::string_view text, std::string_view section) {
    std::vector<KeyLine> keys;
    std::optional<Line> header = findSectionHeader(text, section);
    if (!header) return keys;
    forEachKeyLine(text, *header, [&](const Line&, const ParsedLine& parsed) {
        keys.push_back({parsed.name, parsed.hasValue ? std::optional<std::string_view>(parsed.value) : std::nullopt});
        return true;
    });
    return keys;
}

std::vector<SectionLines> allSections(std::string_view text, const std::function<bool(std::string_view)>& wanted) {
    std::vector<SectionLines> sections;
    std::unordered_set<std::string> seen;  // folded names
    // The section taking key lines; none before the first header or inside a
    // later section of a name already seen.
    constexpr size_t kNone = static_cast<size_t>(-1);
    size_t current = kNone;
    LineScanner scanner(text, 0);
    Line line;
    while (scanner.next(line)) {
        size_t first;
        const LineKind kind = kindOf(text, line, first);
        if (kind == LineKind::Section) {
            const std::string_view name = parse(text, line).name;
            current = kNone;
            if (wanted(name) && seen.insert(foldedName(name)).second) {
                current = sections.size();
                sections.push_back({name, {}});
            }
            continue;
        }
        if (kind != LineKind::Key || current == kNone) continue;
        const ParsedLine parsed = parse(text, line);
        sections[current].keys.push_back(
            {parsed.name, parsed.hasValue ? std::optional<std::string_view>(parsed.value) : std::nullopt});
    }
    return sections;
}

std::string_view cookedValue(std::string_view raw, size_t limit) {
    std::string_view value = raw.substr(0, raw.find('\0'));
    value = stripOuterQuotes(value);
    return value.substr(0, limit);
}

std::string_view cookedDefault(std::string_view defaultValue, size_t limit) {
    size_t end = defaultValue.find_last_not_of(' ');
    return cookedValue(defaultValue.substr(0, end == std::string_view::npos ? 0 : end + 1), limit);
}

std::optional<std::string> withValue(std::string_view text, std::string_view section, std::string_view key,
                                     std::string_view value) {
    static constexpr std::string_view kLineEnd = "\r\n";
    KeyPlace place = locate(text, section, key);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (place.keyFound) {
        if (place.key.hasValue && place.key.value == value) return std::nullopt;
        // Only this line changes: its leading blanks go, the stored spelling
        // of the name and the line's own line end stay.
        out.append(text.substr(0, place.keyLine.begin));
        out.append(place.key.name).append("=").append(value);
        out.append(text.substr(place.keyLine.end));
        return out;
    }
    if (place.sectionFound) {
        const Line& anchor = place.anchor;
        out.append(text.substr(0, anchor.next));
        if (!anchor.hasLineEnd()) out.append(kLineEnd);
        out.append(key).append("=").append(value).append(kLineEnd);
        out.append(text.substr(anchor.next));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') out.append(kLineEnd);
    out.append("[").append(section).append("]").append(kLineEnd);
    out.append(key).append("=").append(value).append(kLineEnd);
    return out;
}

}  // namespace platform::ini
