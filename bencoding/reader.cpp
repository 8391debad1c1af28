#include "bencoding/reader.h"

#include <string_view>

#include "bencoding/bview.h"
#include "numbers/decimal.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

enum class Role { None, Files, Tree, File };  // of a value in the torrent's size
struct Sizes { bool known = true; uint64_t sum = 0; };  // unsigned: the sum wraps

// One reading pass: the cursor, the remaining count, the nodes built, and
// whether all read since `canonical` was last set true was canonical.
struct Reader {
    const char* cursor;
    int32_t remaining;
    std::optional<int64_t>* contentSize = nullptr;
    bool canonical = true;
    size_t values = 0;
    int64_t integer = 0;  // the last integer read
    int holdDepth = -1;   // the depth of the values of "info", while it is read
    Role heldRole = Role::None;  // of the value read next
    Sizes held[3] = {};   // of the last value held under "files" and "file tree"

    void advance(int32_t count) { cursor += count, remaining -= count; }

    int64_t number() {
        const numbers::ClampedInt64 read = numbers::readClampedInt64(std::string_view(cursor, static_cast<size_t>(remaining)));
        if (read.consumed == 0) return 0;  // no digit: nothing consumed
        if (!read.plain) canonical = false;
        advance(static_cast<int32_t>(read.consumed));
        return read.value;
    }

    // A length, its ":" and the bytes; leaves the cursor past them.
    std::string_view byteString() {
        const char* start = cursor;
        const int64_t length = number();
        // A key's length may be missing (":" alone is an empty key), which is written "0:".
        if (cursor == start) canonical = false;
        if (remaining == 0 || *cursor != ':' || length < 0 || length > remaining - 1) throw BadInput{};
        const std::string_view bytes(cursor + 1, static_cast<size_t>(length));
        advance(static_cast<int32_t>(length) + 1);
        return bytes;
    }

    // The integer at the cursor, "i" to "e", into `integer`; false without the "e".
    bool integerValue() {
        advance(1);
        const char* digits = cursor;
        integer = number();
        if (cursor == digits) canonical = false;  // "ie" is written "i0e"
        if (remaining == 0 || *cursor != 'e') return false;
        advance(1);
        return true;
    }

    BValuePtr node(BKind kind) {
        if (++values > kMaxValues)
            throw BadInput{"The document needs more than " + std::to_string(kMaxValues) + " values, the reader's budget"};
        return std::make_unique<BValue>(kind);
    }

    BValuePtr value(int depth) {
        if (remaining == 0) return nullptr;
        const char c = *cursor;
        if (isDigit(c)) {
            BValuePtr text = node(BStr);
            text->text = byteString();
            return text;
        }
        if (c == 'i') {
            BValuePtr number = node(BInt);
            if (!integerValue()) return nullptr;
            number->integer = integer;
            return number;
        }
        if (c != 'l' && c != 'd') return nullptr;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        const char* start = cursor;
        BValuePtr container = node(c == 'l' ? BList : BDict);
        if (depth == holdDepth) {  // in "info": checked, kept as its bytes
            container->bytesOnly = true;
            Sizes& sizes = held[static_cast<int>(heldRole)] = Sizes{};
            if (!skip(depth, heldRole, sizes)) return nullptr;
            container->bytes = {start, static_cast<size_t>(cursor - start)};
            return container;
        }
        const bool outer = canonical;
        canonical = true;
        advance(1);
        BEntries& entries = container->entries;
        bool ascending = true;  // each key above the one before
        for (;;) {
            if (remaining == 0) return nullptr;
            if (*cursor == 'e') break;
            const std::string_view key = c == 'd' ? byteString() : std::string_view();
            heldRole = key == "files" ? Role::Files : key == "file tree" ? Role::Tree : Role::None;
            BValuePtr child = c == 'd' && depth == 0 && key == "info" ? info(depth + 1) : value(depth + 1);
            if (!child) return nullptr;
            if (c == 'l') {
                container->elements.push_back(std::move(child));
                continue;
            }
            if (!entries.empty() && !(entries.back().first < key)) ascending = canonical = false;
            entries.emplace_back(key, std::move(child));
        }
        advance(1);
        if (!ascending) sortKeepingLast(entries);
        if (canonical) container->bytes = {start, static_cast<size_t>(cursor - start)};
        canonical = outer && canonical;
        return container;
    }

