#include "sima/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/text_rows.h"

namespace kestrel::sima {
namespace {

TEST(Messages, SpotChecksAreExact) {
  for (const auto& row : kestrel::testing::textRows("sima/cases/messages.txt")) {
    SCOPED_TRACE(row.where);
    EXPECT_EQ(message(std::stoi(row[0]), Language::Japanese), row[1]);
    EXPECT_EQ(message(std::stoi(row[0]), Language::English), row[2]);
  }
}

// Every number has both texts, none outside 100 to 155; the English table falls back to Japanese
// only for 151: elsewhere it is ASCII.
TEST(Messages, EveryIdFrom100To155HasBothTextsAndReadableEnglish) {
  for (int id = 90; id <= 160; ++id) {
    const std::string japanese(message(id, Language::Japanese));
    const std::string english(message(id, Language::English));
    EXPECT_EQ(japanese.empty(), id < 100 || id > 155) << id;
    EXPECT_EQ(english.empty(), id < 100 || id > 155) << id;
    if (id == 151) continue;
    for (const char c : english) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << id;
  }
  for (int id : {-1, 0, 1000}) EXPECT_TRUE(message(id, Language::Japanese).empty()) << id;
}

}  // namespace
}  // namespace kestrel::sima
