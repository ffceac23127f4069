#include "ui/progress_wnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kestrel {
namespace {

// Records what the window asked of its view.
struct ViewLog {
  std::vector<std::string> captions;
  int repaints = 0;
  int pumps = 0;
  int focusCalls = 0;
  int activations = 0;
  bool visible = false;
  bool modal = false;
  bool created = false;
  bool destroyed = false;
  int64_t bar = -1;
  std::string text;
  std::vector<ProgressView::PumpResult> pumpAnswers;  // consumed front to back
};

class RecordingView : public ProgressView {
 public:
  explicit RecordingView(ViewLog& log) : log_(log) {}
  void create(const std::string& caption, bool) override {
    log_.created = true;
    log_.captions.push_back(caption);
  }
  void destroy() override { log_.destroyed = true; }
  void setVisible(bool visible) override { log_.visible = visible; }
  void setCaption(const std::string& caption) override { log_.captions.push_back(caption); }
  void setText(const std::string& text) override { log_.text = text; }
  void setRange(int64_t, int64_t, int64_t) override {}
  void setBarPosition(int64_t position) override { log_.bar = position; }
  void setModal(bool modal) override { log_.modal = modal; }
  void keepFocus() override { ++log_.focusCalls; }
  void repaint() override { ++log_.repaints; }
  PumpResult pumpWaitingMessages() override {
    ++log_.pumps;
    if (log_.pumpAnswers.empty()) return PumpResult::Continue;
    const PumpResult answer = log_.pumpAnswers.front();
    log_.pumpAnswers.erase(log_.pumpAnswers.begin());
    return answer;
  }
  void activateMainWindow() override { ++log_.activations; }
  void move(int x, int y) override {
    x_ = x;
    y_ = y;
  }
  int x() const override { return x_; }
  int y() const override { return y_; }
  int width() const override { return 400; }
  int height() const override { return 120; }

