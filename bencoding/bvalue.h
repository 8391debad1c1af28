// The in-memory tree of a bencoding document.
//
// A BValue is one concrete node type that carries all four payloads side by
// side; its kind tag says which one is meaningful. Children are owned: a list
// owns its elements, a dictionary the values of its entries, and destroying a
// node destroys its whole subtree. Nodes are never copied.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum BKind : int32_t {
    BStr = 0,
    BInt = 1,
    BList = 2,
    BDict = 3,
};

// Thrown by a typed operation applied to a node of another kind. Carries an
// empty message; the main flow logs "Bad type access".
struct BadType {
    std::string message;
};

// Thrown by the reader for a byte-string length that is not followed by a
// colon, or that cannot be satisfied by the bytes left. Logged as "Bad input data".
struct BadInput {
    std::string message;
};

// Where a tree gets the slabs that hold its nodes. Without a source every
// node is an ordinary allocation of its own. A program installs a source
// once, before its first tree is built (Tavrin backs the slabs with huge
// pages for a large torrent, because touching fresh memory page by page
// dominates the building of a tree of many nodes); slabs are always given
// back to the source that gave them. Not thread-safe: trees belong to one
// thread.
struct BMemorySource {
    void* (*obtain)(size_t size);  // null when no memory is left
    void (*giveBack)(void* block, size_t size);
};
// Ignored (false) while any node exists.
bool setBMemorySource(const BMemorySource& source);

// A byte string of any bytes (NUL included), 16 bytes in size: up to 12
// bytes are held in place, longer ones in a block of their own or, when
// borrowed, in memory that belongs to someone else. Compares its bytes as
// unsigned values, which is the canonical key order.
class alignas(8) BText {
public:
    static constexpr size_t kInPlace = 12;

    BText() noexcept : size_(0) {}
    BText(const char* data, size_t size);
    explicit BText(std::string_view bytes) : BText(bytes.data(), bytes.size()) {}
    explicit BText(const std::string& bytes) : BText(bytes.data(), bytes.size()) {}
    explicit BText(const char* text) : BText(std::string_view(text)) {}
    // Refers to the bytes instead of copying them (short ones are copied in
    // place all the same): they must stay unchanged and readable for as long
    // as this text or any text moved from it exists.
    static BText borrowed(const char* data, size_t size);
    ~BText() { release(); }
    BText(BText&& other) noexcept {
        std::memcpy(static_cast<void*>(this), &other, sizeof *this);
        other.size_ = 0;
    }
    BText& operator=(BText&& other) noexcept {
        if (this != &other) {
            release();
            std::memcpy(static_cast<void*>(this), &other, sizeof *this);
            other.size_ = 0;
        }
        return *this;
    }
    BText(const BText&) = delete;
    BText& operator=(const BText&) = delete;

    const char* data() const { return size_ > kInPlace ? heap() : bytes_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return {data(), size_}; }
    operator std::string_view() const { return view(); }
    operator std::string() const { return std::string(data(), size_); }
    // Only for a text that owns its bytes.
    char* writable() { return size_ > kInPlace ? heap() : bytes_; }
    const char* begin() const { return data(); }
    const char* end() const { return data() + size_; }

    friend bool operator==(const BText& a, const BText& b) { return a.view() == b.view(); }
    friend bool operator==(const BText& a, std::string_view b) { return a.view() == b; }
    // std::string_view compares through char_traits<char>, whose order is that
    // of unsigned char.
    friend std::strong_ordering operator<=>(const BText& a, const BText& b) { return a.view() <=> b.view(); }
    friend std::strong_ordering operator<=>(const BText& a, std::string_view b) { return a.view() <=> b; }

private:
    char* heap() const {
        char* pointer;
        std::memcpy(&pointer, bytes_ + 4, sizeof pointer);
        return pointer;
    }
    void allocate(size_t size);
    void release() noexcept;

    uint32_t size_;
    // The bytes in place; or byte 0 telling whether the bytes are borrowed,
    // and at offset 4 their address.
    char bytes_[12];
};

// A growable contiguous sequence in 16 bytes (a pointer and two 32-bit
// counts), for the children of a node: most nodes have none, and a tree of a
// large torrent holds millions of nodes.
template <class T>
class BArray {
public:
    BArray() noexcept = default;
    ~BArray() {
        clear();
        ::operator delete(data_);
    }
    BArray(const BArray&) = delete;
    BArray& operator=(const BArray&) = delete;
    BArray(BArray&& other) noexcept { swap(other); }
    BArray& operator=(BArray&& other) noexcept {
        BArray gone(std::move(*this));
        swap(other);
        return *this;
    }
    void swap(BArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t index) { return data_[index]; }
    const T& operator[](size_t index) const { return data_[index]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }

