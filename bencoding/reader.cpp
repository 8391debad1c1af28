#include "bencoding/reader.h"

#include <algorithm>
#include <string_view>

#include "numbers/decimal.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What a value passed over by skip() holds of the torrent's size.
enum class Role { None, Info, Files, File, Tree };
struct Sizes {
    bool known = true;
    uint64_t sum = 0;  // unsigned: the sum wraps instead of overflowing
};

// One reading pass. Besides the cursor and the remaining count it tracks
// whether everything read since `canonical` was last set true was already in
// canonical form, and how many nodes it built.
struct Reader {
    // Copies, written back by the caller: the compiler keeps them in
    // registers, where references would go through memory on every byte.
    const char* cursor;
    int32_t remaining;
    std::optional<int64_t>* contentSize = nullptr;
    bool canonical = true;
    size_t values = 0;
    int64_t integer = 0;  // the last integer skip() passed over

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
        // The common length, up to 9 digits without a leading zero, is read
        // here: it is plain and cannot reach the clamp.
        int32_t digits = 0;
        int64_t length = 0;
        if (remaining > 0 && *cursor >= '1' && *cursor <= '9')
            for (; digits < remaining && digits < 9 && isDigit(cursor[digits]); ++digits)
                length = length * 10 + (cursor[digits] - '0');
        if (digits == 0 || digits == remaining || cursor[digits] != ':') {
            const char* start = cursor;
            length = number();
            // A key's length may be missing (":" alone is an empty key); the
            // writer would add the "0".
            if (cursor == start) canonical = false;
            digits = 0;
        }
        if (digits == remaining || cursor[digits] != ':') throw BadInput{};
        if (length < 0 || length > remaining - digits - 1) throw BadInput{};
        advance(digits + 1);
        const std::string_view bytes(cursor, static_cast<size_t>(length));
        advance(static_cast<int32_t>(length));
        return bytes;
    }

    template <class... Args>
    BValuePtr node(Args&&... args) {
        if (++values > kMaxValues)
            throw BadInput{"The document needs more than " + std::to_string(kMaxValues) +
                           " values outside \"info\", the reader's budget"};
        return std::make_unique<BValue>(std::forward<Args>(args)...);
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
            advance(1);
            BValuePtr number = node(BInt);
            const char* digits = cursor;
            number->integer = this->number();
            // "ie" reads as 0 and would be written as "i0e".
            if (cursor == digits) canonical = false;
            if (remaining == 0 || *cursor != 'e') return nullptr;
            advance(1);
            return number;
        }
        if (c != 'l' && c != 'd') return nullptr;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        const char* start = cursor;
        const bool outer = canonical;
        canonical = true;
        advance(1);
        BValuePtr container = c == 'l' ? list(depth + 1) : dictionary(depth + 1);
        if (container && canonical) container->bytes = {start, static_cast<size_t>(cursor - start)};
        canonical = outer && canonical;
        return container;
    }

    BValuePtr list(int depth) {
        BValuePtr list = node(BList);
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            BValuePtr element = value(depth);
            if (!element) return nullptr;
            list->elements.push_back(std::move(element));
        }
        advance(1);
        return list;
    }

    BValuePtr dictionary(int depth) {
        BValuePtr dict = node(BDict);
        BEntries& entries = dict->entries;
        bool ascending = true;  // each key above the one before
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            const std::string_view key = byteString();
            BValuePtr child = depth == 1 && key == "info" ? info(depth) : value(depth);
            if (!child) return nullptr;
            if (ascending && !entries.empty() && !(entries.back().first < key)) ascending = false;
            entries.emplace_back(key, std::move(child));
        }
        advance(1);
        if (!ascending) {
            canonical = false;
            // Sorted stably, so of the entries under one key the one read
            // last is last of its run, and it stays.
            std::stable_sort(entries.begin(), entries.end(),
                             [](const BEntry& a, const BEntry& b) { return a.first < b.first; });
            size_t kept = 0;
            for (BEntry& entry : entries) {
                if (kept > 0 && entries[kept - 1].first == entry.first)
                    entries[kept - 1] = std::move(entry);
                else
                    entries[kept++] = std::move(entry);
            }
            entries.resize(kept);
        }
        return dict;
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
            info = value(depth);
            sizes.known = false;
            if (!info) return nullptr;
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
        if (c == 'i') {
            advance(1);
            integer = number();
            if (remaining == 0 || *cursor != 'e') return false;
            advance(1);
            return true;
        }
        if (isDigit(c)) {
            byteString();
            return true;
        }
        if (c != 'l' && c != 'd') return false;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        advance(1);
        return c == 'l' ? skipList(depth + 1, role, sizes) : skipDict(depth + 1, role, sizes);
    }

    bool skipList(int depth, Role role, Sizes& sizes) {
        for (;;) {
            if (remaining == 0) return false;
            if (*cursor == 'e') break;
            if (!skip(depth, role == Role::Files ? Role::File : Role::None, sizes)) return false;
        }
        advance(1);
        return true;
    }

    bool skipDict(int depth, Role role, Sizes& sizes) {
        // The values read last under "length", "files" and "file tree".
        enum { Length, Files, Tree, Keys };
        Sizes found[Keys];
        bool present[Keys] = {};
        std::string_view previous;
        for (bool first = true;; first = false) {
            if (remaining == 0) return false;
            if (*cursor == 'e') break;
            const std::string_view key = byteString();
            int which = Keys;
            Role inner = Role::None;
            if (role == Role::Tree) {
                if (!first && !(previous < key)) sizes.known = false;  // a repeated key replaces a subtree
                previous = key;
                inner = key.empty() ? Role::File : Role::Tree;
            } else if (role != Role::None && key == "length") {
                which = Length;
            } else if (role == Role::Info && key == "files") {
                which = Files;
                inner = Role::Files;
            } else if (role == Role::Info && key == "file tree") {
                which = Tree;
                inner = Role::Tree;
            }
            const bool isInteger = remaining > 0 && *cursor == 'i';
            Sizes value;
            if (!skip(depth, inner, which == Keys ? sizes : value)) return false;
            if (which == Length) value = {isInteger, static_cast<uint64_t>(integer)};
            if (which != Keys) {
                found[which] = value;
                present[which] = true;
            }
        }
        advance(1);
        if (role == Role::File) {
            if (!present[Length] || !found[Length].known) sizes.known = false;
            sizes.sum += found[Length].sum;
        } else if (role == Role::Info) {
            const int used = present[Length] ? Length : present[Files] ? Files : Tree;
            sizes = present[used] ? found[used] : Sizes{false, 0};
        }
        return true;
    }
};

}  // namespace

BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail, std::optional<int64_t>* contentSize) {
    if (contentSize) contentSize->reset();
    Reader reader{data, size, contentSize};
    BValuePtr root = reader.value(0);
    if (tail) *tail = reader.remaining;
    return root;
}

BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth) {
    Reader reader{cursor, remaining};
    BValuePtr value = reader.value(depth);
    cursor = reader.cursor;
    remaining = reader.remaining;
    return value;
}

void readByteString(const char*& cursor, int32_t& remaining, std::string& out) {
    Reader reader{cursor, remaining};
    out = reader.byteString();
    cursor = reader.cursor;
    remaining = reader.remaining;
}

int64_t readInteger(const char*& cursor, int32_t& remaining) {
    Reader reader{cursor, remaining};
    const int64_t value = reader.number();
    cursor = reader.cursor;
    remaining = reader.remaining;
    return value;
}
