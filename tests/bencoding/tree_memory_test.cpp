#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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
    std::vector<const char*> pieces;
    size_t refuseAfter = SIZE_MAX;
    bool put(const char* data, size_t size) override {
        if (pieces.size() >= refuseAfter) return false;
        pieces.push_back(data);
        bytes.append(data, size);
        return true;
    }
};

// A document with strings below and above the writer's buffer, between many
// small values, and an "info" kept as read.
std::string mixedDocument() {
    std::string document = "d";
    document += "1:a" + std::to_string(300000) + ":" + std::string(300000, 'a');
    document += "1:bl";
    for (int i = 0; i < 20000; ++i) document += "i" + std::to_string(i) + "e3:xyz";
    document += "e1:c" + std::to_string(3 << 20) + ":" + std::string(3 << 20, 'c');
    document += "4:infod1:bi1e1:ai007ee";
    return document + "e";
}

TEST(TreeMemory, StreamedWritingEqualsTheBufferAndStopsWhenRefused) {
    const std::string document = mixedDocument();
    BValuePtr root = parseDocument(document.data(), static_cast<int32_t>(document.size()));
    ASSERT_TRUE(root);
    root->set("z", listOfString("added"));  // written from its entries, not its bytes
    StringSink sink;
    EXPECT_TRUE(writeDocument(*root, sink));
    EXPECT_EQ(sink.bytes, inBuffer(*root));
    EXPECT_EQ(sink.bytes, document.substr(0, document.size() - 1) + "1:zl5:addedee");
    // The long strings went to the sink straight from the document.
    const std::string_view a = root->find("a")->text, c = root->find("c")->text;
    EXPECT_NE(std::find(sink.pieces.begin(), sink.pieces.end(), a.data()), sink.pieces.end());
    EXPECT_NE(std::find(sink.pieces.begin(), sink.pieces.end(), c.data()), sink.pieces.end());
    StringSink refusing;
    refusing.refuseAfter = 1;
    EXPECT_FALSE(writeDocument(*root, refusing));
}

// Strings and keys are views of the document; a list or dictionary read in
// canonical form keeps its bytes until it is changed, "info" always.
TEST(TreeMemory, TreeViewsTheDocumentAndKeepsCanonicalBytes) {
    const std::string document = "d1:ald1:xi1eee1:bl2:ppe4:infod1:bi1e1:ai2eee";
    const auto inside = [&](std::string_view bytes) {
        return bytes.data() >= document.data() && bytes.data() + bytes.size() <= document.data() + document.size();
    };
    BValuePtr root = parseDocument(document.data(), static_cast<int32_t>(document.size()));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->bytes, document);
    EXPECT_TRUE(inside(root->entries.front().first));
    const BValue& constRoot = *root;
    EXPECT_TRUE(inside(constRoot.find("b")->asList()[0]->text));
    EXPECT_EQ(constRoot.find("a")->bytes, "ld1:xi1eee");
    EXPECT_EQ(constRoot.find("info")->bytes, "d1:bi1e1:ai2ee");
    EXPECT_FALSE(root->bytes.empty());  // the const find changes nothing
    root->find("a")->asList();
    EXPECT_TRUE(root->bytes.empty());  // the non-const one hands out a child that may change
    BValue* b = root->find("b");
    b->append(listOfString("q"));
    EXPECT_TRUE(b->bytes.empty());
    EXPECT_EQ(inBuffer(*root), "d1:ald1:xi1eee1:bl2:ppl1:qee4:infod1:bi1e1:ai2eee");
    const std::string odd = "d1:ali+1eee";  // not canonical: written from the nodes
    BValuePtr oddRoot = parseDocument(odd.data(), static_cast<int32_t>(odd.size()));
    EXPECT_TRUE(oddRoot->bytes.empty());
    EXPECT_TRUE(oddRoot->find("a")->bytes.empty());
    EXPECT_EQ(inBuffer(*oddRoot), "d1:ali1eee");
}

// The nodes a document needs are counted; in "info" only its own values.
TEST(TreeMemory, DocumentsNeedingMoreNodesThanTheBudgetAreRefused) {
    const auto document = [](size_t values, const char* value) {
        std::string text = "d4:infoll";
        for (size_t i = 0; i < kMaxValues + 10; ++i) text += "i1e";  // held as bytes: free
        text += "ee1:xl";
        for (size_t i = 0; i < values; ++i) text += value;
        return text + "ee";
    };
    // The root, "info", its list and the list take four.
    for (const char* value : {"i1e", "le", "0:"}) {
        SCOPED_TRACE(value);
        const std::string fits = document(kMaxValues - 4, value), over = document(kMaxValues - 3, value);
        EXPECT_TRUE(parseDocument(fits.data(), static_cast<int32_t>(fits.size())));
        try {
            parseDocument(over.data(), static_cast<int32_t>(over.size()));
            ADD_FAILURE() << "not refused";
        } catch (const BadInput& refused) {
            EXPECT_NE(refused.message.find(std::to_string(kMaxValues) + " values"), std::string::npos)
                << refused.message;
        }
    }
}

}  // namespace
