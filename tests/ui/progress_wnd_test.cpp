#include "ui/progress_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

// Records what the window asked of its view as calls ("caption ...", "modal 1", "pump", ...).
struct ViewLog {
  std::vector<std::string> calls;
  std::deque<ProgressView::PumpResult> pumpAnswers;  // then Continue
  int64_t bar = -1;
  long count(const std::string& prefix) const {
    return std::count_if(calls.begin(), calls.end(),
                         [&](const std::string& call) { return call.starts_with(prefix); });
  }
  std::string last(const std::string& prefix) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->starts_with(prefix)) return *it;
    return {};
  }
};

class RecordingView : public ProgressView {
 public:
  explicit RecordingView(ViewLog& log) : log_(log) {}
  void create(const std::string& caption, bool) override { note("create " + caption); }
  void destroy() override { note("destroy"); }
  void setVisible(bool visible) override { note("visible " + std::to_string(visible)); }
  void setCaption(const std::string& caption) override { note("caption " + caption); }
  void setText(const std::string& text) override { note("text " + text); }
  void setRange(int64_t, int64_t, int64_t) override {}
  void setBarPosition(int64_t position) override { log_.bar = position; }
  void setModal(bool modal) override { note("modal " + std::to_string(modal)); }
  void keepFocus() override { note("focus"); }
  void repaint() override { note("repaint"); }
  PumpResult pumpWaitingMessages() override {
    note("pump");
    if (log_.pumpAnswers.empty()) return PumpResult::Continue;
    const PumpResult answer = log_.pumpAnswers.front();
    log_.pumpAnswers.pop_front();
    return answer;
  }
  void activateMainWindow() override { note("activate"); }
  void move(int x, int y) override { x_ = x, y_ = y; }
  int x() const override { return x_; }
  int y() const override { return y_; }
  int width() const override { return 400; }
  int height() const override { return 120; }

 private:
  void note(std::string call) { log_.calls.push_back(std::move(call)); }
  ViewLog& log_;
  int x_ = -1, y_ = -1;
};

std::pair<int, int> placeOf(const ProgressView& view) {
  return {view.x(), view.y()};
}

constexpr const char* kTitle = "SIMAファイル読み込み中";

class ProgressWndTest : public ::testing::Test {
 protected:
  std::unique_ptr<CProgressWnd> make() {
    return std::make_unique<CProgressWnd>(std::make_unique<RecordingView>(log_), profile_, 1920,
                                          1080);
  }
  ViewLog log_;
  ApplicationProfile profile_;
};

TEST_F(ProgressWndTest, PercentageAndPlacementTables) {
  for (const auto& row :
       testing::textRows("ui/cases/progress_window.txt")) {
    SCOPED_TRACE(row.where);
    log_ = {};
    profile_.clear();
    auto window = make();
    if (row[0] == "percent") {
      window->create(false, kTitle);
      window->setRange(std::stoll(row[1]), std::stoll(row[2]), 1);
      window->setPosition(static_cast<int64_t>(std::stoll(row[3])));
      EXPECT_EQ(window->lastPercent(), std::stoi(row[4]));
      EXPECT_EQ(log_.last("caption"), "caption " + std::string(kTitle) + " [" + row[4] + "%]");
      EXPECT_EQ(log_.bar, std::stoll(row[3]));
      continue;
    }
    if (row[2] != "-") profile_["Settings"]["X"] = std::stoi(row[2]);
    if (row[3] != "-") profile_["Settings"]["Y"] = std::stoi(row[3]);
    window->create(true, kTitle);
    EXPECT_EQ(placeOf(window->view()), (std::pair{std::stoi(row[4]), std::stoi(row[5])})) << row[1];
  }
}

