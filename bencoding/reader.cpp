#include "bencoding/reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "numbers/decimal.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// One reading pass. Besides the cursor and the remaining count it tracks
// whether everything read since `canonical` was last set true was already in
// canonical form, which decides whether the root's "info" must keep its bytes.
struct Reader {
    // Copies, written back by the caller: the compiler keeps them in
    // registers, where references would go through memory on every byte.
    const char* cursor;
    int32_t remaining;
    bool borrow = false;  // long byte strings and "info" refer to the document
    bool holdContainers = false;  // lists and dictionaries become held values
    bool canonical = true;

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

    // A length and its ":"; leaves the cursor on the first byte of the string.
    int32_t byteStringLength() {
        // The common length, up to 9 digits without a leading zero, is read
        // here: it is plain and cannot reach the clamp.
        if (remaining > 0 && *cursor >= '1' && *cursor <= '9') {
            int32_t length = 0;
            int32_t digits = 0;
            for (; digits < remaining && digits < 9 && isDigit(cursor[digits]); ++digits)
                length = length * 10 + (cursor[digits] - '0');
            if (digits < remaining && cursor[digits] == ':') {
                if (length > remaining - digits - 1) throw BadInput{};
                advance(digits + 1);
                return length;
            }
        }
        const char* start = cursor;
        int64_t length = number();
        // A key's length may be missing (":" alone is an empty key); the
        // writer would add the "0".
        if (cursor == start) canonical = false;
        if (remaining == 0 || *cursor != ':') throw BadInput{};
        if (length < 0 || length > remaining - 1) throw BadInput{};
        advance(1);
        return static_cast<int32_t>(length);
    }

    void byteString(std::string& out) {
        int32_t length = byteStringLength();
        out.assign(cursor, static_cast<size_t>(length));
        advance(length);
    }

    BText text() {
        int32_t length = byteStringLength();
        BText bytes = borrow ? BText::borrowed(cursor, static_cast<size_t>(length))
                             : BText(cursor, static_cast<size_t>(length));
        advance(length);
        return bytes;
    }

    BValuePtr value(int depth) {
        if (remaining == 0) return nullptr;
        char c = *cursor;
        if (isDigit(c)) return std::make_unique<BValue>(text());
        if (c == 'i') {
            advance(1);
            auto node = std::make_unique<BValue>(BInt);
            const char* digits = cursor;
            node->integer = number();
            // "ie" reads as 0 and would be written as "i0e".
            if (cursor == digits) canonical = false;
            if (remaining == 0 || *cursor != 'e') return nullptr;
            advance(1);
            return node;
        }
        if (c == 'l' || c == 'd') {
            if (holdContainers) return held(depth);
            if (depth >= kMaxNestingDepth) throw BadInput{};
            advance(1);
            return c == 'l' ? list(depth + 1) : dictionary(depth + 1);
        }
        return nullptr;
    }

    // Passes over a value with the checks and outcomes of value(), building
    // nothing; false where value() gives null.
    bool skip(int depth) {
        if (remaining == 0) return false;
        const char c = *cursor;
        if (isDigit(c)) {
            advance(byteStringLength());
            return true;
        }
        if (c == 'i') {
            advance(1);
            number();
            if (remaining == 0 || *cursor != 'e') return false;
            advance(1);
            return true;
        }
        if (c != 'l' && c != 'd') return false;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        advance(1);
        for (;;) {
            if (remaining == 0) return false;
            if (*cursor == 'e') break;
            if (c == 'd') advance(byteStringLength());
            if (!skip(depth + 1)) return false;
        }
        advance(1);
        return true;
    }

    // The list or dictionary at the cursor, checked in full but not built.
    BValuePtr held(int depth, BValue::Held how = BValue::Held::Whole) {
        const char* start = cursor;
        const BKind kind = *cursor == 'l' ? BList : BDict;
        if (!skip(depth)) return nullptr;
        auto node = std::make_unique<BValue>(kind);
        node->verbatim = std::make_unique<BText>(BText::borrowed(start, static_cast<size_t>(cursor - start)));
        node->held = how;
        return node;
    }

