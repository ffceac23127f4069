#include "ui/progress_wnd.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "ui/dialog_resources.h"

namespace kestrel {

namespace {

namespace text = resources::progress_window;

// position × 100 / (upper − lower) in integers; 0 for an empty or reversed range.
int percentOf(int64_t position, int64_t lower, int64_t upper) {
  if (upper <= lower) return 0;
  const int64_t range = upper - lower;
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 100;
  double percent = 0;
  if (position <= kLimit && position >= -kLimit && range > 0)
    percent = static_cast<double>(position * 100 / range);
  else  // only sizes beyond any real file get here; keep the arithmetic defined
    percent = std::trunc(static_cast<double>(position) * 100.0 / static_cast<double>(range));
  if (percent > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (percent < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(percent);
}

}  // namespace

CProgressWnd::CProgressWnd(std::unique_ptr<ProgressView> view, ApplicationProfile& profile,
                           int screenWidth, int screenHeight)
    : view_(std::move(view)),
      profile_(profile),
      screenWidth_(screenWidth),
      screenHeight_(screenHeight),
      title_(text::kTitle),
      cancelText_(text::kCancelText),
      textLines_(text::kTextLines) {}

CProgressWnd::~CProgressWnd() {
  if (exists_) destroy();
}

void CProgressWnd::create(bool hasParent, const std::string& title) {
  if (exists_) return;
  title_ = title;
  caption_ = title;
  view_->create(caption_, hasParent);
  exists_ = true;
  visible_ = false;

  const auto section = profile_.find(text::kProfileSection);
  bool restored = false;
  if (rememberPosition_ && section != profile_.end()) {
    const auto x = section->second.find(text::kProfileX);
    const auto y = section->second.find(text::kProfileY);
    if (x != section->second.end() && y != section->second.end() && x->second >= 0 &&
        x->second < screenWidth_ && y->second >= 0 && y->second < screenHeight_) {
      view_->move(x->second, y->second);
      restored = true;
    }
  }
  if (!restored)
    view_->move((screenWidth_ - view_->width()) / 2, (screenHeight_ - view_->height()) / 2);
}

void CProgressWnd::goModal(const std::string& title) {
  if (!exists_) create(false, title);
  view_->setModal(true);
  modal_ = true;
}

void CProgressWnd::setRange(int64_t lower, int64_t upper, int64_t step) {
  lower_ = lower;
  upper_ = upper;
  step_ = step;
  if (exists_) view_->setRange(lower, upper, step);
}

void CProgressWnd::setText(const std::string& text) {
  text_ = text;
  if (exists_) view_->setText(text);
}

void CProgressWnd::setPosition(int64_t position) {
  position_ = position;
  if (exists_ && !visible_) {
    view_->setVisible(true);
    visible_ = true;
  }
  const int percent = percentOf(position, lower_, upper_);
  if (percent != lastPercent_) {
    lastPercent_ = percent;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, " [%d%%]", percent);
    caption_ = title_ + buffer;  // "%s [%d%%]"
    if (exists_) view_->setCaption(caption_);
  }
  if (exists_) view_->setBarPosition(position);
}

void CProgressWnd::pumpMessages() {
  if (cancelled_ || !exists_ || !pumping_) return;
  if (modal_) view_->keepFocus();
  if (pumpCount_ < 9) view_->repaint();
  ++pumpCount_;
  switch (view_->pumpWaitingMessages()) {
    case ProgressView::PumpResult::Continue:
      break;
    case ProgressView::PumpResult::CancelPressed:
      cancel();
      break;
    case ProgressView::PumpResult::Quit:
      pumping_ = false;
      break;
  }
}

void CProgressWnd::cancel() {
  cancelled_ = true;
  if (!exists_) return;
  view_->setVisible(false);
  visible_ = false;
  destroy();
  view_->activateMainWindow();
}

void CProgressWnd::destroy() {
  if (!exists_) return;
  if (rememberPosition_) {
    auto& section = profile_[text::kProfileSection];
    section[text::kProfileX] = view_->x();
    section[text::kProfileY] = view_->y();
  }
  if (modal_) view_->setModal(false);
  modal_ = false;
  view_->destroy();
  exists_ = false;
  visible_ = false;
}

}  // namespace kestrel
