#include "bencoding/reader.h"

#include <algorithm>
#include <cstdio>
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
    const char*& cursor;
    int32_t& remaining;
    const BReadProgress* progress = nullptr;
    const char* reported = cursor;  // where `passed` was last called
    bool canonical = true;

    void advance(int32_t count) {
        cursor += count;
        remaining -= count;
    }

    void report(const char* end) {
        progress->passed(end, progress->context);
        reported = end;
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
        int64_t length = number();
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
        if (!progress || length < kPassedStep) {
            BText bytes(cursor, static_cast<size_t>(length));
            advance(length);
            return bytes;
        }
        // A long string is copied a step at a time, so that the pages passed
        // can go before the next ones are touched.
        BText bytes(static_cast<size_t>(length), BText::ForOverwrite{});
        char* to = bytes.writable();
        while (length > 0) {
            int32_t step = length < kPassedStep ? length : kPassedStep;
            std::memcpy(to, cursor, static_cast<size_t>(step));
            to += step;
            advance(step);
            length -= step;
            report(cursor);
        }
        return bytes;
    }

    BValuePtr value(int depth) {
        if (progress && cursor - reported >= kPassedStep) report(cursor);
        if (remaining == 0) return nullptr;
        char c = *cursor;
        if (isDigit(c)) return std::make_unique<BValue>(text());
        if (c == 'i') {
            advance(1);
            auto node = std::make_unique<BValue>(BInt);
            node->integer = number();
            if (remaining == 0 || *cursor != 'e') return nullptr;
            advance(1);
            return node;
        }
        if (c == 'l' || c == 'd') {
            if (depth >= kMaxNestingDepth) throw BadInput{};
            advance(1);
            return c == 'l' ? list(depth + 1) : dictionary(depth + 1);
        }
        return nullptr;
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
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            BText key = text();
            // The root's "info" is identified by the SHA-1 of its exact bytes,
            // so a non-canonical one is kept as read.
            const bool keepVerbatim = depth == 1 && key == "info";
            const char* start = cursor;
            bool canonicalBefore = canonical;
            if (keepVerbatim) canonical = true;
            BValuePtr child = value(depth);
            if (!child) return nullptr;
            if (keepVerbatim) {
                if (!canonical) child->verbatim = std::make_unique<BText>(start, static_cast<size_t>(cursor - start));
                canonical = canonicalBefore;
            }
            // Keys in ascending order, the canonical case, are appended; any
            // other key goes to its place, replacing an earlier value.
            if (entries.empty() || entries.back().first < key) {
                entries.emplace_back(std::move(key), std::move(child));
                continue;
            }
            canonical = false;
            auto position = std::lower_bound(entries.begin(), entries.end(), key,
                                             [](const BEntry& entry, const BText& k) { return entry.first < k; });
            if (position->first == key)
                position->second = std::move(child);
            else
                entries.emplace(position, std::move(key), std::move(child));
        }
        advance(1);
        entries.shrink_to_fit();
        return node;
    }
};

}  // namespace

BValuePtr parseDocument(const char* data, int32_t size) {
    const char* cursor = data;
    int32_t remaining = size;
    BValuePtr root = parseValue(cursor, remaining);
    if (remaining != 0) std::printf("Bad torrent: size %d, tail %d\n", size, remaining);
    return root;
}

BValuePtr parseDocument(const char* data, int32_t size, const BReadProgress& progress) {
    const char* cursor = data;
    int32_t remaining = size;
    Reader reader{cursor, remaining, &progress};
    BValuePtr root = reader.value(0);
    if (remaining != 0) std::printf("Bad torrent: size %d, tail %d\n", size, remaining);
    return root;
}

BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth) {
    Reader reader{cursor, remaining};
    return reader.value(depth);
}

void readByteString(const char*& cursor, int32_t& remaining, std::string& out) {
    Reader reader{cursor, remaining};
    reader.byteString(out);
}

int64_t readInteger(const char*& cursor, int32_t& remaining) {
    Reader reader{cursor, remaining};
    return reader.number();
}
