#include "ui/kestrel_settings_form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/fake_views.h"

namespace kestrel {
namespace {

struct FormatCase {
  double distance;
  const char* text;
};

class ShiftFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ShiftFormat, TwelveDecimalsWithoutTrailingZeros) {
  EXPECT_EQ(KestrelSettingsForm::formatShift(GetParam().distance), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, ShiftFormat,
                         ::testing::Values(FormatCase{5.0, "5."}, FormatCase{0.0001, "0.0001"},
                                           FormatCase{1.5, "1.5"}, FormatCase{0.0, "0."},
                                           FormatCase{120.25, "120.25"},
                                           // rounds at the twelfth decimal
                                           FormatCase{1.0 / 3.0, "0.333333333333"},
                                           FormatCase{1e-13, "0."}));

struct ParseCase {
  const char* text;
  bool accepted;
  double value;  // when accepted
};

class ShiftRule : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ShiftRule, AcceptsOnlyDecimalsAboveZero) {
  const ParseCase c = GetParam();
  double value = -1.0;
  EXPECT_EQ(KestrelSettingsForm::parseShift(c.text, value), c.accepted) << "\"" << c.text << "\"";
  if (c.accepted) {
    EXPECT_DOUBLE_EQ(value, c.value) << c.text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShiftRule,
    ::testing::Values(
        ParseCase{"1.5", true, 1.5}, ParseCase{"0.0001", true, 0.0001},
        ParseCase{"  2  ", true, 2.0}, ParseCase{"\t3.\t", true, 3.0}, ParseCase{".25", true, 0.25},
        ParseCase{"007", true, 7.0}, ParseCase{"5.", true, 5.0}, ParseCase{"1.2.3", false, 0},
        ParseCase{"abc", false, 0}, ParseCase{"0", false, 0}, ParseCase{"0.000", false, 0},
        ParseCase{"-3", false, 0}, ParseCase{"-0.5", false, 0}, ParseCase{"", false, 0},
        ParseCase{"   ", false, 0}, ParseCase{".", false, 0}, ParseCase{"-", false, 0},
        ParseCase{"3-", false, 0}, ParseCase{"1-2", false, 0}, ParseCase{"+2", false, 0},
        ParseCase{"1e3", false, 0}, ParseCase{"1,5", false, 0},
        ParseCase{"１", false, 0},  // full-width digit
        ParseCase{"2 m", false, 0}));

TEST(KestrelSettingsForm, NumberTooLargeForADoubleIsRefused) {
  double value = 0.0;
  EXPECT_FALSE(KestrelSettingsForm::parseShift("1" + std::string(400, '0'), value));
  EXPECT_TRUE(KestrelSettingsForm::parseShift("1" + std::string(300, '0'), value));
  EXPECT_DOUBLE_EQ(value, 1e300);
}

const std::vector<std::string> kLayers = {"0", "点", "IP", "画地", "幅杭", "連続"};

TEST(KestrelSettingsForm, DropDownsSelectStoredNamesOrTheFirst) {
  const std::string stored[kLayerCount] = {"点", "IP", "消えた画層", "幅杭", "連続"};
  KestrelSettingsForm form(kLayers, stored, 0.0001);
  const int expected[kLayerCount] = {1, 2, 0, 4, 5};
  for (int i = 0; i < kLayerCount; ++i) {
    EXPECT_EQ(form.selectedIndex(i), expected[i]) << i;
    EXPECT_EQ(form.layer(i), kLayers[static_cast<std::size_t>(expected[i])]) << i;
  }
  EXPECT_EQ(form.layerNames(), kLayers);
  EXPECT_EQ(form.shiftText(), "0.0001");
}

TEST(KestrelSettingsForm, AcceptTakesTheChosenLayersAndDistance) {
  const std::string stored[kLayerCount] = {"0", "0", "0", "0", "0"};
  testing::FakeViews views;
  KestrelSettingsForm form(kLayers, stored, 0.0001, &views);
  form.chooseLayer(kLayerLots, "画地");
  form.chooseLayer(kLayerContinuous, "新しい画層");  // typed: the list lacks it
  EXPECT_EQ(form.selectedIndex(kLayerContinuous), -1);
  form.setShiftText("0.25");
  ASSERT_TRUE(form.accept());
  EXPECT_TRUE(views.boxes.empty());
  EXPECT_EQ(form.acceptedLayer(kLayerLots), "画地");
  EXPECT_EQ(form.acceptedLayer(kLayerContinuous), "新しい画層");
  EXPECT_EQ(form.acceptedLayer(kLayerPoints), "0");
  EXPECT_DOUBLE_EQ(form.shiftDistance(), 0.25);
}

TEST(KestrelSettingsForm, RefusedDistanceShowsTheMessageAndKeepsTheOldValues) {
  const std::string stored[kLayerCount] = {"0", "0", "0", "0", "0"};
  testing::FakeViews views;
  KestrelSettingsForm form(kLayers, stored, 0.5, &views);
  form.chooseLayer(kLayerPoints, "点");
  for (const char* text : {"1.2.3", "abc", "0", "-3"}) {
    form.setShiftText(text);
    EXPECT_FALSE(form.accept()) << text;
  }
  ASSERT_EQ(views.boxes.size(), 4u);
  for (const auto& box : views.boxes) {
    EXPECT_EQ(box.text, "0より大きい値を指定してください。");
    EXPECT_EQ(box.icon, ovwin::MessageIcon::Exclamation);
  }
  EXPECT_EQ(form.acceptedLayer(kLayerPoints), "0");
  EXPECT_DOUBLE_EQ(form.shiftDistance(), 0.5);
}

}  // namespace
}  // namespace kestrel
