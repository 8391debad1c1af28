// A read-only look at a value of a tree that reads the root's "info" from its
// bytes (see reader.h) and any other value through its node. Walking checked
// bytes cannot fail and never passes their end; their numbers are read with
// the reader's conversion. Typed reads throw BadType on a value of another
// kind. As in a tree the reader builds, a repeated key shows the value read
// last, and entries come in key order. A view must not outlive its tree.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "bencoding/bvalue.h"

class BView {
public:
    // A node held as bytes with no values of its own built is read from its bytes.
    explicit BView(const BValue& node)
        : node_(node.bytesOnly && node.elements.empty() && node.entries.empty() ? nullptr : &node),
          bytes_(node.bytes.data()) {}

    BKind kind() const;
    int64_t asInt() const;
    std::string_view asText() const;
    // The value under the key, or none when the dictionary lacks it.
    std::optional<BView> find(std::string_view key) const;

    // Calls visit(BView) for each element of a list, in order.
    template <class Visit>
    void forEachElement(Visit&& visit) const {
        if (kind() != BList) throw BadType{};
        if (node_)
            for (const BValuePtr& element : node_->elements) visit(BView(*element));
        else
            for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at)) visit(BView(at));
    }

    // Calls visit(std::string_view key, BView) for each entry, in key order.
    template <class Visit>
    void forEachEntry(Visit&& visit) const {
        if (kind() != BDict) throw BadType{};
        if (node_)
            for (const auto& [name, value] : node_->entries) visit(name, BView(*value));
        else
            for (const auto& [name, value] : sortedEntries()) visit(name, value);
    }

private:
    explicit BView(const char* bytes) : bytes_(bytes) {}
    static const char* pastValue(const char* at);   // the byte past the value at `at`
    static std::string_view text(const char*& at);  // the byte string at `at`, `at` past it
    std::vector<std::pair<std::string_view, BView>> sortedEntries() const;

    const BValue* node_ = nullptr;
    const char* bytes_ = nullptr;
};
