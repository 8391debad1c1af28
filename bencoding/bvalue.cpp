#include "bencoding/bvalue.h"

#include <algorithm>
#include <charconv>
#include <cstring>

BValue::BValue(std::string bytes) : kind(BStr) {
    owned_.push_front(std::move(bytes));
    text = owned_.front();
}

std::string BValue::asString() const {
    if (kind != BStr) throw BadType{};
    return std::string(text);
}

int64_t BValue::asInt() const {
    if (kind != BInt) throw BadType{};
    return integer;
}

BListView BValue::asList() const {
    if (kind != BList || bytesOnly) throw BadType{};
    return BListView{elements};
}

BValue* BValue::child(std::string_view key) const {
    auto it = std::lower_bound(entries.begin(), entries.end(), key,
                               [](const BEntry& entry, std::string_view k) { return entry.first < k; });
    return it != entries.end() && it->first == key ? it->second.get() : nullptr;
}

const BValue* BValue::find(std::string_view key) const {
    if (kind != BDict || bytesOnly) throw BadType{};
    return child(key);
}

BValue* BValue::find(std::string_view key) {
    if (kind != BDict || bytesOnly) throw BadType{};
    bytes = {};
    return child(key);
}

void BValue::set(std::string_view key, BValuePtr child) {
    if (kind != BDict || bytesOnly) throw BadType{};
    bytes = {};
    auto it = std::lower_bound(entries.begin(), entries.end(), key,
                               [](const BEntry& entry, std::string_view k) { return entry.first < k; });
    if (it == entries.end() || it->first != key) {
        owned_.emplace_front(key);
        it = entries.emplace(it, owned_.front(), nullptr);
    }
    it->second = std::move(child);
}

void BValue::append(BValuePtr child) {
    if (kind != BList || bytesOnly) throw BadType{};
    bytes = {};
    elements.push_back(std::move(child));
}

namespace {

// The one encoder behind both writers and encodedSize(): `Out` takes the
// encoding in runs through bytes(data, size).
template <class Out>
void number(Out& out, char before, int64_t value, char after) {
    char piece[24];  // "i", 20 characters of a number, "e"
    char* end = piece;
    if (before) *end++ = before;
    end = std::to_chars(end, piece + sizeof piece - 1, value).ptr;
    *end++ = after;
    out.bytes(piece, static_cast<size_t>(end - piece));
}

template <class Out>
void encode(const BValue& node, Out& out) {
    if (!node.bytes.empty()) return out.bytes(node.bytes.data(), node.bytes.size());
    switch (node.kind) {
    case BStr:
        number(out, 0, static_cast<int64_t>(node.text.size()), ':');
        out.bytes(node.text.data(), node.text.size());
        break;
    case BInt:
        number(out, 'i', node.integer, 'e');
        break;
    case BList:
        out.bytes("l", 1);
        for (const auto& element : node.elements) encode(*element, out);
        out.bytes("e", 1);
        break;
    case BDict:
        out.bytes("d", 1);
        for (const auto& [key, value] : node.entries) {
            number(out, 0, static_cast<int64_t>(key.size()), ':');
            out.bytes(key.data(), key.size());
            encode(*value, out);
        }
        out.bytes("e", 1);
        break;
    }
}

// Into a buffer from `start` on, or only counting without one.
struct BufferOut {
    char* start;
    size_t size = 0;
    void bytes(const char* data, size_t count) {
        if (start && count) std::memcpy(start + size, data, count);
        size += count;
    }
};

// Through a fixed buffer into a sink; long runs go straight.
constexpr size_t kSinkBuffer = size_t{256} << 10;

struct SinkOut {
    BSink& sink;
    std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kSinkBuffer);
    size_t used = 0;
    bool ok = true;

    bool flush() {
        if (ok && used) ok = sink.put(buffer.get(), used);
        used = 0;
        return ok;
    }
    void bytes(const char* data, size_t size) {
        if (size >= kDirectPiece) {
            if (flush()) ok = sink.put(data, size);
            return;
        }
        if (kSinkBuffer - used < size) flush();
        if (size) std::memcpy(buffer.get() + used, data, size);
        used += size;
    }
};

}  // namespace

void BValue::write(char*& cursor) const {
    BufferOut out{cursor};
    encode(*this, out);
    cursor += out.size;
}

size_t BValue::encodedSize() const {
    BufferOut out{nullptr};
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
