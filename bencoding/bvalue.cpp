#include "bencoding/bvalue.h"

#include <algorithm>
#include <charconv>
#include <new>

// ---- Memory -----------------------------------------------------------------

namespace {

BMemorySource memorySource{nullptr, nullptr};

// Nodes live in slabs of this size; the size matches a huge page.
constexpr size_t kSlabSize = size_t{2} << 20;

// A free-list allocator for nodes, used only with a memory source. All slabs
// go back to the source when the last node is destroyed, so a program that
// builds one tree returns everything at its end and tests that build many
// trees do not accumulate slabs.
struct NodeSlabs {
    struct Slab {
        Slab* next;
    };
    struct FreeSlot {
        FreeSlot* next;
    };
    Slab* slabs = nullptr;
    FreeSlot* free = nullptr;
    char* fresh = nullptr;  // next never-used slot of the newest slab
    char* freshEnd = nullptr;
    size_t live = 0;

    static constexpr size_t slotSize() { return (sizeof(BValue) + alignof(BValue) - 1) / alignof(BValue) * alignof(BValue); }

    void* take() {
        void* slot;
        if (free) {
            slot = free;
            free = free->next;
        } else {
            if (fresh == freshEnd) addSlab();
            slot = fresh;
            fresh += slotSize();
        }
        ++live;
        return slot;
    }

    void put(void* slot) {
        auto* freed = static_cast<FreeSlot*>(slot);
        freed->next = free;
        free = freed;
        if (--live == 0) releaseAll();
    }

    void addSlab() {
        void* block = memorySource.obtain(kSlabSize);
        if (!block) throw std::bad_alloc();
        auto* slab = static_cast<Slab*>(block);
        slab->next = slabs;
        slabs = slab;
        constexpr size_t header = (sizeof(Slab) + alignof(BValue) - 1) / alignof(BValue) * alignof(BValue);
        fresh = static_cast<char*>(block) + header;
        freshEnd = fresh + (kSlabSize - header) / slotSize() * slotSize();
    }

    void releaseAll() {
        while (slabs) {
            Slab* next = slabs->next;
            memorySource.giveBack(slabs, kSlabSize);
            slabs = next;
        }
        free = nullptr;
        fresh = freshEnd = nullptr;
    }
};

NodeSlabs nodeSlabs;

// Whether nodes are in slabs; fixed when the source is installed so that no
// node is ever given back to an allocator other than its own. The sanitizer
// build keeps one allocation per node so that it can check each.
bool nodesInSlabs = false;

// Every node in existence, wherever it lives.
size_t liveNodes = 0;

}  // namespace

bool setBMemorySource(const BMemorySource& source) {
    if (liveNodes != 0) return false;
    memorySource = source;
#if defined(__SANITIZE_ADDRESS__)
    nodesInSlabs = false;
#else
    nodesInSlabs = source.obtain != nullptr;
#endif
    return true;
}

void* BValue::operator new(size_t size) {
    void* node = nodesInSlabs && size == sizeof(BValue) ? nodeSlabs.take() : ::operator new(size);
    ++liveNodes;
    return node;
}

void BValue::operator delete(void* node, size_t size) {
    --liveNodes;
    if (nodesInSlabs && size == sizeof(BValue))
        nodeSlabs.put(node);
    else
        ::operator delete(node);
}

namespace {

// Byte 0 of a long text's bytes_: whether its block is its own.
constexpr char kOwnBlock = 0;
constexpr char kBorrowed = 1;

// A byte string's length is a signed 32-bit count in every document; a
// size_t of 32 bits cannot exceed the 32-bit size field.
uint32_t textSize(size_t size) {
    if constexpr (sizeof(size_t) > sizeof(uint32_t)) {
        if (size > UINT32_MAX) throw std::bad_alloc();
    }
    return static_cast<uint32_t>(size);
}

}  // namespace

void BText::allocate(size_t size) {
    const uint32_t checked = textSize(size);
    size_ = 0;
    if (size <= kInPlace) {
        size_ = checked;
        return;
    }
    char* block = static_cast<char*>(::operator new(size));
    size_ = checked;
    bytes_[0] = kOwnBlock;
    std::memcpy(bytes_ + 4, &block, sizeof block);
}

BText::BText(const char* data, size_t size) {
    allocate(size);
    if (size) std::memcpy(writable(), data, size);
}

BText BText::borrowed(const char* data, size_t size) {
    if (size <= kInPlace) return BText(data, size);
    BText text;
    text.size_ = textSize(size);
    text.bytes_[0] = kBorrowed;
    std::memcpy(text.bytes_ + 4, &data, sizeof data);
    return text;
}

void BText::release() noexcept {
    if (size_ <= kInPlace) return;
    if (bytes_[0] == kOwnBlock) ::operator delete(heap());
    size_ = 0;
}

// ---- Nodes ------------------------------------------------------------------

BValue::BValue(BKind kind) : kind(kind) {}

BValue::BValue(const std::string& bytes) : kind(BStr), text(bytes) {}

BValue::BValue(BText bytes) : kind(BStr), text(std::move(bytes)) {}

// The reader bounds nesting, so plain recursion through unique_ptr is fine.
BValue::~BValue() = default;

std::string BValue::asString() const {
    if (kind != BStr) throw BadType{};
    return text;
}

int64_t BValue::asInt() const {
    if (kind != BInt) throw BadType{};
    return integer;
}

