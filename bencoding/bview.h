// A read-only look at a value of a tree, the root's "info" included, which
// is held as its bytes only (see reader.h). A view reads such bytes in place,
// allocating nothing (except the entries of a dictionary whose keys are out
// of order, see forEachEntry), and reads a built node through the node.
//
// Held bytes passed the reader's checks, so walking them cannot fail and
// never reaches past their end; their numbers are read with the reader's own
// conversion. A view lives no longer than the tree it looks into, and the
// node it looks at must not change meanwhile.
//
// The rules are those of BValue: each typed operation throws BadType on a
// value of another kind. A dictionary held as bytes may repeat a key or list
// its keys out of order; as the reader builds it, the value read last under
// a key is the one seen, and entries come in key order.
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
        for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at)) visit(BView(at));
    }

    // Calls visit(std::string_view key, BView) for each entry of a
    // dictionary, in key order, each key once.
    template <class Visit>
    void forEachEntry(Visit&& visit) const {
        if (kind() != BDict) throw BadType{};
        if (node_) {
            for (const auto& [name, value] : node_->entries) visit(name, BView(*value));
            return;
        }
        for (const auto& [name, value] : sortedEntries()) visit(name, value);
    }

private:
    explicit BView(const char* bytes) : bytes_(bytes) {}

    // The byte just past the value that begins at `at`.
    static const char* pastValue(const char* at);
    // The key or byte string that begins at `at`; `at` moves past it.
    static std::string_view text(const char*& at);
    std::vector<std::pair<std::string_view, BView>> sortedEntries() const;

    const BValue* node_ = nullptr;
    const char* bytes_ = nullptr;
};
