// The reader on any bytes: it returns a tree, null or BadInput, never
// anything else, and reads nothing outside the data. Reading in place and
// reading with copies agree. Whatever it accepts is written, read back and
// written again, and the two writings are the same bytes; the streamed
// writing equals the one into a buffer. The root's "info" is written as the
// exact bytes it was read from. A view of the in-place tree sees what one of
// the built tree sees.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bencoding/reader.h"
#include "tests/support/view_text.h"

namespace {

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

struct Outcome {
    BValuePtr root;
    bool badInput = false;
    int32_t tail = -1;
};

Outcome read(const char* data, size_t size, bool inPlace) {
    Outcome outcome;
    try {
        const auto count = static_cast<int32_t>(size);
        outcome.root = inPlace ? parseDocumentInPlace(data, count, &outcome.tail) : parseDocument(data, count, &outcome.tail);
    } catch (const BadInput&) {
        outcome.badInput = true;
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // A copy of exactly the input's size, so that any read past it is seen.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    Outcome copied = read(copy.get(), size, false);
    Outcome inPlace = read(copy.get(), size, true);
    if (copied.badInput != inPlace.badInput || !copied.root != !inPlace.root || copied.tail != inPlace.tail)
        std::abort();  // the two readings disagree
    if (!copied.root) return 0;
    if (copied.tail < 0 || static_cast<size_t>(copied.tail) > size) std::abort();
    // A view reads the held values of the in-place tree as the built tree has them.
    bool findsAgree = true;
    if (viewText(BView(*inPlace.root), 16, findsAgree) != viewText(BView(*copied.root), 16, findsAgree) || !findsAgree)
        std::abort();

    const std::string first = written(*copied.root);
    if (written(*inPlace.root) != first) std::abort();
    StringSink sink;
    if (!writeDocument(*copied.root, sink) || sink.bytes != first) std::abort();

    // The root's "info" (the last one, when the key repeats) comes back as
    // the bytes it was read from: the in-place tree holds them as a span of
    // the data, and the tree that copied them writes the same.
    if (copied.root->kind == BDict) {
        if (const BValue* info = copied.root->find("info")) {
            const BValue* held = inPlace.root->find("info");
            if (!held || !held->verbatim) std::abort();
            const BText& span = *held->verbatim;
            if (span.size() > BText::kInPlace &&
                (span.data() < copy.get() || span.data() + span.size() > copy.get() + size))
                std::abort();
            if (written(*info) != std::string(span)) std::abort();
            // Typed access into the held "info" finds what the built one has.
            if (info->kind == BDict) {
                for (const auto& [key, value] : info->entries) {
                    const BValue* found = held->find(key);
                    if (!found || written(*found) != written(*value)) std::abort();
                    if (found->kind == BList && found->asList().size() != value->asList().size()) std::abort();
                }
            }
        }
    }

    BValuePtr reread = parseDocument(first.data(), static_cast<int32_t>(first.size()));
    if (!reread || written(*reread) != first) std::abort();
    return 0;
}