    BValuePtr list(int depth) {
        auto node = std::make_unique<BValue>(BList);
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            BValuePtr element = value(depth);
            if (!element) return nullptr;
            node->elements.push_back(std::move(element));
        }
        advance(1);
        node->elements.shrink_to_fit();
        return node;
    }

    BValuePtr dictionary(int depth) {
        auto node = std::make_unique<BValue>(BDict);
        BEntries& entries = node->entries;
        bool ascending = true;  // each key above the one before
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            BText key = text();
            const bool isInfo = depth == 1 && key == "info";
            const char* start = cursor;
            const bool canonicalBefore = canonical;
            if (isInfo) canonical = true;
            // Read in place, "info" is checked now but only its own entries are
            // built, its lists and dictionaries held: a torrent's "info" is most
            // of it, and little of it is looked at. A list "info" is held whole.
            const bool infoInPlace = isInfo && borrow && remaining > 0;
            const bool hold = infoInPlace && *cursor == 'l';
            BValuePtr child;
            if (hold) {
                child = held(depth, BValue::Held::LevelAtATime);
            } else if (infoInPlace && *cursor == 'd') {
                if (depth >= kMaxNestingDepth) throw BadInput{};
                advance(1);
                holdContainers = true;
                child = dictionary(depth + 1);
                holdContainers = false;
            } else {
                child = value(depth);
            }
            if (!child) return nullptr;
            if (isInfo && !hold) {
                const auto size = static_cast<size_t>(cursor - start);
                if (borrow)
                    child->verbatim = std::make_unique<BText>(BText::borrowed(start, size));
                else if (!canonical)
                    child->verbatim = std::make_unique<BText>(start, size);
                canonical = canonicalBefore;
            }
            if (ascending && !entries.empty() && !(entries.back().first < key)) ascending = false;
            entries.emplace_back(std::move(key), std::move(child));
        }
        advance(1);
        if (!ascending) {
            canonical = false;
            sortKeepingLastValue(entries);
        }
        entries.shrink_to_fit();
        return node;
    }

    // Sorts the entries by key; of entries with the same key only the one
    // read last stays. The sort is stable, so that one is last of its run.
    static void sortKeepingLastValue(BEntries& entries) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const BEntry& a, const BEntry& b) { return a.first < b.first; });
        size_t kept = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (kept > 0 && entries[kept - 1].first == entries[i].first) {
                entries[kept - 1] = std::move(entries[i]);
            } else {
                if (kept != i) entries[kept] = std::move(entries[i]);
                ++kept;
            }
        }
        entries.truncate(kept);
    }
};

}  // namespace

// A held value is read again from its bytes, which were checked when it was
// first read, so this cannot fail. Its nodes are not const: only the typed
// access that builds them is.
void BValue::build(bool levelOnly) const {
    const char* cursor = verbatim->data();
    auto remaining = static_cast<int32_t>(verbatim->size());
    Reader reader{cursor, remaining, true, levelOnly};
    // Read as a value below the root, where no "info" is special; a depth
    // smaller than the real one only loosens a bound the bytes have passed.
    reader.advance(1);
    BValuePtr built = kind == BList ? reader.list(2) : reader.dictionary(2);
    auto* self = const_cast<BValue*>(this);
    self->elements = std::move(built->elements);
    self->entries = std::move(built->entries);
    // Only "info" itself keeps its bytes; a value inside it, once built, is
    // written in canonical form like any other. Its strings refer to the
    // document, not to these bytes (a copy in place is never borrowed from).
    if (held == BValue::Held::Whole) self->verbatim.reset();
    self->held = BValue::Held::No;
}

namespace {

BValuePtr readDocument(const char* data, int32_t size, int32_t* tail, bool borrow) {
    Reader reader{data, size, borrow};
    BValuePtr root = reader.value(0);
    if (tail) *tail = reader.remaining;
    return root;
}

}  // namespace

BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail) {
    return readDocument(data, size, tail, false);
}

BValuePtr parseDocumentInPlace(const char* data, int32_t size, int32_t* tail) {
    return readDocument(data, size, tail, true);
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
    reader.byteString(out);
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
