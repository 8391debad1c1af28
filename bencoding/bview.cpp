#include "bencoding/bview.h"

#include "numbers/decimal.h"

namespace {

// The number at `at`, which ends at an "e" or ":"; `at` moves past it.
int64_t number(const char*& at) {
    size_t size = 0;
    while (at[size] != 'e' && at[size] != ':') ++size;
    const numbers::ClampedInt64 read = numbers::readClampedInt64(std::string_view(at, size));
    at += read.consumed;
    return read.value;
}

}  // namespace

BKind BView::kind() const {
    if (node_) return node_->kind;
    return *bytes_ == 'i' ? BInt : *bytes_ == 'l' ? BList : *bytes_ == 'd' ? BDict : BStr;
}

int64_t BView::asInt() const {
    if (node_) return node_->asInt();
    if (kind() != BInt) throw BadType{};
    const char* at = bytes_ + 1;
    return number(at);
}

std::string_view BView::asText() const {
    if (kind() != BStr) throw BadType{};
    const char* at = bytes_;
    return node_ ? node_->text : text(at);
}

std::optional<BView> BView::find(std::string_view wanted) const {
    if (kind() != BDict) throw BadType{};
    if (node_) {
        const BValue* value = node_->child(wanted);
        return value ? std::optional<BView>(BView(*value)) : std::nullopt;
    }
    std::optional<BView> found;  // the last entry under the key wins
    for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at))
        if (text(at) == wanted) found = BView(at);
    return found;
}

std::string_view BView::text(const char*& at) {
    const auto length = static_cast<size_t>(number(at));
    const char* bytes = at + 1;  // past the ':'
    at = bytes + length;
    return {bytes, length};
}

const char* BView::pastValue(const char* at) {
    if (*at == 'i') {
        while (*at != 'e') ++at;
        return at + 1;
    }
    if (*at != 'l' && *at != 'd') {
        text(at);
        return at;
    }
    for (const bool dict = *at++ == 'd'; *at != 'e'; at = pastValue(at))
        if (dict) text(at);
    return at + 1;
}

std::vector<std::pair<std::string_view, BView>> BView::sortedEntries() const {
    std::vector<std::pair<std::string_view, BView>> entries;
    for (const char* at = bytes_ + 1; *at != 'e'; at = pastValue(at)) {
        const std::string_view name = text(at);  // moves `at` to the value
        entries.emplace_back(name, BView(at));
    }
    sortKeepingLast(entries);
    return entries;
}