// Shown on the first position; then the caption changes only when the percentage does.
TEST_F(ProgressWndTest, StartsWithTheDocumentedStateAndShowsOnTheFirstPosition) {
  auto window = make();
  EXPECT_EQ(window->title() + "|" + window->cancelText(), std::string(kTitle) + "| Cancel ");
  EXPECT_EQ((std::vector<int64_t>{window->upper() - window->lower(), window->step(),
                                  window->textLines(), window->rememberPosition(),
                                  window->cancelled(), window->modal()}),
            (std::vector<int64_t>{100, 1, 4, 1, 0, 0}));
  window->create(false, kTitle);
  EXPECT_EQ(log_.count("visible 1"), 0);
  window->setPosition(static_cast<std::size_t>(3));  // through the ProgressSink interface
  EXPECT_EQ(log_.count("visible 1"), 1);
  EXPECT_EQ(window->position(), 3);
  window->setRange(0, 1000, 1);
  for (int64_t position = 0; position <= 1000; ++position) window->setPosition(position);
  EXPECT_EQ(log_.count("caption"), 1 + 101);
}

// The kept position is written back on destroy, and the next window opens there; modality ends.
TEST_F(ProgressWndTest, DestroyKeepsThePositionAndReleasesTheMainWindow) {
  profile_["Settings"]["X"] = 33;
  profile_["Settings"]["Y"] = 44;
  auto window = make();
  window->goModal(kTitle);  // creates the missing window
  EXPECT_EQ(log_.calls.front(), "create " + std::string(kTitle));
  EXPECT_EQ(log_.last("modal"), "modal 1");
  EXPECT_TRUE(window->modal());
  window->goModal("second");  // an existing window is not created again
  EXPECT_EQ(window->title(), kTitle);
  window->view().move(321, 123);
  window->destroy();
  EXPECT_EQ(log_.last("modal") + "|" + log_.calls.back(), "modal 0|destroy");
  EXPECT_EQ(profile_["Settings"], (std::map<std::string, int>{{"X", 321}, {"Y", 123}}));
  ViewLog second;
  CProgressWnd next(std::make_unique<RecordingView>(second), profile_, 1920, 1080);
  next.create(false, kTitle);
  EXPECT_EQ(placeOf(next.view()), (std::pair{321, 123}));
  {
    CProgressWnd leftOpen(std::make_unique<RecordingView>(second), profile_, 1920, 1080);
    leftOpen.goModal(kTitle);
  }
  EXPECT_EQ(second.last("modal"), "modal 0") << "the destructor destroys a window left open";
}

TEST_F(ProgressWndTest, PumpingRepaintsNineTimesKeepsFocusAndStopsAtQuit) {
  auto window = make();
  window->goModal(kTitle);
  for (int i = 0; i < 20; ++i) window->pumpMessages();
  EXPECT_EQ(log_.count("repaint"), 9);
  EXPECT_EQ(log_.count("pump"), 20);
  EXPECT_EQ(log_.count("focus"), 20);  // modal: focus kept on every pump
  log_.pumpAnswers = {ProgressView::PumpResult::Quit};
  window->pumpMessages();
  window->pumpMessages();
  EXPECT_EQ(log_.count("pump"), 21);
  EXPECT_FALSE(window->cancelled());
  ViewLog plain;
  CProgressWnd modeless(std::make_unique<RecordingView>(plain), profile_, 1920, 1080);
  modeless.create(false, kTitle);
  modeless.pumpMessages();
  EXPECT_EQ(plain.count("focus"), 0);
}

TEST_F(ProgressWndTest, CancelButtonClosesTheWindowAndTheReadGoesOn) {
  log_.pumpAnswers = {ProgressView::PumpResult::Continue, ProgressView::PumpResult::CancelPressed};
  auto window = make();
  window->goModal(kTitle);
  window->setRange(0, 100, 1);
  window->setPosition(10);
  window->pumpMessages();
  window->pumpMessages();
  EXPECT_TRUE(window->cancelled() && !window->exists());
  // Hidden, the main window enabled again and activated.
  EXPECT_EQ(log_.last("visible") + "|" + log_.last("modal") + "|" + log_.calls.back(),
            "visible 0|modal 0|activate");
  // Later lines still report; nothing shows again and nothing is pumped.
  const std::size_t calls = log_.calls.size();
  window->setPosition(90);
  window->pumpMessages();
  EXPECT_EQ(log_.calls.size(), calls);
  EXPECT_EQ(window->lastPercent(), 90);
}

}  // namespace
}  // namespace kestrel
