#include "ui/progress_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/case_fields.h"

namespace kestrel {
namespace {

// What the window asked of its view, as calls ("caption ...", "modal 1", "pump", ...).
struct ViewLog {
  std::vector<std::string> calls;
  std::deque<ProgressView::PumpResult> pumpAnswers;  // then Continue
  int64_t bar = -1;
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

const std::string kTitle = "SIMAファイル読み込み中";

// Runs the rows of progress_window.txt (its head says what they mean) on one window at a time.
TEST(ProgressWnd, Cases) {
  ViewLog log;
  ApplicationProfile profile;
  std::unique_ptr<CProgressWnd> window;
  int64_t mark = 0;
  const auto open = [&] {
    window.reset();  // the old window's destructor still reports to the old log
    log = {};
    window =
        std::make_unique<CProgressWnd>(std::make_unique<RecordingView>(log), profile, 1920, 1080);
  };
  const auto state = [&](std::string key) -> std::string {
    std::replace(key.begin(), key.end(), '_', ' ');
    if (key[0] == '#')
      return std::to_string(
          std::count_if(log.calls.begin(), log.calls.end(),
                        [&](const auto& call) { return call.starts_with(key.substr(1)); }));
    if (key.starts_with("last ")) {
      const auto call = std::find_if(log.calls.rbegin(), log.calls.rend(), [&](const auto& c) {
        return c.starts_with(key.substr(5) + " ");
      });
      return call == log.calls.rend() ? "-" : call->substr(key.size() - 4);
    }
    if (key == "first-call" || key == "last-call")
      return key == "first-call" ? log.calls.front() : log.calls.back();
    std::string kept;
    for (const auto& [name, value] : profile["Settings"])
      kept += (kept.empty() ? "" : " ") + name + "=" + std::to_string(value);
    if (key == "kept") return kept;
    if (key == "title" || key == "cancel-text")
      return key == "title" ? window->title() : window->cancelText();
    CProgressWnd& w = *window;
    const std::vector<std::string> names = testing::split(
        "span step lines remember cancelled modal exists position percent x y bar new-calls");
    const int64_t span = w.upper() - w.lower(), calls = std::ssize(log.calls) - mark;
    const int64_t values[] = {
        span,         w.step(),   w.textLines(), w.rememberPosition(), w.cancelled(),
        w.modal(),    w.exists(), w.position(),  w.lastPercent(),      w.view().x(),
        w.view().y(), log.bar,    calls};
    const auto at = std::find(names.begin(), names.end(), key);
    return at == names.end() ? "no state " + key : std::to_string(values[at - names.begin()]);
  };
  const auto states = [&](const std::string& keys) {
    std::string joined;
    for (const auto& key : testing::split(keys)) joined += (joined.empty() ? "" : " ") + state(key);
    return joined;
  };
  const std::map<std::string, ProgressView::PumpResult> answers = {
      {"continue", ProgressView::PumpResult::Continue},
      {"quit", ProgressView::PumpResult::Quit},
      {"cancel", ProgressView::PumpResult::CancelPressed}};
  std::string name;
  for (const auto& row : testing::textRows("ui/cases/progress_window.txt")) {
    SCOPED_TRACE(row.where + " " + name);
    if (row[0] == "expect") {
      EXPECT_EQ(states(row[1]), row[2]) << row[1];
      continue;
    }
    if (row[0] != "do") {
      window.reset();  // before the profile is cleared: a destroyed window writes its place
      profile.clear();
      open();
      name = row[1];
    }
    if (row[0] == "percent") {
      window->create(false, kTitle);
      window->setRange(std::stoll(row[1]), std::stoll(row[2]), 1);
      window->setPosition(static_cast<int64_t>(std::stoll(row[3])));
      EXPECT_EQ(states("percent last_caption bar"),
                row[4] + " " + kTitle + " [" + row[4] + "%] " + row[3]);
    } else if (row[0] == "placement") {
      if (row[2] != "-") profile["Settings"]["X"] = std::stoi(row[2]);
      if (row[3] != "-") profile["Settings"]["Y"] = std::stoi(row[3]);
      window->create(true, kTitle);
      EXPECT_EQ(states("x y"), row[4] + " " + row[5]);
    }
    if (row[0] != "do") continue;
    const std::vector<std::string> step = testing::split(row[1]);
    const std::string& verb = step[0];
    const std::string rest = row[1].substr(std::min(row[1].size(), verb.size() + 1));
    const auto number = [&](std::size_t i) { return static_cast<int>(std::stoll(step.at(i))); };
    if (verb == "create" || verb == "modal")
      verb == "create" ? window->create(false, rest) : window->goModal(rest);
    if (verb == "range") window->setRange(number(1), number(2), 1);
    if (verb == "position") window->setPosition(static_cast<int64_t>(number(1)));
    if (verb == "sink") window->setPosition(static_cast<std::size_t>(number(1)));
    for (int p = verb == "sweep" ? number(1) : 1; verb == "sweep" && p <= number(2); ++p)
      window->setPosition(static_cast<int64_t>(p));
    for (int i = 0; verb == "pump" && i < number(1); ++i) window->pumpMessages();
    for (std::size_t i = 1; verb == "answers" && i < step.size(); ++i)
      log.pumpAnswers.push_back(answers.at(step[i]));
    if (verb == "move") window->view().move(number(1), number(2));
    if (verb == "keep") profile["Settings"] = {{"X", number(1)}, {"Y", number(2)}};
    if (verb == "destroy") window->destroy();
    if (verb == "mark") mark = std::ssize(log.calls);
    if (verb == "close") window.reset();
    if (verb == "reopen") open();
  }
}

}  // namespace
}  // namespace kestrel
