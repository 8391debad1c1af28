#include "bencoding/reader.h"

#include <string_view>

#include "numbers/decimal.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

enum class Role { None, Info, Files, File, Tree };  // of a value in the torrent's size
struct Sizes {
    bool known = true;
    uint64_t sum = 0;  // unsigned: the sum wraps instead of overflowing
};

// One reading pass: the cursor, the remaining count, the nodes built, and
// whether all read since `canonical` was last set true was canonical.
struct Reader {
    const char* cursor;
    int32_t remaining;
    std::optional<int64_t>* contentSize = nullptr;
    bool canonical = true;
    size_t values = 0;
    int64_t integer = 0;  // the last integer read

    void advance(int32_t count) {
        cursor += count;
        remaining -= count;
    }

    int64_t number() {
        const numbers::ClampedInt64 read = numbers::readClampedInt64(std::string_view(cursor, static_cast<size_t>(remaining)));
        if (read.consumed == 0) return 0;  // no digit: nothing consumed
        if (!read.plain) canonical = false;
        advance(static_cast<int32_t>(read.consumed));
        return read.value;
    }

    // A length, its ":" and the bytes; leaves the cursor past them.
    std::string_view byteString() {
        const char* start = cursor;
        const int64_t length = number();
        // A key's length may be missing (":" alone is an empty key); the
        // writer would add the "0".
        if (cursor == start) canonical = false;
        if (remaining == 0 || *cursor != ':' || length < 0 || length > remaining - 1) throw BadInput{};
        const std::string_view bytes(cursor + 1, static_cast<size_t>(length));
        advance(static_cast<int32_t>(length) + 1);
        return bytes;
    }

    // The integer at the cursor, "i" to "e", into `integer`; false without the "e".
    bool integerValue() {
        advance(1);
        const char* digits = cursor;
        integer = number();
        if (cursor == digits) canonical = false;  // "ie" is written "i0e"
        if (remaining == 0 || *cursor != 'e') return false;
        advance(1);
        return true;
    }

    BValuePtr node(BKind kind) {
        if (++values > kMaxValues)
            throw BadInput{"The document needs more than " + std::to_string(kMaxValues) +
                           " values outside \"info\", the reader's budget"};
        return std::make_unique<BValue>(kind);
    }