 private:
  ViewLog& log_;
  int x_ = -1;
  int y_ = -1;
};

constexpr const char* kTitle = "SIMAファイル読み込み中";

class ProgressWndTest : public ::testing::Test {
 protected:
  std::unique_ptr<CProgressWnd> make(int screenWidth = 1920, int screenHeight = 1080) {
    return std::make_unique<CProgressWnd>(std::make_unique<RecordingView>(log_), profile_,
                                          screenWidth, screenHeight);
  }
  ViewLog log_;
  ApplicationProfile profile_;
};

TEST_F(ProgressWndTest, StartsWithTheDocumentedState) {
  auto window = make();
  EXPECT_EQ(window->title(), kTitle);
  EXPECT_EQ(window->cancelText(), " Cancel ");
  EXPECT_EQ(window->lower(), 0);
  EXPECT_EQ(window->upper(), 100);
  EXPECT_EQ(window->step(), 1);
  EXPECT_EQ(window->textLines(), 4);
  EXPECT_TRUE(window->rememberPosition());
  EXPECT_FALSE(window->cancelled());
  EXPECT_FALSE(window->modal());
}

struct PercentCase {
  int64_t lower, upper, position;
  int percent;  // worked out by hand from position × 100 / (upper − lower)
};

class PercentageTest : public ProgressWndTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(PercentageTest, CaptionCarriesTheIntegerPercentage) {
  const PercentCase c = GetParam();
  auto window = make();
  window->create(false, kTitle);
  window->setRange(c.lower, c.upper, 1);
  window->setPosition(c.position);
  EXPECT_EQ(window->lastPercent(), c.percent);
  EXPECT_EQ(window->caption(), std::string(kTitle) + " [" + std::to_string(c.percent) + "%]");
  EXPECT_EQ(log_.captions.back(), window->caption());
  EXPECT_EQ(log_.bar, c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, PercentageTest,
    ::testing::Values(PercentCase{0, 200, 50, 25}, PercentCase{0, 3, 1, 33},
                      PercentCase{0, 3, 2, 66}, PercentCase{0, 1000, 999, 99},
                      PercentCase{0, 1000, 1000, 100},
                      // the rule divides the position itself, not its distance from the lower bound
                      PercentCase{10, 110, 60, 60},
                      // equal bounds (an empty file) and a reversed range show 0 %
                      PercentCase{0, 0, 0, 0}, PercentCase{0, 0, 7, 0}, PercentCase{50, 10, 20, 0},
                      // a file larger than 2 GiB
                      PercentCase{0, 5'000'000'000, 2'500'000'000, 50}));

TEST_F(ProgressWndTest, CaptionChangesOnlyWhenThePercentageDoes) {
  auto window = make();
  window->create(false, kTitle);
  window->setRange(0, 1000, 1);
  const std::size_t before = log_.captions.size();
  for (int64_t position = 0; position <= 1000; ++position) window->setPosition(position);
  // 0 %, 1 %, … 100 %: one caption each.
  EXPECT_EQ(log_.captions.size() - before, 101u);
  EXPECT_EQ(log_.captions.back(), std::string(kTitle) + " [100%]");
}

TEST_F(ProgressWndTest, SettingThePositionShowsTheWindow) {
  auto window = make();
  window->create(false, kTitle);
  EXPECT_FALSE(log_.visible);
  window->setPosition(static_cast<std::size_t>(3));  // through the ProgressSink interface
  EXPECT_TRUE(log_.visible);
  EXPECT_EQ(window->position(), 3);
}

struct PlacementCase {
  const char* name;
  bool storeX, storeY;
  int x, y;
  int expectedX, expectedY;  // centred on 1920 × 1080 with a 400 × 120 window: 760, 480
};

class PlacementTest : public ProgressWndTest,
                      public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, KeptPositionIsRestoredOnlyWhenOnTheScreen) {
  const PlacementCase c = GetParam();
  if (c.storeX) profile_["Settings"]["X"] = c.x;
  if (c.storeY) profile_["Settings"]["Y"] = c.y;
  auto window = make();
  window->create(true, kTitle);
  EXPECT_EQ(window->view().x(), c.expectedX) << c.name;
  EXPECT_EQ(window->view().y(), c.expectedY) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, PlacementTest,
    ::testing::Values(PlacementCase{"both on screen", true, true, 100, 200, 100, 200},
                      PlacementCase{"origin", true, true, 0, 0, 0, 0},
                      PlacementCase{"no profile", false, false, 0, 0, 760, 480},
                      PlacementCase{"only X kept", true, false, 100, 0, 760, 480},
                      PlacementCase{"right of the screen", true, true, 1920, 10, 760, 480},
                      PlacementCase{"below the screen", true, true, 10, 5000, 760, 480},
                      PlacementCase{"left of the screen", true, true, -300, 10, 760, 480}));

TEST_F(ProgressWndTest, DestroyKeepsThePositionAndReleasesTheMainWindow) {
  profile_["Settings"]["X"] = 33;
  profile_["Settings"]["Y"] = 44;
  auto window = make();
  window->goModal(kTitle);  // creates the missing window
  EXPECT_TRUE(log_.created);
  EXPECT_TRUE(log_.modal);
  EXPECT_TRUE(window->modal());
  window->view().move(321, 123);
  window->destroy();
  EXPECT_TRUE(log_.destroyed);
  EXPECT_FALSE(log_.modal);
  EXPECT_EQ(profile_["Settings"]["X"], 321);
  EXPECT_EQ(profile_["Settings"]["Y"], 123);

  // The next window opens where this one was.
  ViewLog second;
  CProgressWnd next(std::make_unique<RecordingView>(second), profile_, 1920, 1080);
  next.create(false, kTitle);
  EXPECT_EQ(next.view().x(), 321);
  EXPECT_EQ(next.view().y(), 123);
}

TEST_F(ProgressWndTest, GoModalDoesNotRecreateAnExistingWindow) {
  auto window = make();
  window->create(false, "first");
  window->goModal("second");
  EXPECT_EQ(window->title(), "first");
  ASSERT_EQ(log_.captions.size(), 1u);
}

TEST_F(ProgressWndTest, RepaintsOnTheFirstNinePumpsOnly) {
  auto window = make();
  window->goModal(kTitle);
  for (int i = 0; i < 20; ++i) window->pumpMessages();
  EXPECT_EQ(log_.repaints, 9);
  EXPECT_EQ(log_.pumps, 20);
  EXPECT_EQ(log_.focusCalls, 20);  // modal: focus kept on every pump
}

TEST_F(ProgressWndTest, CancelButtonClosesTheWindowAndTheReadGoesOn) {
  log_.pumpAnswers = {ProgressView::PumpResult::Continue, ProgressView::PumpResult::CancelPressed};
  auto window = make();
  window->goModal(kTitle);
  window->setRange(0, 100, 1);
  window->setPosition(10);
  window->pumpMessages();
  window->pumpMessages();
  EXPECT_TRUE(window->cancelled());
  EXPECT_FALSE(window->exists());
  EXPECT_TRUE(log_.destroyed);
  EXPECT_FALSE(log_.visible);
  EXPECT_FALSE(log_.modal);  // main window enabled again
  EXPECT_EQ(log_.activations, 1);
  // Later lines still report; nothing shows again and nothing is pumped.
  log_.visible = false;
  window->setPosition(90);
  window->pumpMessages();
  EXPECT_FALSE(log_.visible);
  EXPECT_EQ(log_.pumps, 2);
  EXPECT_EQ(window->lastPercent(), 90);
}

TEST_F(ProgressWndTest, QuitRequestEndsThePumping) {
  log_.pumpAnswers = {ProgressView::PumpResult::Quit};
  auto window = make();
  window->create(false, kTitle);
  window->pumpMessages();
  window->pumpMessages();
  EXPECT_EQ(log_.pumps, 1);
  EXPECT_FALSE(window->cancelled());
}

TEST_F(ProgressWndTest, DestructorDestroysAWindowLeftOpen) {
  {
    auto window = make();
    window->goModal(kTitle);
  }
  EXPECT_TRUE(log_.destroyed);
  EXPECT_FALSE(log_.modal);
  EXPECT_EQ(profile_.count("Settings"), 1u);
}

}  // namespace
}  // namespace kestrel
