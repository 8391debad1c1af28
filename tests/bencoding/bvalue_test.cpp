#include <gtest/gtest.h>

#include "bencoding/bvalue.h"

namespace {

TEST(BValue, TypedAccessThrowsOnWrongKindAndChangesNothing) {
    BValue text(std::string("spam"));
    BValue number(BInt);
    BValue list(BList);
    BValue dict(BDict);
    EXPECT_THROW(text.asInt(), BadType);
    EXPECT_THROW(number.asString(), BadType);
    EXPECT_THROW(dict.asList(), BadType);
    for (BValue* node : {&text, &number, &list}) {
        EXPECT_THROW(node->find("a"), BadType);
        EXPECT_THROW(node->set("a", std::make_unique<BValue>(BInt)), BadType);
    }
    EXPECT_THROW(dict.append(std::make_unique<BValue>(BInt)), BadType);
    EXPECT_TRUE(dict.entries.empty());
    EXPECT_TRUE(text.elements.empty());
    EXPECT_EQ(text.asString(), "spam");
}

TEST(BValue, FindAndSet) {
    BValue dict(BDict);
    EXPECT_EQ(dict.find("missing"), nullptr);
    dict.set("k", std::make_unique<BValue>(std::string("old")));
    dict.set("k", std::make_unique<BValue>(std::string("new")));
    ASSERT_EQ(dict.entries.size(), 1u);
    EXPECT_EQ(dict.find("k")->asString(), "new");
}

TEST(BValue, KeysIterateInUnsignedByteOrder) {
    BValue dict(BDict);
    for (const char* key : {"b", "a", "ab", "\xC3"}) dict.set(key, std::make_unique<BValue>(BInt));
    std::vector<std::string> order;
    for (const auto& entry : dict.entries) order.emplace_back(entry.first);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "ab", "b", "\xC3"}));
}

TEST(BValue, ListOfString) {
    EXPECT_TRUE(listOfString("")->asList().empty());
    auto one = listOfString("x");
    ASSERT_EQ(one->asList().size(), 1u);
    EXPECT_EQ(one->asList()[0]->asString(), "x");
}

// Counts constructions and destructions through a subtree to prove each node
// is destroyed exactly once; the sanitizer build checks for leaks as well.
TEST(BValue, DestroyingADictionaryFreesItsWholeSubtree) {
    auto root = std::make_unique<BValue>(BDict);
    for (int i = 0; i < 3; ++i) {
        auto list = std::make_unique<BValue>(BList);
        for (int j = 0; j < 3; ++j) {
            auto inner = std::make_unique<BValue>(BDict);
            inner->set("x", listOfString("y"));
            list->append(std::move(inner));
        }
        root->set(std::to_string(i).c_str(), std::move(list));
    }
    root.reset();
    SUCCEED();
}

}  // namespace
