#include "ui/select_alignment_form.h"

#include <gtest/gtest.h>

#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

TEST(SelectAlignmentForm, EmptyMapGivesOneEmptyEntryAndNoChoice) {
  SelectAlignmentForm form({});
  EXPECT_EQ(form.entries(), std::vector<std::string>{""});
  EXPECT_FALSE(form.selectEnabled());
  EXPECT_EQ(form.confirm(), -1);
  EXPECT_EQ(form.chosenId(), 0);
}

// Confirm yields the id of the selected name, cancel means no alignment.
TEST(SelectAlignmentForm, ConfirmYieldsTheIdOfTheSelectedName) {
  const std::map<std::string, int32_t> alignments = {{"本線", 9}, {"B-2", 8}, {"A-1", 7}};
  EXPECT_EQ(SelectAlignmentForm(alignments).entries(),
            (std::vector<std::string>{"A-1", "B-2", "本線"}));
  for (const auto& row : testing::textRows("ui/cases/select_alignment.txt")) {
    SelectAlignmentForm form(alignments);
    EXPECT_EQ(row[0] == "-" ? "-" : form.select(row[0]) ? "yes" : "no", row[1]) << row.where;
    EXPECT_TRUE(form.selectEnabled());
    ASSERT_EQ(form.confirm(), 0);
    EXPECT_EQ(form.chosenId(), std::stoi(row[2])) << row.where;
    EXPECT_EQ(form.chosenName(), form.entries()[static_cast<std::size_t>(form.selectedIndex())]);
    EXPECT_EQ(form.cancel(), -1);
    EXPECT_EQ(form.chosenId(), 0);
    EXPECT_TRUE(form.chosenName().empty());
  }
  SelectAlignmentForm form(alignments);
  EXPECT_TRUE(form.selectIndex(2));
  EXPECT_FALSE(form.selectIndex(3) || form.selectIndex(-1));
  EXPECT_EQ(form.selectedIndex(), 2);
}

}  // namespace
}  // namespace kestrel