    template <class... Args>
    T& emplace_back(Args&&... args) {
        if (size_ == capacity_) grow(grownCapacity());
        T* slot = new (data_ + size_) T(std::forward<Args>(args)...);
        ++size_;
        return *slot;
    }
    void push_back(T&& value) { emplace_back(std::move(value)); }
    // Inserts before `position`, moving the later elements up.
    template <class... Args>
    T* emplace(T* position, Args&&... args) {
        size_t index = static_cast<size_t>(position - data_);
        T value(std::forward<Args>(args)...);
        emplace_back(std::move(value));
        for (size_t i = size_ - 1; i > index; --i) std::swap(data_[i], data_[i - 1]);
        return data_ + index;
    }
    void clear() { truncate(0); }
    // Destroys the elements from `size` on.
    void truncate(size_t size) {
        for (size_t i = size_; i > size; --i) data_[i - 1].~T();
        if (size < size_) size_ = static_cast<uint32_t>(size);
    }
    void shrink_to_fit() {
        if (size_ < capacity_) grow(size_);
    }

private:
    // The most elements the 32-bit counts can hold and whose bytes a size_t
    // can count, also where size_t has 32 bits.
    static constexpr size_t kMaxCount =
        SIZE_MAX / sizeof(T) < UINT32_MAX ? SIZE_MAX / sizeof(T) : size_t{UINT32_MAX};

    size_t grownCapacity() const {
        if (capacity_ >= kMaxCount) throw std::bad_alloc();
        if (capacity_ == 0) return 1;
        return capacity_ < kMaxCount / 2 ? 2 * size_t{capacity_} : kMaxCount;
    }

    void grow(size_t capacity) {
        if (capacity > kMaxCount) throw std::bad_alloc();
        T* moved = capacity ? static_cast<T*>(::operator new(capacity * sizeof(T))) : nullptr;
        for (size_t i = 0; i < size_; ++i) {
            new (moved + i) T(std::move(data_[i]));
            data_[i].~T();
        }
        ::operator delete(data_);
        data_ = moved;
        capacity_ = static_cast<uint32_t>(capacity);
    }

    T* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};

class BValue;
using BValuePtr = std::unique_ptr<BValue>;
using BElements = BArray<BValuePtr>;
// A dictionary's entries: kept sorted by key, each key once.
using BEntry = std::pair<BText, BValuePtr>;
using BEntries = BArray<BEntry>;

class BValue {
public:
    // A node of the given kind with every payload empty.
    explicit BValue(BKind kind);
    // A BStr node holding a copy of the bytes.
    explicit BValue(const std::string& bytes);
    explicit BValue(BText bytes);
    ~BValue();

    BValue(const BValue&) = delete;
    BValue& operator=(const BValue&) = delete;

    // Nodes come from slabs when a memory source is installed.
    static void* operator new(size_t size);
    static void operator delete(void* node, size_t size);

    // Typed access: each throws BadType, changing nothing, on a kind mismatch.
    std::string asString() const;
    int64_t asInt() const;
    const BElements& asList() const;
    // The value under the key, or null when the dictionary lacks it.
    BValue* find(std::string_view key) const;
    // Stores the child under the key, replacing (and destroying) an earlier value.
    void set(std::string_view key, BValuePtr child);
    void append(BValuePtr child);

    // Appends the encoding of this subtree at the cursor and advances it.
    // The caller provides room for encodedSize() bytes.
    void write(char*& cursor) const;
    // The exact number of bytes write() produces.
    size_t encodedSize() const;

    const BKind kind;
    int64_t integer = 0;
    BText text;
    BElements elements;
    BEntries entries;
    // When not null, the exact bytes this value was read from, owned or
    // borrowed from the document; the writer emits them instead of the
    // canonical form (see reader.h).
    std::unique_ptr<BText> verbatim;
    // A list or dictionary not built yet: its checked bytes are in
    // `verbatim`, and its elements or entries are empty until typed access
    // builds them (see reader.h). One held level at a time builds only its
    // own entries on find(), and stays held when handed out; a whole held
    // value is built in full before it is handed out or looked into.
    enum class Held : uint8_t { No, LevelAtATime, Whole };
    Held held = Held::No;

private:
    // Defined by the reader. A level: the elements or entries, with values
    // that are lists or dictionaries held in turn; otherwise the whole subtree.
    void build(bool levelOnly) const;
};

// Receives a document in pieces from writeDocument.
class BSink {
public:
    // False stops the writing.
    virtual bool put(const char* data, size_t size) = 0;

protected:
    ~BSink() = default;
};

// Writes the encoding of the tree to the sink through a buffer of a fixed
// size, so that no copy of the whole document is ever held; byte strings
// longer than the buffer go to the sink straight from their node. False when
// the sink refused a piece.
bool writeDocument(const BValue& root, BSink& sink);

// A new BList holding one BStr with a copy of the text, or no element when
// the text is empty.
BValuePtr listOfString(const std::string& text);
