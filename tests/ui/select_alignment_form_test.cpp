#include "ui/select_alignment_form.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(SelectAlignmentForm, EmptyMapGivesOneEmptyEntryAndNoChoice) {
  SelectAlignmentForm form({});
  EXPECT_EQ(form.entries(), std::vector<std::string>{""});
  EXPECT_FALSE(form.selectEnabled());
  EXPECT_EQ(form.confirm(), -1);
  EXPECT_EQ(form.chosenId(), 0);
}

// Entries in the map's (byte) order, the first selected; confirm yields the selected name's id,
// an unknown name leaves the selection alone, cancel means no alignment.
TEST(SelectAlignmentForm, ConfirmYieldsTheIdOfTheSelectedName) {
  const std::map<std::string, int32_t> alignments = {{"本線", 9}, {"B-2", 8}, {"A-1", 7}};
  EXPECT_EQ(SelectAlignmentForm(alignments).entries(),
            (std::vector<std::string>{"A-1", "B-2", "本線"}));
  const struct {
    const char* name;
    bool found;
    int32_t id;
  } rows[] = {{nullptr, false, 7},
              {"B-2", true, 8},
              {"本線", true, 9},
              {"C-3", false, 7},
              {"b-2", false, 7}};
  for (const auto& row : rows) {
    SelectAlignmentForm form(alignments);
    if (row.name) {
      EXPECT_EQ(form.select(row.name), row.found) << row.name;
    }
    EXPECT_TRUE(form.selectEnabled());
    ASSERT_EQ(form.confirm(), 0);
    EXPECT_EQ(form.chosenId(), row.id);
    EXPECT_EQ(form.chosenName(), form.entries()[static_cast<std::size_t>(form.selectedIndex())]);
    EXPECT_EQ(form.cancel(), -1);
    EXPECT_EQ(form.chosenId(), 0);
    EXPECT_TRUE(form.chosenName().empty());
  }
  SelectAlignmentForm form(alignments);
  EXPECT_TRUE(form.selectIndex(2));
  EXPECT_FALSE(form.selectIndex(3));
  EXPECT_FALSE(form.selectIndex(-1));
  EXPECT_EQ(form.selectedIndex(), 2);
}

}  // namespace
}  // namespace kestrel
