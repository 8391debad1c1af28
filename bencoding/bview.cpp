#include "bencoding/bview.h"

#include <algorithm>
#include <cstddef>

#include "numbers/decimal.h"

namespace {

// The number at `at` as the reader reads it; `at` moves past it.
int64_t number(const char*& at, const char* end) {
    const numbers::ClampedInt64 read = numbers::readClampedInt64(std::string_view(at, static_cast<size_t>(end - at)));
    at += read.consumed;
    return read.value;
}

const BEntry* entryOf(const BEntries& entries, std::string_view key) {
    const BEntry* it = std::lower_bound(entries.begin(), entries.end(), key,
                                        [](const BEntry& entry, std::string_view k) { return entry.first < k; });
    return it != entries.end() && it->first == key ? it : nullptr;
}

}  // namespace

BView::BView(const BValue& node) {
    if (node.held == BValue::Held::No) {
        node_ = &node;
        return;
    }
    bytes_ = node.verbatim->data();
    end_ = bytes_ + node.verbatim->size();
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
    return number(at, end_);
}

std::string_view BView::asText() const {
    if (node_) {
        if (node_->kind != BStr) throw BadType{};
        return node_->text.view();
    }
    if (kind() != BStr) throw BadType{};
    const char* at = bytes_;
    return key(at);
}

std::optional<BView> BView::find(std::string_view wanted) const {
    if (kind() != BDict) throw BadType{};
    if (node_) {
        const BEntry* entry = entryOf(node_->entries, wanted);
        if (!entry) return std::nullopt;
        return BView(*entry->second);
    }
    // Every entry is looked at: the last one under the key wins.
    std::optional<BView> found;
    const char* at = bytes_ + 1;
    for (; *at != 'e'; at = pastValue(at))
        if (key(at) == wanted) found = BView(at, end_);
    past_ = at + 1;
    return found;
}

std::string_view BView::key(const char*& at) const {
    // Checked bytes: a length of digits alone is followed by its ":" and fits.
    size_t length = 0;
    if (*at >= '0' && *at <= '9')
        for (; *at >= '0' && *at <= '9'; ++at) length = length * 10 + static_cast<size_t>(*at - '0');
    else
        length = static_cast<size_t>(number(at, end_));
    const char* text = at + 1;  // past the ':'
    at = text + length;
    return {text, length};
}

const char* BView::pastValue(const char* at) const {
    switch (*at) {
        case 'i':
            // Checked bytes: an "e" ends the number, and numbers are short.
            while (*at != 'e') ++at;
            return at + 1;
        case 'l':
            for (++at; *at != 'e';) at = pastValue(at);
            return at + 1;
        case 'd':
            for (++at; *at != 'e';) {
                key(at);
                at = pastValue(at);
            }
            return at + 1;
        default:
            key(at);
            return at;
    }
}

std::vector<std::pair<std::string_view, BView>> BView::sortedEntries() const {
    std::vector<std::pair<std::string_view, BView>> entries;
    bool ascending = true;
    for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at)) {
        const std::string_view name = key(at);
        if (!entries.empty() && !(entries.back().first < name)) ascending = false;
        entries.emplace_back(name, BView(at, end_));
    }
    if (ascending) return entries;
    // As the reader does: a stable sort, then the last of each run of one key.
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && entries[kept - 1].first == entries[i].first)
            entries[kept - 1] = entries[i];
        else
            entries[kept++] = entries[i];
    }
    entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(kept), entries.end());
    return entries;
}
