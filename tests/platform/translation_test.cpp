// The compiled Russian catalogue and its plural rule, on both systems.
#include "platform/translation.h"

#include <gtest/gtest.h>

namespace {

TEST(Translation, RussianPluralForms) {
    const std::pair<unsigned long, int> rows[] = {{1, 0},  {21, 0}, {101, 0}, {2, 1},  {4, 1},  {22, 1},
                                                  {0, 2},  {5, 2},  {11, 2},  {12, 2}, {14, 2}, {111, 2}};
    for (const auto& [n, form] : rows) {
        SCOPED_TRACE(n);
        EXPECT_EQ(platform::russianPluralForm(n), form);
    }
}

TEST(Translation, CatalogueCompiledFromThePoFile) {
    // UTF-8 of "Настройка в порядке"; a message without a translation has none.
    EXPECT_EQ(platform::russianText("Setup is in order\n"),
              "\xD0\x9D\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB0 \xD0\xB2 "
              "\xD0\xBF\xD0\xBE\xD1\x80\xD1\x8F\xD0\xB4\xD0\xBA\xD0\xB5\n");
    EXPECT_EQ(platform::russianText("no such message"), "");
}

}  // namespace