    // The root's "info", written as read: its own values are built, the lists and dictionaries in them
    // held as their checked bytes, and the torrent's size gathered on the way.
    BValuePtr info(int depth) {
        const char* start = cursor;
        const bool outer = canonical;
        holdDepth = depth + 1;
        BValuePtr info = value(depth);
        holdDepth = -1;
        canonical = outer;
        if (!info) return nullptr;
        info->bytes = {start, static_cast<size_t>(cursor - start)};
        info->bytesOnly = true;
        if (contentSize) *contentSize = sizeOf(*info);
        return info;
    }

    // As the view reads it: "length", else the files of "files" or "file tree".
    std::optional<int64_t> sizeOf(const BValue& info) const {
        if (info.kind != BDict) return std::nullopt;
        Sizes sizes{false};
        if (const std::optional<BView> length = BView(info).find("length"))
            sizes = {length->kind() == BInt, length->kind() == BInt ? static_cast<uint64_t>(length->asInt()) : 0};
        else if (const std::optional<BView> files = BView(info).find("files"))
            sizes = files->kind() == BList ? held[static_cast<int>(Role::Files)] : sizes;
        else if (const std::optional<BView> tree = BView(info).find("file tree"))
            sizes = tree->kind() == BDict ? held[static_cast<int>(Role::Tree)] : sizes;
        return sizes.known ? std::optional<int64_t>(static_cast<int64_t>(sizes.sum)) : std::nullopt;
    }

    // Passes over a value with the checks and outcomes of value() (false for its null), building nothing,
    // and adds to `sizes` what it holds in its role; sizes.known turns false where one pass cannot tell.
    bool skip(int depth, Role role, Sizes& sizes) {
        if (remaining == 0) return false;
        const char c = *cursor;
        // "files" is a list; a file and a file tree are dictionaries.
        if (role != Role::None && c != (role == Role::Files ? 'l' : 'd')) {
            sizes.known = false;
            role = Role::None;
        }
        if (c == 'i') return integerValue();
        if (isDigit(c)) {
            byteString();
            return true;
        }
        if (c != 'l' && c != 'd') return false;
        if (depth >= kMaxNestingDepth) throw BadInput{};
        advance(1);
        std::optional<Sizes> length;  // of a file: the value read last under "length"
        std::string_view previous;
        for (bool first = true;; first = false) {
            if (remaining == 0) return false;
            if (*cursor == 'e') break;
            Role inner = role == Role::Files ? Role::File : Role::None;
            const std::string_view key = c == 'd' ? byteString() : std::string_view();
            if (role == Role::Tree) {
                if (!first && !(previous < key)) sizes.known = false;  // a repeated key replaces a subtree
                previous = key;
                inner = key.empty() ? Role::File : Role::Tree;
            }
            const bool isLength = role == Role::File && key == "length";
            const bool isInteger = remaining > 0 && *cursor == 'i';
            // A string or an integer is read here, as skip() would, without a call for each.
            const bool leaf = isInteger || (remaining > 0 && isDigit(*cursor));
            if (leaf && inner != Role::None) sizes.known = false;
            if (leaf && !isInteger) byteString();
            else if (!(isInteger ? integerValue() : skip(depth + 1, inner, sizes))) return false;
            if (isLength) length = Sizes{isInteger, static_cast<uint64_t>(integer)};
        }
        advance(1);
        if (role == Role::File) {
            if (!length || !length->known) sizes.known = false;
            sizes.sum += length ? length->sum : 0;
        }
        return true;
    }
};

// One step of a Reader on the caller's cursor and count.
template <class Step>
auto step(const char*& cursor, int32_t& remaining, Step read) {
    Reader reader{cursor, remaining};
    auto result = read(reader);
    cursor = reader.cursor;
    remaining = reader.remaining;
    return result;
}

}  // namespace

BValuePtr parseDocument(const char* data, int32_t size, int32_t* tail, std::optional<int64_t>* contentSize) {
    if (contentSize) contentSize->reset();
    Reader reader{data, size, contentSize};
    BValuePtr root = reader.value(0);
    if (tail) *tail = reader.remaining;
    return root;
}

BValuePtr parseValue(const char*& cursor, int32_t& remaining, int depth) {
    return step(cursor, remaining, [depth](Reader& reader) { return reader.value(depth); });
}

void readByteString(const char*& cursor, int32_t& remaining, std::string& out) {
    out = step(cursor, remaining, [](Reader& reader) { return reader.byteString(); });
}

int64_t readInteger(const char*& cursor, int32_t& remaining) {
    return step(cursor, remaining, [](Reader& reader) { return reader.number(); });
}
