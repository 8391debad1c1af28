#include "bencoding/bview.h"

#include <algorithm>
#include <cstddef>

#include "numbers/decimal.h"

namespace {

// The number at `at` as the reader reads it; `at` moves past it. Checked
// bytes: a number is followed by "e" or ":" before their end.
int64_t number(const char*& at) {
    size_t size = 0;
    while (at[size] != 'e' && at[size] != ':') ++size;
    const numbers::ClampedInt64 read = numbers::readClampedInt64(std::string_view(at, size));
    at += read.consumed;
    return read.value;
}

}  // namespace

BView::BView(const BValue& node) {
    if (node.bytesOnly)
        bytes_ = node.bytes.data();
    else
        node_ = &node;
}

BKind BView::kind() const {
    if (node_) return node_->kind;
    switch (*bytes_) {
        case 'i': return BInt;
        case 'l': return BList;
        case 'd': return BDict;
        default: return BStr;
    }
}

int64_t BView::asInt() const {
    if (node_) return node_->asInt();
    if (kind() != BInt) throw BadType{};
    const char* at = bytes_ + 1;
    return number(at);
}

std::string_view BView::asText() const {
    if (kind() != BStr) throw BadType{};
    if (node_) return node_->text;
    const char* at = bytes_;
    return text(at);
}

std::optional<BView> BView::find(std::string_view wanted) const {
    if (kind() != BDict) throw BadType{};
    if (node_) {
        const BValue* value = node_->find(wanted);
        return value ? std::optional<BView>(BView(*value)) : std::nullopt;
    }
    // Every entry is looked at: the last one under the key wins.
    std::optional<BView> found;
    for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at))
        if (text(at) == wanted) found = BView(at);
    return found;
}

std::string_view BView::text(const char*& at) {
    const size_t length = static_cast<size_t>(number(at));
    const char* bytes = at + 1;  // past the ':'
    at = bytes + length;
    return {bytes, length};
}

const char* BView::pastValue(const char* at) {
    switch (*at) {
        case 'i':
            while (*at != 'e') ++at;
            return at + 1;
        case 'l':
        case 'd':
            for (const bool dict = *at++ == 'd'; *at != 'e'; at = pastValue(at))
                if (dict) text(at);
            return at + 1;
        default:
            text(at);
            return at;
    }
}

std::vector<std::pair<std::string_view, BView>> BView::sortedEntries() const {
    std::vector<std::pair<std::string_view, BView>> entries;
    for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at)) {
        const std::string_view name = text(at);
        entries.emplace_back(name, BView(at));
    }
    // As the reader does: a stable sort, then the last of each run of one key.
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t kept = 0;
    for (const auto& entry : entries) {
        if (kept > 0 && entries[kept - 1].first == entry.first)
            entries[kept - 1] = entry;
        else
            entries[kept++] = entry;
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(kept), entries.end());
    return entries;
}
