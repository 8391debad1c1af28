// The in-memory tree of a bencoding document. A BValue carries all four
// payloads side by side; its kind tag says which one is meaningful. A list
// owns its elements, a dictionary the values of its entries; nodes are never
// copied or moved. Byte strings and keys are views: into the document read
// (see reader.h), or into bytes the node owns (a text given to the
// constructor, a key given to set()).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum BKind : int32_t { BStr = 0, BInt = 1, BList = 2, BDict = 3 };

// A typed operation on a node of another kind; logged as "Bad type access".
struct BadType { std::string message; };

// Input the reader refuses (see reader.h); logged as "Bad input data", then
// the message when there is one.
struct BadInput { std::string message; };

class BValue;
using BValuePtr = std::unique_ptr<BValue>;
using BElements = std::vector<BValuePtr>;
// A dictionary's entries: kept sorted by key (unsigned bytes), each key once.
using BEntry = std::pair<std::string_view, BValuePtr>;
using BEntries = std::vector<BEntry>;

struct BListView {  // read access to a list's elements
    const BElements& elements;
    size_t size() const { return elements.size(); }
    bool empty() const { return elements.empty(); }
    const BValue* operator[](size_t index) const { return elements[index].get(); }
};

class BValue {
public:
    explicit BValue(BKind kind) : kind(kind) {}  // every payload empty
    explicit BValue(std::string bytes);          // a BStr with a copy of the bytes
    BValue(const BValue&) = delete;
    BValue& operator=(const BValue&) = delete;

    // Typed access: each throws BadType, changing nothing, on a kind mismatch.
    std::string asString() const;
    int64_t asInt() const;
    BListView asList() const;
    // The value under the key, or null when the dictionary lacks it. The
    // non-const form hands out a child that may change, so this node is no
    // longer written as the bytes it was read from.
    const BValue* find(std::string_view key) const;
    BValue* find(std::string_view key);
    // Stores the child under the key, replacing (and destroying) an earlier value.
    void set(std::string_view key, BValuePtr child);
    void append(BValuePtr child);

    // Appends the encoding of this subtree at the cursor and advances it; the
    // caller provides room for encodedSize() bytes, exactly what it writes.
    void write(char*& cursor) const;
    size_t encodedSize() const;

    const BKind kind;
    int64_t integer = 0;
    std::string_view text;
    BElements elements;
    BEntries entries;
    // When not empty, the bytes this value is written as: the root's "info"
    // as read, or a list or dictionary read in canonical form. set(),
    // append() and the non-const find() clear it; whoever changes payloads
    // directly clears it on the node and on every node above it.
    std::string_view bytes;
    // The root's "info", and a list or dictionary in it, held as its bytes:
    // typed access but asInt() and asString() throws BadType; BView reads it.
    bool bytesOnly = false;

private:
    friend class BView;
    BValue* child(std::string_view key) const;  // the value under the key, or null
    std::forward_list<std::string> owned_;      // the text's or keys' bytes
};

// Receives a document in pieces from writeDocument; false stops the writing.
class BSink {
public:
    virtual bool put(const char* data, size_t size) = 0;

protected:
    ~BSink() = default;
};

// Writes the encoding of the tree to the sink through a buffer of a fixed
// size. A run of kDirectPiece bytes or more that a node views (a long byte
// string, the bytes of "info") goes to the sink straight from where it lies,
// so a sink may copy it from the document's file. False when the sink
// refused a piece.
constexpr size_t kDirectPiece = size_t{64} << 10;
bool writeDocument(const BValue& root, BSink& sink);

// Sorts a dictionary's entries read in any order by key, keeping of the
// entries under one key the one read last (the sort is stable).
template <class Entries>
void sortKeepingLast(Entries& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t kept = 0;
    for (auto& entry : entries) {
        if (kept > 0 && entries[kept - 1].first == entry.first) entries[kept - 1] = std::move(entry);
        else entries[kept++] = std::move(entry);
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(kept), entries.end());
}

// A BList holding a BStr with a copy of the text; empty for an empty text.
BValuePtr listOfString(const std::string& text);
