#include "ui/kestrel_settings_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/case_fields.h"

namespace kestrel {
namespace {

TEST(KestrelSettingsForm, ShiftTextsTakenAndShown) {
  for (const auto& row : testing::textRows("ui/cases/shift_texts.txt")) {
    SCOPED_TRACE(row.where);
    double value = 0.0;  // -1 below stands for refused: no row's text is "-1"
    if (row[0] == "format")
      EXPECT_EQ(KestrelSettingsForm::formatShift(std::stod(row[1])), row[2]);
    else
      EXPECT_DOUBLE_EQ(KestrelSettingsForm::parseShift(row[1], value) ? value : -1.0,
                       row[2] == "refused" ? -1.0 : std::stod(row[2]));
  }
}

const std::vector<std::string> kLayers = {"0", "点", "IP", "画地", "幅杭", "連続"};

TEST(KestrelSettingsForm, DropDownsSelectStoredNamesOrTheFirst) {
  const std::string stored[kLayerCount] = {"点", "IP", "消えた画層", "幅杭", "連続"};
  KestrelSettingsForm form(kLayers, stored, 0.0001);
  std::vector<int> selected;
  for (int i = 0; i < kLayerCount; ++i) {
    selected.push_back(form.selectedIndex(i));
    EXPECT_EQ(form.layer(i), kLayers[static_cast<std::size_t>(selected.back())]) << i;
  }
  EXPECT_EQ(selected, (std::vector<int>{1, 2, 0, 4, 5}));
  EXPECT_EQ(form.shiftText(), "0.0001");
  const std::string none[kLayerCount];
  EXPECT_EQ(KestrelSettingsForm({}, none, 1.0).selectedIndex(0), -1) << "an empty list";
}

// Values are taken only by an accepted "設定"; a refused distance shows its message and keeps all.
TEST(KestrelSettingsForm, AcceptTakesLayersAndDistanceRefusalKeepsThem) {
  const std::string stored[kLayerCount] = {"0", "0", "0", "0", "0"};
  ovwin::WindowingSystem windowing;
  module::Conversation conversation;
  const auto views = makeScriptedViews(windowing, conversation);
  KestrelSettingsForm form(kLayers, stored, 0.5, views.get());
  form.chooseLayer(kLayerLots, "画地");
  form.chooseLayer(kLayerContinuous, "新しい画層");  // typed: the list lacks it
  EXPECT_EQ(form.selectedIndex(kLayerContinuous), -1);
  form.setShiftText("1.2.3");
  EXPECT_FALSE(form.accept());
  ASSERT_EQ(windowing.messageBoxes.size(), 1u);
  EXPECT_EQ(windowing.messageBoxes[0].text, "0より大きい値を指定してください。");
  EXPECT_EQ(windowing.messageBoxes[0].icon, ovwin::MessageIcon::Exclamation);
  EXPECT_EQ(form.acceptedLayer(kLayerLots) + " " + std::to_string(form.shiftDistance()),
            "0 0.500000");
  form.setShiftText("0.25");
  ASSERT_TRUE(form.accept());
  EXPECT_EQ(windowing.messageBoxes.size(), 1u);
  std::string accepted;
  for (int i = 0; i < kLayerCount; ++i) accepted += form.acceptedLayer(i) + " ";
  EXPECT_EQ(accepted + std::to_string(form.shiftDistance()), "0 0 画地 0 新しい画層 0.250000");
}

}  // namespace
}  // namespace kestrel