    BValuePtr value(int depth) {
        if (remaining == 0) return nullptr;
        const char c = *cursor;
        if (isDigit(c)) {
            BValuePtr text = node(BStr);
            text->text = byteString();
            return text;
        }
        if (c == 'i') {
            BValuePtr number = node(BInt);
            if (!integerValue()) return nullptr;
            number->integer = integer;
            return number;
        }
        if (c != 'l' && c != 'd') return nullptr;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        const char* start = cursor;
        const bool outer = canonical;
        canonical = true;
        advance(1);
        BValuePtr container = node(c == 'l' ? BList : BDict);
        BEntries& entries = container->entries;
        bool ascending = true;  // each key above the one before
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            const std::string_view key = c == 'd' ? byteString() : std::string_view();
            BValuePtr child = c == 'd' && depth == 0 && key == "info" ? info(depth + 1) : value(depth + 1);
            if (!child) return nullptr;
            if (c == 'l') {
                container->elements.push_back(std::move(child));
                continue;
            }
            if (!entries.empty() && !(entries.back().first < key)) ascending = canonical = false;
            entries.emplace_back(key, std::move(child));
        }
        advance(1);
        if (!ascending) sortKeepingLast(entries);
        if (canonical) container->bytes = {start, static_cast<size_t>(cursor - start)};
        canonical = outer && canonical;
        return container;
    }

    // The root's "info": checked in full and held as its bytes, whatever
    // their form; its sizes are gathered on the way.
    BValuePtr info(int depth) {
        const char* start = cursor;
        const bool outer = canonical;
        BValuePtr info;
        Sizes sizes;
        if (remaining > 0 && (*cursor == 'l' || *cursor == 'd')) {
            info = node(*cursor == 'l' ? BList : BDict);
            info->bytesOnly = true;
            if (!skip(depth, Role::Info, sizes)) return nullptr;
        } else {
            sizes.known = false;
            if (!(info = value(depth))) return nullptr;
        }
        info->bytes = {start, static_cast<size_t>(cursor - start)};
        canonical = outer;
        if (contentSize) *contentSize = sizes.known ? std::optional<int64_t>(static_cast<int64_t>(sizes.sum)) : std::nullopt;
        return info;
    }

    // Passes over a value with the checks and outcomes of value(), building
    // nothing; false where value() gives null. Adds to `sizes` what the
    // value holds of the torrent's size in its role, as the view would read
    // it; sizes.known turns false where that needs more than one pass.
    bool skip(int depth, Role role, Sizes& sizes) {
        if (remaining == 0) return false;
        const char c = *cursor;
        // "files" is a list; "info", a file and a file tree are dictionaries.
        if (role != Role::None && c != (role == Role::Files ? 'l' : 'd')) {
            sizes.known = false;
            role = Role::None;
        }
        if (c == 'i') return integerValue();
        if (isDigit(c)) {
            byteString();
            return true;
        }
        if (c != 'l' && c != 'd') return false;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        advance(1);
        // The values read last under "length", "files" and "file tree".
        enum { Length, Files, Tree, Other };
        std::optional<Sizes> found[Other];
        std::string_view previous;
        for (bool first = true;; first = false) {
            if (remaining == 0) return false;
            if (*cursor == 'e') break;
            int which = Other;
            Role inner = role == Role::Files ? Role::File : Role::None;
            const std::string_view key = c == 'd' ? byteString() : std::string_view();
            if (role == Role::Tree) {
                if (!first && !(previous < key)) sizes.known = false;  // a repeated key replaces a subtree
                previous = key;
                inner = key.empty() ? Role::File : Role::Tree;
            } else if ((role == Role::Info || role == Role::File) && key == "length") {
                which = Length;
            } else if (role == Role::Info && (key == "files" || key == "file tree")) {
                which = key == "files" ? Files : Tree;
                inner = key == "files" ? Role::Files : Role::Tree;
            }
            const bool isInteger = remaining > 0 && *cursor == 'i';
            Sizes value;
            if (!skip(depth + 1, inner, which == Other ? sizes : value)) return false;
            if (which == Length) value = {isInteger, static_cast<uint64_t>(integer)};
            if (which != Other) found[which] = value;
        }
        advance(1);
        if (role == Role::File) {
            if (!found[Length] || !found[Length]->known) sizes.known = false;
            sizes.sum += found[Length] ? found[Length]->sum : 0;
        } else if (role == Role::Info) {
            sizes = found[Length] ? *found[Length] : found[Files] ? *found[Files] : found[Tree].value_or(Sizes{false, 0});
        }
        return true;
    }
};

// One step of a Reader on the caller's cursor and count.
template <class Step>
auto step(const char*& cursor, int32_t& remaining, Step read) {
    Reader reader{cursor, remaining};
    auto result = read(reader);
    cursor = reader.cursor;
    remaining = reader.remaining;
    return result;
}

}  // namespace

BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail, std::optional<int64_t>* contentSize) {
    if (contentSize) contentSize->reset();
    BValuePtr root = step(data, size, [contentSize](Reader& reader) {
        reader.contentSize = contentSize;
        return reader.value(0);
    });
    if (tail) *tail = size;
    return root;
}

BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth) {
    return step(cursor, remaining, [depth](Reader& reader) { return reader.value(depth); });
}

void readByteString(const char*& cursor, int32_t& remaining, std::string& out) {
    out = step(cursor, remaining, [](Reader& reader) { return reader.byteString(); });
}

int64_t readInteger(const char*& cursor, int32_t& remaining) {
    return step(cursor, remaining, [](Reader& reader) { return reader.number(); });
}
