// The in-memory tree of a bencoding document.
//
// A BValue is one concrete node type that carries all four payloads side by
// side; its kind tag says which one is meaningful. Children are owned: a list
// owns its elements, a dictionary the values of its entries, and destroying a
// node destroys its whole subtree. Nodes are never copied or moved.
//
// Byte strings and keys are views: into the document the reader read (which
// stays readable and unchanged while the tree lives), or into bytes the node
// owns (a text given to the constructor, a key given to set()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <forward_list>
#include <memory>
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

// Thrown by the reader for input it refuses (see reader.h); logged as "Bad
// input data", then the message when there is one.
struct BadInput {
    std::string message;
};

class BValue;
using BValuePtr = std::unique_ptr<BValue>;
using BElements = std::vector<BValuePtr>;
// A dictionary's entries: kept sorted by key (unsigned bytes), each key once.
using BEntry = std::pair<std::string_view, BValuePtr>;
using BEntries = std::vector<BEntry>;

// Read access to a list's elements.
class BListView {
public:
    explicit BListView(const BElements& elements) : elements_(elements) {}
    size_t size() const { return elements_.size(); }
    bool empty() const { return elements_.empty(); }
    const BValue* operator[](size_t index) const { return elements_[index].get(); }

private:
    const BElements& elements_;
};

class BValue {
public:
    // A node of the given kind with every payload empty.
    explicit BValue(BKind kind) : kind(kind) {}
    // A BStr node holding a copy of the bytes.
    explicit BValue(std::string bytes);
    // A BStr node viewing bytes that outlive it (the reader's document).
    static BValuePtr viewing(std::string_view bytes);

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

    // Appends the encoding of this subtree at the cursor and advances it.
    // The caller provides room for encodedSize() bytes.
    void write(char*& cursor) const;
    // The exact number of bytes write() produces.
    size_t encodedSize() const;

    const BKind kind;
    int64_t integer = 0;
    std::string_view text;
    BElements elements;
    BEntries entries;
    // When not empty, the bytes this value is written as: set by the reader
    // for the root's "info" (always) and for a list or dictionary read in
    // canonical form, and cleared by set(), append() and the non-const
    // find(). Whoever changes the payloads directly clears it on the node
    // and on every node above it.
    std::string_view bytes;
    // The root's "info" as a list or dictionary is not built: its elements
    // or entries stay empty, and BView (bview.h) reads it from `bytes`.
    bool bytesOnly = false;

private:
    std::forward_list<std::string> owned_;  // the text's or keys' bytes
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
// size, so that no copy of the whole document is ever held. A run of bytes
// of kDirectPiece or more that a node views (a long byte string, the bytes
// of "info") goes to the sink as one piece straight from where it lies, so
// a sink may copy a piece of the read document from its file. False when
// the sink refused a piece.
constexpr size_t kDirectPiece = size_t{64} << 10;
bool writeDocument(const BValue& root, BSink& sink);

// A new BList holding one BStr with a copy of the text, or no element when
// the text is empty.
BValuePtr listOfString(const std::string& text);