const BElements& BValue::asList() const {
    if (kind != BList) throw BadType{};
    if (held != Held::No) build(false);
    return elements;
}

namespace {

const BEntry* lowerBound(const BEntries& entries, std::string_view key) {
    return std::lower_bound(entries.begin(), entries.end(), key,
                            [](const BEntry& entry, std::string_view k) { return entry.first < k; });
}

}  // namespace

BValue* BValue::find(std::string_view key) const {
    if (kind != BDict) throw BadType{};
    if (held != Held::No) build(held == Held::LevelAtATime);
    auto it = lowerBound(entries, key);
    if (it == entries.end() || it->first != key) return nullptr;
    if (it->second->held == Held::Whole) it->second->build(false);
    return it->second.get();
}

void BValue::set(std::string_view key, BValuePtr child) {
    if (kind != BDict) throw BadType{};
    if (held != Held::No) build(false);
    // Documents list their keys in order, so appending is the common case.
    if (entries.empty() || entries.back().first < key) {
        entries.emplace_back(BText(key), std::move(child));
        return;
    }
    auto position = entries.begin() + (lowerBound(entries, key) - entries.begin());
    if (position->first == key)
        position->second = std::move(child);
    else
        entries.emplace(position, BText(key), std::move(child));
}

void BValue::append(BValuePtr child) {
    if (kind != BList) throw BadType{};
    if (held != Held::No) build(false);
    elements.push_back(std::move(child));
}

// ---- Writing ----------------------------------------------------------------

namespace {

// Decimal digits of a signed 64-bit value, as "%d" / "%I64d" would print it.
size_t decimalLength(int64_t value) {
    char digits[24];
    return static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
}

// The one encoder behind both writers. `Out` provides room(n), which returns
// a cursor with at least n free bytes (n at most kMaxPiece), advance(cursor),
// and bytes(data, size) for a run of any length.
constexpr size_t kMaxPiece = 32;

template <class Out>
void encode(const BValue& node, Out& out) {
    if (node.verbatim) {
        out.bytes(node.verbatim->data(), node.verbatim->size());
        return;
    }
    switch (node.kind) {
    case BStr: {
        char* cursor = out.room(kMaxPiece);
        cursor = std::to_chars(cursor, cursor + 24, static_cast<int64_t>(node.text.size())).ptr;
        *cursor++ = ':';
        out.advance(cursor);
        out.bytes(node.text.data(), node.text.size());
        break;
    }
    case BInt: {
        char* cursor = out.room(kMaxPiece);
        *cursor++ = 'i';
        cursor = std::to_chars(cursor, cursor + 24, node.integer).ptr;
        *cursor++ = 'e';
        out.advance(cursor);
        break;
    }
    case BList: {
        out.advance(out.room(1) + 1)[-1] = 'l';
        for (const auto& element : node.elements) encode(*element, out);
        out.advance(out.room(1) + 1)[-1] = 'e';
        break;
    }
    case BDict: {
        out.advance(out.room(1) + 1)[-1] = 'd';
        for (const auto& [key, value] : node.entries) {
            char* cursor = out.room(kMaxPiece);
            cursor = std::to_chars(cursor, cursor + 24, static_cast<int64_t>(key.size())).ptr;
            *cursor++ = ':';
            out.advance(cursor);
            out.bytes(key.data(), key.size());
            encode(*value, out);
        }
        out.advance(out.room(1) + 1)[-1] = 'e';
        break;
    }
    }
}

// Straight into the caller's buffer.
struct CursorOut {
    char* cursor;
    char* room(size_t) { return cursor; }
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
    char* room(size_t size) {
        if (static_cast<size_t>(buffer.get() + kSinkBuffer - cursor) < size) flush();
        return cursor;
    }
    char* advance(char* to) { return cursor = to; }
    void bytes(const char* data, size_t size) {
        if (size <= static_cast<size_t>(buffer.get() + kSinkBuffer - cursor)) {
            if (size) std::memcpy(cursor, data, size);
            cursor += size;
            return;
        }
        flush();
        if (size >= kSinkBuffer) {
            if (ok) ok = sink.put(data, size);
        } else {
            std::memcpy(cursor, data, size);
            cursor += size;
        }
    }
};

}  // namespace

void BValue::write(char*& cursor) const {
    CursorOut out{cursor};
    encode(*this, out);
    cursor = out.cursor;
}

bool writeDocument(const BValue& root, BSink& sink) {
    SinkOut out{sink};
    encode(root, out);
    return out.flush();
}

size_t BValue::encodedSize() const {
    if (verbatim) return verbatim->size();
    switch (kind) {
    case BStr:
        return decimalLength(static_cast<int64_t>(text.size())) + 1 + text.size();
    case BInt:
        return decimalLength(integer) + 2;
    case BList: {
        size_t size = 2;
        for (const auto& element : elements) size += element->encodedSize();
        return size;
    }
    case BDict: {
        size_t size = 2;
        for (const auto& [key, value] : entries)
            size += decimalLength(static_cast<int64_t>(key.size())) + 1 + key.size() + value->encodedSize();
        return size;
    }
    }
    return 0;
}

BValuePtr listOfString(const std::string& text) {
    auto list = std::make_unique<BValue>(BList);
    if (!text.empty()) list->append(std::make_unique<BValue>(text));
    return list;
}
