#include "sima/extended_cstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

using Fields = std::vector<std::string>;

struct SplitCase {
  const char* line;
  Fields expected;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, GivesTheFieldsAndTheirCount) {
  const SplitCase& c = GetParam();
  Fields fields;
  const int count = ExtendedCString::Split(c.line, ',', fields);
  EXPECT_EQ(fields, c.expected) << c.line;
  EXPECT_EQ(count, static_cast<int>(c.expected.size())) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Unquoted, SplitTest,
    ::testing::Values(
        SplitCase{"A01,12,P12,100.5,200.25,,", {"A01", "12", "P12", "100.5", "200.25", "", ""}},
        SplitCase{"A01,12,P12,100.5,200.25,", {"A01", "12", "P12", "100.5", "200.25", ""}},
        SplitCase{"A99,", {"A99", ""}},
        SplitCase{"A99", {"A99"}},
        SplitCase{"", {""}},
        SplitCase{",", {"", ""}},
        SplitCase{",A", {"", "A"}},
        SplitCase{",,,", {"", "", "", ""}},
        // Blanks around separators stay in the fields.
        SplitCase{"A01,   1, T-5965  , 0.000,", {"A01", "   1", " T-5965  ", " 0.000", ""}},
        SplitCase{"G00,01,テスト", {"G00", "01", "テスト"}}));

INSTANTIATE_TEST_SUITE_P(
    Quoted, SplitTest,
    ::testing::Values(
        // A quoted field that ends the line leaves an empty last field behind it.
        SplitCase{"\"a,b\"", {"a,b", ""}},
        SplitCase{"X,\"a,b\"", {"X", "a,b", ""}},
        SplitCase{"B01,1,\"P,1\"", {"B01", "1", "P,1", ""}},
        SplitCase{"X,\"ab\"", {"X", "ab"}},  // no separator left to cut at: the last field
        SplitCase{"X,\"a,b\",Y", {"X", "a,b", "Y"}},
        SplitCase{"X,\"a,b\",", {"X", "a,b", ""}},
        SplitCase{"\"\",x", {"", "x"}},
        SplitCase{"X,\"say \"\"hi\"\", ok\",Y", {"X", "say \"hi\", ok", "Y"}},
        SplitCase{"X,\"\"\"\"", {"X", "\""}},
        // A quoted field after blanks, also as the last field.
        SplitCase{"X,  \"ab\",Y", {"X", "ab", "Y"}},
        SplitCase{"X,  \"a,b\"  ,Y", {"X", "a,b", "Y"}},
        SplitCase{"X,  \"a,b\"", {"X", "a,b", ""}},
        SplitCase{"X,Y,  \"ab\"  ", {"X", "Y", "ab"}},
        // The one character after a closing quote is dropped, whatever it is; the rest is split.
        SplitCase{"X,\"a,b\" ,Y", {"X", "a,b", "", "Y"}},
        SplitCase{"X,\"a,b\"zw,Y", {"X", "a,b", "w", "Y"}},
        SplitCase{"X,\"a,b\"z", {"X", "a,b", ""}}));

INSTANTIATE_TEST_SUITE_P(
    Malformed, SplitTest,
    ::testing::Values(
        // A quote that does not open a field stays in it.
        SplitCase{"ab\"cd,e", {"ab\"cd", "e"}},
        SplitCase{"x,ab\"cd", {"x", "ab\"cd"}},
        SplitCase{"x,ab\"c,d\"e", {"x", "ab\"c", "d\"e"}},
        // A quote that never closes: the text up to the next separator, quote included.
        SplitCase{"\"ab,cd,e", {"\"ab", "cd", "e"}},
        SplitCase{"x,\"ab", {"x", "\"ab"}},
        SplitCase{"x, \"ab,c", {"x", " \"ab", "c"}},
        // Text after the closing quote of a field with blanks before it is dropped.
        SplitCase{" \"a\"x,b", {"a", "b"}}));

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
