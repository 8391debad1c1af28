// A read-only look at a value of a tree that builds no nodes.
//
// Typed access on a held value (see reader.h) builds it: asList() on a
// torrent's "files" makes two nodes or more per file, which for a torrent
// of many files costs more than everything else the program does. A BView
// reads the same answers straight from the bytes a held value was checked
// against, and from the nodes of a value that is already built, without
// allocating (except for the entries of a dictionary whose keys are out of
// order, see forEachEntry) and without changing the tree.
//
// A view is a few pointers: the node it looks at, or, for a held value or a
// value inside one, the first byte of that value and the end of the bytes
// around it. Those bytes passed the reader's checks, so walking them cannot
// fail and never reaches past their end; the numbers in them are read with
// the reader's own conversion, so a view sees the values a built tree holds.
// A view lives no longer than the tree it looks into, and a node it looks at
// must not be built or changed meanwhile.
//
// The rules are those of BValue: each typed operation throws BadType on a
// value of another kind. A dictionary held as bytes may repeat a key or list
// its keys out of order; as in the built tree, the value read last under a
// key is the one seen, and entries come in key order.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "bencoding/bvalue.h"

class BView {
public:
    explicit BView(const BValue& node);

    BKind kind() const;
    int64_t asInt() const;
    std::string_view asText() const;
    // The value under the key, or none when the dictionary lacks it.
    std::optional<BView> find(std::string_view key) const;

    // Calls visit(BView) for each element of a list, in order.
    template <class Visit>
    void forEachElement(Visit&& visit) const {
        if (kind() != BList) throw BadType{};
        if (node_) {
            for (const BValuePtr& element : node_->elements) visit(BView(*element));
            return;
        }
        for (const char* at = bytes_ + 1; *at != 'e';) {
            const BView element(at, end_);
            visit(element);
            at = element.past_ ? element.past_ : pastValue(at);
        }
    }

    // Calls visit(std::string_view key, BView) for each entry of a
    // dictionary, in key order, each key once.
    template <class Visit>
    void forEachEntry(Visit&& visit) const {
        if (kind() != BDict) throw BadType{};
        if (node_) {
            for (const auto& [name, value] : node_->entries) visit(name.view(), BView(*value));
            return;
        }
        for (const auto& [name, value] : sortedEntries()) visit(name, value);
    }

private:
    BView(const char* bytes, const char* end) : bytes_(bytes), end_(end) {}

    // The byte just past the value that begins at `at`.
    const char* pastValue(const char* at) const;
    // The key that begins at `at`; `at` moves to the value after it.
    std::string_view key(const char*& at) const;
    std::vector<std::pair<std::string_view, BView>> sortedEntries() const;

    const BValue* node_ = nullptr;
    const char* bytes_ = nullptr;
    const char* end_ = nullptr;
    // Where the value ends, once a walk over all of it has found out: a
    // list's element is then not walked again to reach the next one.
    mutable const char* past_ = nullptr;
};
