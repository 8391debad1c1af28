// The reader on any bytes, against a plain reference reader written from the
// rules (every value built into standard containers, nothing viewed). The
// reader returns a tree, null or BadInput, never anything else, and reads
// nothing outside the data; it agrees with the reference on the outcome and
// the tail, and refuses with its budget only a document that needs more
// nodes. Whatever it accepts it writes as the reference does (canonical,
// the root's "info" as the exact bytes it was read from), into a buffer and
// to a sink alike, and reads back and writes again to the same bytes. A view
// sees what the reference tree holds, and the size gathered while "info" is
// checked is the one the reference finds.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "augment/retracker_step.h"
#include "bencoding/reader.h"
#include "tests/support/view_text.h"

namespace {

struct Ref {
    BKind kind = BInt;
    int64_t integer = 0;
    std::string text;
    std::vector<Ref> elements;
    std::map<std::string, Ref> entries;  // std::string orders as unsigned bytes
    std::string verbatim;                // the root's "info": its bytes
};

struct RefReader {
    const char* at;
    int32_t left;
    size_t built = 0;  // values begun outside the root's "info", counted as the reader counts them
    int infoDepth = -1;  // the depth of the root's "info" while it is read

    int64_t number() {
        const char* before = at;
        const int32_t leftBefore = left;
        while (left > 0 && std::strchr(" \t\n\v\f\r", *at) && *at) ++at, --left;
        const bool negative = left > 0 && *at == '-';
        if (left > 0 && (*at == '-' || *at == '+')) ++at, --left;
        if (left == 0 || *at < '0' || *at > '9') {
            at = before;
            left = leftBefore;
            return 0;
        }
        // The magnitude, held at 2^63 + 1 once past the 64-bit range (no 128-bit type on 32-bit targets).
        constexpr uint64_t kPastRange = (uint64_t{1} << 63) + 1;
        uint64_t magnitude = 0;
        for (; left > 0 && *at >= '0' && *at <= '9'; ++at, --left) {
            const auto digit = static_cast<uint64_t>(*at - '0');
            magnitude = magnitude >= kPastRange || magnitude > (kPastRange - digit) / 10 ? kPastRange
                                                                                          : magnitude * 10 + digit;
        }
        if (!negative) return magnitude > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(magnitude);
        if (magnitude > uint64_t{INT64_MAX}) return INT64_MIN;
        return -static_cast<int64_t>(magnitude);
    }
    std::string byteString() {
        const int64_t length = number();
        if (left == 0 || *at != ':' || length < 0 || length > left - 1) throw BadInput{};
        std::string bytes(at + 1, static_cast<size_t>(length));
        at += length + 1;
        left -= static_cast<int32_t>(length + 1);
        return bytes;
    }
    std::optional<Ref> value(int depth) {
        if (left == 0) return std::nullopt;
        Ref ref;
        const char c = *at;
        const bool counted = infoDepth < 0 || depth <= infoDepth + 1;  // "info" and its own values
        if (counted && ((c >= '0' && c <= '9') || c == 'i')) ++built;
        if (c >= '0' && c <= '9') {
            ref.kind = BStr;
            ref.text = byteString();
        } else if (c == 'i') {
            ++at, --left;
            ref.integer = number();
            if (left == 0 || *at != 'e') return std::nullopt;
            ++at, --left;
        } else if (c == 'l' || c == 'd') {
            if (depth >= kMaxNestingDepth) throw BadInput{};
            if (counted) ++built;
            ref.kind = c == 'l' ? BList : BDict;
            ++at, --left;
            for (;;) {
                if (left == 0) return std::nullopt;
                if (*at == 'e') break;
                if (c == 'l') {
                    std::optional<Ref> element = value(depth + 1);
                    if (!element) return std::nullopt;
                    ref.elements.push_back(std::move(*element));
                    continue;
                }
                const std::string key = byteString();
                const bool info = depth == 0 && key == "info";
                const char* start = at;
                if (info) infoDepth = depth + 1;
                std::optional<Ref> child = value(depth + 1);
                if (info) infoDepth = -1;
                if (!child) return std::nullopt;
                if (info) child->verbatim.assign(start, static_cast<size_t>(at - start));
                ref.entries[key] = std::move(*child);
            }
            ++at, --left;
        } else {
            return std::nullopt;
        }
        return ref;
    }
};

// As the writer writes it; `full` ignores the kept bytes of "info".
std::string encoded(const Ref& ref, bool full) {
    if (!full && !ref.verbatim.empty()) return ref.verbatim;
    switch (ref.kind) {
        case BStr: return std::to_string(ref.text.size()) + ":" + ref.text;
        case BInt: return "i" + std::to_string(ref.integer) + "e";
        case BList: {
            std::string out = "l";
            for (const Ref& element : ref.elements) out += encoded(element, full);
            return out + "e";
        }
        case BDict: {
            std::string out = "d";
            for (const auto& [key, value] : ref.entries)
                out += std::to_string(key.size()) + ":" + key + encoded(value, full);
            return out + "e";
        }
    }
    return "?";
}

// The torrent's size as the retracker step reads it; none for a type error.
std::optional<int64_t> refSize(const Ref& root) {
    const auto at = [](const Ref& dict, const char* key) -> const Ref* {
        if (dict.kind != BDict) return nullptr;
        const auto it = dict.entries.find(key);
        return it == dict.entries.end() ? nullptr : &it->second;
    };
    const auto length = [&](const Ref& file, uint64_t& sum) {
        const Ref* value = at(file, "length");
        if (!value || value->kind != BInt) return false;
        sum += static_cast<uint64_t>(value->integer);
        return true;
    };
    const Ref* info = at(root, "info");
    if (!info || info->kind != BDict) return std::nullopt;
    uint64_t sum = 0;
    if (const Ref* single = at(*info, "length"))
        return single->kind == BInt ? std::optional<int64_t>(single->integer) : std::nullopt;
    if (const Ref* files = at(*info, "files")) {
        if (files->kind != BList) return std::nullopt;
        for (const Ref& file : files->elements)
            if (!length(file, sum)) return std::nullopt;
        return static_cast<int64_t>(sum);
    }
    const Ref* tree = at(*info, "file tree");
    const auto walk = [&](const auto& self, const Ref& level) -> bool {
        if (level.kind != BDict) return false;
        for (const auto& [name, node] : level.entries)
            if (!(name.empty() ? length(node, sum) : self(self, node))) return false;
        return true;
    };
    if (!tree || !walk(walk, *tree)) return std::nullopt;
    return static_cast<int64_t>(sum);
}

std::string written(const BValue& root) {
    std::string out(root.encodedSize(), '\0');
    char* cursor = out.data();
    root.write(cursor);
    if (static_cast<size_t>(cursor - out.data()) != out.size()) std::abort();
    return out;
}

struct StringSink : BSink {
    std::string bytes;
    bool put(const char* data, size_t size) override {
        bytes.append(data, size);
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // A copy of exactly the input's size, so that any read past it is seen.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    const auto count = static_cast<int32_t>(size);

    RefReader reference{copy.get(), count};
    std::optional<Ref> expected;
    bool refBad = false;
    try {
        expected = reference.value(0);
    } catch (const BadInput&) {
        refBad = true;
    }
    BValuePtr root;
    int32_t tail = -1;
    std::optional<int64_t> gathered;
    try {
        root = parseDocument(copy.get(), count, &tail, &gathered);
    } catch (const BadInput& bad) {
        // Refused for its budget: the reference built more values than it allows.
        if (!bad.message.empty() && (refBad || reference.built > kMaxValues)) return 0;
        if (!bad.message.empty() || !refBad) std::abort();
        return 0;
    }
    if (refBad || !root != !expected || tail != reference.left || reference.built > kMaxValues) std::abort();
    if (!root) return 0;

    const std::string first = written(*root);
    if (first != encoded(*expected, false)) std::abort();
    StringSink sink;
    if (!writeDocument(*root, sink) || sink.bytes != first) std::abort();
    bool findsAgree = true;
    if (viewText(BView(*root), 16, findsAgree) != encoded(*expected, true) || !findsAgree) std::abort();
    // The size: gathered on the way when it can be, else walked through views.
    const std::optional<int64_t> contentSize = refSize(*expected);
    if (gathered && gathered != contentSize) std::abort();
    try {
        if (totalSize(*root) != contentSize) std::abort();
    } catch (const BadType&) {
        if (contentSize) std::abort();
    }

    // The root's "info" (the last one, when the key repeats) is a span of the data.
    if (root->kind == BDict) {
        if (const BValue* info = std::as_const(*root).find("info")) {
            const std::string_view span = info->bytes;
            if (span.data() < copy.get() || span.data() + span.size() > copy.get() + size) std::abort();
            if (span != expected->entries.at("info").verbatim) std::abort();
        }
    }

    BValuePtr reread = parseDocument(first.data(), static_cast<int32_t>(first.size()));
    if (!reread || written(*reread) != first) std::abort();
    return 0;
}
