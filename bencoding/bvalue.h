// The in-memory tree of a bencoding document.
//
// A BValue is one concrete node type that carries all four payloads side by
// side; its kind tag says which one is meaningful. Children are owned: a list
// owns its elements, a dictionary the values of its entries, and destroying a
// node destroys its whole subtree. Nodes are never copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
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

class BValue;
using BValuePtr = std::unique_ptr<BValue>;

class BValue {
public:
    // A node of the given kind with every payload empty.
    explicit BValue(BKind kind);
    // A BStr node holding a copy of the bytes.
    explicit BValue(std::string bytes);
    ~BValue();

    BValue(const BValue&) = delete;
    BValue& operator=(const BValue&) = delete;

    // Typed access: each throws BadType, changing nothing, on a kind mismatch.
    std::string asString() const;
    int64_t asInt() const;
    const std::vector<BValuePtr>& asList() const;
    // The value under the key, or null when the dictionary lacks it.
    BValue* find(const char* key) const;
    // Stores the child under the key, replacing (and destroying) an earlier value.
    void set(const char* key, BValuePtr child);
    void append(BValuePtr child);

    // Appends the encoding of this subtree at the cursor and advances it.
    // The caller provides room for encodedSize() bytes.
    void write(char*& cursor) const;
    // The exact number of bytes write() produces.
    size_t encodedSize() const;

    const BKind kind;
    int64_t integer = 0;
    std::string text;
    std::vector<BValuePtr> elements;
    // std::string orders its bytes as unsigned values, which is the
    // canonical key order, so iterating the map writes keys in order.
    std::map<std::string, BValuePtr> entries;
    // When not empty, the exact bytes this value was read from; the writer
    // emits them instead of the canonical form (see reader.h).
    std::string verbatim;
};

// A new BList holding one BStr with a copy of the text, or no element when
// the text is empty.
BValuePtr listOfString(const std::string& text);
