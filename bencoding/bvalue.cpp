#include "bencoding/bvalue.h"

#include <algorithm>
#include <charconv>
#include <cstring>

BValue::BValue(std::string bytes) : kind(BStr) {
    owned_.push_front(std::move(bytes));
    text = owned_.front();
}

BValuePtr BValue::viewing(std::string_view bytes) {
    auto node = std::make_unique<BValue>(BStr);
    node->text = bytes;
    return node;
}

std::string BValue::asString() const {
    if (kind != BStr) throw BadType{};
    return std::string(text);
}

int64_t BValue::asInt() const {
    if (kind != BInt) throw BadType{};
    return integer;
}

// A list or dictionary held as bytes only is read through BView.
BListView BValue::asList() const {
    if (kind != BList || bytesOnly) throw BadType{};
    return BListView(elements);
}

namespace {

// The entry under the key, or the place where it belongs.
template <class Entries>
auto lowerBound(Entries& entries, std::string_view key) {
    return std::lower_bound(entries.begin(), entries.end(), key,
                            [](const BEntry& entry, std::string_view k) { return entry.first < k; });
}

template <class Entries>
BValue* valueUnder(Entries& entries, std::string_view key) {
    auto it = lowerBound(entries, key);
    return it != entries.end() && it->first == key ? it->second.get() : nullptr;
}

}  // namespace

const BValue* BValue::find(std::string_view key) const {
    if (kind != BDict || bytesOnly) throw BadType{};
    return valueUnder(entries, key);
}

BValue* BValue::find(std::string_view key) {
    if (kind != BDict || bytesOnly) throw BadType{};
    bytes = {};
    return valueUnder(entries, key);
}

void BValue::set(std::string_view key, BValuePtr child) {
    if (kind != BDict || bytesOnly) throw BadType{};
    bytes = {};
    auto it = lowerBound(entries, key);
    if (it != entries.end() && it->first == key) {
        it->second = std::move(child);
        return;
    }
    owned_.emplace_front(key);
    entries.emplace(it, owned_.front(), std::move(child));
}

void BValue::append(BValuePtr child) {
    if (kind != BList || bytesOnly) throw BadType{};
    bytes = {};
    elements.push_back(std::move(child));
}

// ---- Writing ----------------------------------------------------------------

namespace {

// The one encoder behind both writers. `Out` provides room(), a cursor with
// at least kMaxPiece free bytes, advance(cursor), and bytes(data, size) for a
// run of any length.
constexpr size_t kMaxPiece = 32;

template <class Out>
void lengthPrefix(Out& out, size_t size) {
    char* cursor = out.room();
    cursor = std::to_chars(cursor, cursor + 24, static_cast<int64_t>(size)).ptr;
    *cursor++ = ':';
    out.advance(cursor);
}

template <class Out>
void encode(const BValue& node, Out& out) {
    if (!node.bytes.empty()) return out.bytes(node.bytes.data(), node.bytes.size());
    switch (node.kind) {
    case BStr:
        lengthPrefix(out, node.text.size());
        out.bytes(node.text.data(), node.text.size());
        break;
    case BInt: {
        char* cursor = out.room();
        *cursor++ = 'i';
        cursor = std::to_chars(cursor, cursor + 24, node.integer).ptr;
        *cursor++ = 'e';
        out.advance(cursor);
        break;
    }
    case BList:
        out.advance(out.room() + 1)[-1] = 'l';
        for (const auto& element : node.elements) encode(*element, out);
        out.advance(out.room() + 1)[-1] = 'e';
        break;
    case BDict:
        out.advance(out.room() + 1)[-1] = 'd';
        for (const auto& [key, value] : node.entries) {
            lengthPrefix(out, key.size());
            out.bytes(key.data(), key.size());
            encode(*value, out);
        }
        out.advance(out.room() + 1)[-1] = 'e';
        break;
    }
}

// Counts instead of writing.
struct SizeOut {
    char scratch[kMaxPiece];
    size_t size = 0;
    char* room() { return scratch; }
    char* advance(char* to) {
        size += static_cast<size_t>(to - scratch);
        return to;
    }
    void bytes(const char*, size_t count) { size += count; }
};

// Straight into the caller's buffer.
struct CursorOut {
    char* cursor;
    char* room() { return cursor; }
    char* advance(char* to) { return cursor = to; }
    void bytes(const char* data, size_t size) {
        if (size) std::memcpy(cursor, data, size);
        cursor += size;
    }
};

// Through a fixed buffer into a sink.
constexpr size_t kSinkBuffer = size_t{256} << 10;

struct SinkOut {
    BSink& sink;
    std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kSinkBuffer);
    char* cursor = buffer.get();
    bool ok = true;

    bool flush() {
        if (ok && cursor != buffer.get()) ok = sink.put(buffer.get(), static_cast<size_t>(cursor - buffer.get()));
        cursor = buffer.get();
        return ok;
    }
    size_t free() const { return static_cast<size_t>(buffer.get() + kSinkBuffer - cursor); }
    char* room() {
        if (free() < kMaxPiece) flush();
        return cursor;
    }
    char* advance(char* to) { return cursor = to; }
    void bytes(const char* data, size_t size) {
        if (size >= kDirectPiece) {
            if (flush()) ok = sink.put(data, size);
            return;
        }
        if (free() < size) flush();
        if (size) std::memcpy(cursor, data, size);
        cursor += size;
    }
};

}  // namespace

void BValue::write(char*& cursor) const {
    CursorOut out{cursor};
    encode(*this, out);
    cursor = out.cursor;
}

size_t BValue::encodedSize() const {
    SizeOut out;
    encode(*this, out);
    return out.size;
}

bool writeDocument(const BValue& root, BSink& sink) {
    SinkOut out{sink};
    encode(root, out);
    return out.flush();
}

BValuePtr listOfString(const std::string& text) {
    auto list = std::make_unique<BValue>(BList);
    if (!text.empty()) list->append(std::make_unique<BValue>(text));
    return list;
}
