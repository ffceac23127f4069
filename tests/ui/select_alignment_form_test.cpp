#include "ui/select_alignment_form.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(SelectAlignmentForm, EmptyMapGivesOneEmptyEntryAndNoChoice) {
  SelectAlignmentForm form({});
  ASSERT_EQ(form.entries().size(), 1u);
  EXPECT_EQ(form.entries()[0], "");
  EXPECT_EQ(form.selectedIndex(), 0);
  EXPECT_FALSE(form.selectEnabled());
  EXPECT_EQ(form.confirm(), -1);
  EXPECT_EQ(form.chosenId(), 0);
  EXPECT_EQ(form.chosenName(), "");
}

TEST(SelectAlignmentForm, NamesInMapOrderFirstSelected) {
  SelectAlignmentForm form({{"線形C", 30}, {"Alpha", 10}, {"Beta", 20}});
  const std::vector<std::string> expected = {"Alpha", "Beta", "線形C"};  // byte order of the map
  EXPECT_EQ(form.entries(), expected);
  EXPECT_EQ(form.selectedIndex(), 0);
  EXPECT_TRUE(form.selectEnabled());
  EXPECT_EQ(form.confirm(), 0);
  EXPECT_EQ(form.chosenName(), "Alpha");
  EXPECT_EQ(form.chosenId(), 10);
}

struct ChoiceCase {
  const char* name;
  bool found;
  int32_t id;
};

class SelectAlignmentChoice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SelectAlignmentChoice, ConfirmYieldsTheIdOfTheSelectedName) {
  const ChoiceCase c = GetParam();
  SelectAlignmentForm form({{"A-1", 7}, {"B-2", 8}, {"本線", 9}});
  EXPECT_EQ(form.select(c.name), c.found);
  ASSERT_EQ(form.confirm(), 0);
  EXPECT_EQ(form.chosenId(), c.id);
  EXPECT_EQ(form.chosenName(), form.entries()[static_cast<std::size_t>(form.selectedIndex())]);
}

INSTANTIATE_TEST_SUITE_P(Names, SelectAlignmentChoice,
                         ::testing::Values(ChoiceCase{"B-2", true, 8}, ChoiceCase{"本線", true, 9},
                                           // an unknown name leaves the first selected
                                           ChoiceCase{"C-3", false, 7},
                                           ChoiceCase{"b-2", false, 7}));

TEST(SelectAlignmentForm, CancelMeansNoAlignment) {
  SelectAlignmentForm form({{"A", 1}});
  EXPECT_EQ(form.cancel(), -1);
  EXPECT_EQ(form.chosenId(), 0);
  EXPECT_TRUE(form.chosenName().empty());
  EXPECT_FALSE(form.selectIndex(1));
  EXPECT_FALSE(form.selectIndex(-1));
}

}  // namespace
}  // namespace kestrel
