// The reader on any bytes: it returns a tree, null or BadInput, never
// anything else, and reads nothing outside the data. Whatever it accepts is
// written, read back and written again, and the two writings are the same
// bytes; the streamed writing equals the one into a buffer, and the reader
// with a progress hook builds the same tree as without.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bencoding/reader.h"

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

BValuePtr read(const char* data, size_t size, bool withProgress) {
    if (!withProgress) return parseDocument(data, static_cast<int32_t>(size));
    BReadProgress progress{[](const char* end, void* start) {
                               if (end < static_cast<const char*>(start)) std::abort();
                           },
                           const_cast<char*>(data)};
    return parseDocument(data, static_cast<int32_t>(size), progress);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    // A copy of exactly the input's size, so that any read past it is seen.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    BValuePtr root;
    try {
        root = read(copy.get(), size, false);
    } catch (const BadInput&) {
        try {
            read(copy.get(), size, true);
        } catch (const BadInput&) {
            return 0;
        }
        std::abort();  // the two readings disagree
    }
    BValuePtr again = read(copy.get(), size, true);
    if (!root) {
        if (again) std::abort();
        return 0;
    }
    const std::string first = written(*root);
    if (!again || written(*again) != first) std::abort();
    StringSink sink;
    if (!writeDocument(*root, sink) || sink.bytes != first) std::abort();

    BValuePtr reread = parseDocument(first.data(), static_cast<int32_t>(first.size()));
    if (!reread || written(*reread) != first) std::abort();
    return 0;
}
