// bdump FILE: prints a bencoding document (a torrent) as indented text.
// Byte strings are shown quoted with unprintable bytes as \xNN; long ones are
// shortened to their length.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "bencoding/bview.h"
#include "bencoding/reader.h"

namespace {

constexpr size_t kShownBytes = 120;

void printText(std::string_view bytes) {
    if (bytes.size() > kShownBytes) {
        std::printf("<%zu bytes>", bytes.size());
        return;
    }
    std::putchar('"');
    for (unsigned char c : bytes) {
        if (c < 0x20 || c >= 0x7f || c == '"' || c == '\\')
            std::printf("\\x%02x", c);
        else
            std::putchar(c);
    }
    std::putchar('"');
}

// Through a view: the root's "info" is held as its bytes.
void dump(const BView& node, int indent) {
    switch (node.kind()) {
    case BStr:
        printText(node.asText());
        std::putchar('\n');
        break;
    case BInt:
        std::printf("%lld\n", static_cast<long long>(node.asInt()));
        break;
    case BList:
        std::printf("[\n");
        node.forEachElement([indent](const BView& element) {
            std::printf("%*s", indent + 2, "");
            dump(element, indent + 2);
        });
        std::printf("%*s]\n", indent, "");
        break;
    case BDict:
        std::printf("{\n");
        node.forEachEntry([indent](std::string_view key, const BView& value) {
            std::printf("%*s", indent + 2, "");
            printText(key);
            std::printf(": ");
            dump(value, indent + 2);
        });
        std::printf("%*s}\n", indent, "");
        break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bdump FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "bdump: cannot read %s\n", argv[1]);
        return 1;
    }
    try {
        BValuePtr root = parseDocument(data.data(), static_cast<int32_t>(data.size()));
        if (!root) {
            std::fprintf(stderr, "bdump: %s holds no bencoding document\n", argv[1]);
            return 1;
        }
        dump(BView(*root), 0);
    } catch (...) {
        std::fprintf(stderr, "bdump: %s is not valid bencoding\n", argv[1]);
        return 1;
    }
    return 0;
}
