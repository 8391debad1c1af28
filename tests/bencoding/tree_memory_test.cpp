#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "bencoding/reader.h"

namespace {

std::string inBuffer(const BValue& root) {
    std::string out(root.encodedSize(), '\0');
    char* cursor = out.data();
    root.write(cursor);
    return out;
}

struct StringSink : BSink {
    std::string bytes;
    size_t pieces = 0;
    size_t refuseAfter = SIZE_MAX;
    bool put(const char* data, size_t size) override {
        if (pieces++ >= refuseAfter) return false;
        bytes.append(data, size);
        return true;
    }
};

// A document with strings below and above the writer's buffer, between many
// small values.
std::string mixedDocument() {
    std::string document = "d";
    document += "1:a" + std::to_string(300000) + ":" + std::string(300000, 'a');
    document += "1:bl";
    for (int i = 0; i < 20000; ++i) document += "i" + std::to_string(i) + "e3:xyz";
    document += "e1:c" + std::to_string(3 << 20) + ":" + std::string(3 << 20, 'c');
    document += "4:infod1:bi1e1:ai007ee";  // kept as read
    return document + "e";
}

TEST(TreeMemory, StreamedWritingEqualsTheBufferAndStopsWhenRefused) {
    const std::string document = mixedDocument();
    BValuePtr root = parseDocument(document.data(), static_cast<int32_t>(document.size()));
    ASSERT_TRUE(root);
    StringSink sink;
    EXPECT_TRUE(writeDocument(*root, sink));
    EXPECT_EQ(sink.bytes, inBuffer(*root));
    EXPECT_EQ(sink.bytes, document);
    StringSink refusing;
    refusing.refuseAfter = 1;
    EXPECT_FALSE(writeDocument(*root, refusing));
}

// Read in place, the tree copies no long byte string and holds "info" as a
// span of the document; it writes the same bytes as a tree that copied all.
TEST(TreeMemory, InPlaceTreeBorrowsFromTheDocument) {
    const std::string document = mixedDocument();
    const char* begin = document.data();
    const char* end = begin + document.size();
    auto inside = [&](const BText& text) { return text.data() >= begin && text.data() + text.size() <= end; };
    BValuePtr root = parseDocumentInPlace(begin, static_cast<int32_t>(document.size()));
    ASSERT_TRUE(root);
    EXPECT_TRUE(inside(root->find("a")->text));
    EXPECT_TRUE(inside(root->find("c")->text));
    BValue* info = root->find("info");
    ASSERT_TRUE(info->verbatim);
    EXPECT_TRUE(inside(*info->verbatim));
    EXPECT_EQ(info->held, BValue::Held::No);  // its own entries built at once
    EXPECT_EQ(info->find("a")->asInt(), 7);              // typed access into "info" as usual
    EXPECT_EQ(info->entries.size(), 2u);
    BValuePtr copied = parseDocument(begin, static_cast<int32_t>(document.size()));
    EXPECT_FALSE(inside(copied->find("a")->text));
    EXPECT_EQ(inBuffer(*root), inBuffer(*copied));
    // A borrowed text moves like an owned one.
    BText moved = std::move(root->find("a")->text);
    EXPECT_TRUE(inside(moved));
    EXPECT_TRUE(root->find("a")->text.empty());
}

// A source that counts what it lends; every block must come back.
size_t blocksOut = 0;
size_t blocksLent = 0;
void* countedObtain(size_t size) {
    ++blocksOut;
    ++blocksLent;
    return std::malloc(size);
}
void countedGiveBack(void* block, size_t) {
    --blocksOut;
    std::free(block);
}

TEST(TreeMemory, MemorySourceLendsBlocksAndGetsAllBack) {
    ASSERT_TRUE(setBMemorySource({countedObtain, countedGiveBack}));
    {
        const std::string document = mixedDocument();
        BValuePtr root = parseDocument(document.data(), static_cast<int32_t>(document.size()));
        ASSERT_TRUE(root);
        // No change of source while a node exists.
        EXPECT_FALSE(setBMemorySource({nullptr, nullptr}));
        root->set("d", listOfString("added"));
        EXPECT_EQ(inBuffer(*root).size(), document.size() + 12);  // 1:d l5:addede
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer build keeps one allocation per node
        EXPECT_GE(blocksLent, 1u);  // slabs for the 40,000 nodes
#endif
    }
    EXPECT_EQ(blocksOut, 0u);
    EXPECT_TRUE(setBMemorySource({nullptr, nullptr}));
}

TEST(TreeMemory, TextKeepsAnyBytesAtEveryLength) {
    for (size_t length : {0, 1, 11, 12, 13, 100}) {
        SCOPED_TRACE(length);
        std::string bytes(length, '\0');
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(255 - i);
        BText text(bytes);
        EXPECT_EQ(std::string(text), bytes);
        BText moved(std::move(text));
        EXPECT_EQ(std::string(moved), bytes);
        EXPECT_TRUE(text.empty());
    }
    EXPECT_LT(BText("a"), BText("\xC3"));  // unsigned order
    EXPECT_LT(BText("a"), BText("ab"));
}

}  // namespace
