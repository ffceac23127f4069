#include "sima/extended_cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

using Fields = std::vector<std::string>;

// Each row of cases/split.txt: a line, then its fields.
TEST(Split, GivesTheFieldsAndTheirCount) {
  for (const auto& row : testing::textRows("sima/cases/split.txt")) {
    SCOPED_TRACE(row.where);
    Fields fields;
    const int count = ExtendedCString::Split(row[0], ',', fields);
    EXPECT_EQ(fields, Fields(row.fields.begin() + 1, row.fields.end()));
    EXPECT_EQ(count, static_cast<int>(row.size()) - 1);
  }
}

TEST(Split, ReusesTheCallersFieldsAndDropsSurplusOnes) {
  Fields fields{"old0", "old1", "old2", "old3", "old4", "old5", "old6", "old7"};
  EXPECT_EQ(ExtendedCString::Split("A,B", ',', fields), 2);
  EXPECT_EQ(fields, (Fields{"A", "B"}));
  EXPECT_EQ(ExtendedCString::Split("1,2,3,4", ',', fields), 4);
  EXPECT_EQ(fields, (Fields{"1", "2", "3", "4"}));
}

TEST(Split, MemberSplitsItsOwnTextWithAnySeparator) {
  const ExtendedCString text("a;\"b;c\";d");
  Fields fields;
  EXPECT_EQ(text.Split(';', fields), 3);
  EXPECT_EQ(fields, (Fields{"a", "b;c", "d"}));
  EXPECT_EQ(text.str(), "a;\"b;c\";d");
}

TEST(Split, CountsEveryCommaOfALongLine) {
  // 100,000 fields of one digit each: the count is the number of separators plus one.
  std::string line;
  for (int i = 0; i < 100000; ++i) {
    if (i) line.push_back(',');
    line.push_back(static_cast<char>('0' + i % 10));
  }
  Fields fields;
  ASSERT_EQ(ExtendedCString::Split(line, ',', fields), 100000);
  for (int i = 0; i < 100000; i += 9973) EXPECT_EQ(fields[static_cast<std::size_t>(i)], std::string(1, static_cast<char>('0' + i % 10)));
}

}  // namespace
}  // namespace kestrel
