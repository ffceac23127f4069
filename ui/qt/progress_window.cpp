#include "ui/qt/progress_window.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialog_resources.h"
#include "ui/qt/ui_texts.h"

namespace kestrel::qtui {

namespace {

namespace ids = resources::progress_window;

// The bar works in this many steps whatever the file's size (QProgressBar takes int).
constexpr int kBarSteps = 1000;
constexpr int kWidth = 360;
constexpr int kHeight = 140;

QString profileKey(const char* key) {
  return QString("%1/%2").arg(ids::kProfileSection, key);
}

}  // namespace

ProgressWindow::ProgressWindow()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("progressWindow");
  text_ = new QLabel(this);
  text_->setObjectName("progressText");
  text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text_->setMinimumHeight(QFontMetrics(font()).lineSpacing() * ids::kTextLines / 2);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progressBar");
  bar_->setRange(0, kBarSteps);
  bar_->setTextVisible(false);
  cancel_ = new QPushButton(qs(uiTexts().progressCancel), this);
  cancel_->setObjectName("cancelButton");
  setControlId(*cancel_, ids::kCancelCommand);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addWidget(bar_);
  layout->addWidget(cancel_, 0, Qt::AlignHCenter);
  setFixedSize(kWidth, kHeight);
}

QtProgressView::QtProgressView(ovwin::WindowingSystem& windowing) : windowing_(windowing) {}

QtProgressView::~QtProgressView() {
  if (disabledMainWindow_) disabledMainWindow_->setEnabled(true);
  delete window_.data();
}

// The window has no parent even in a host with a main window: the main window is disabled while
// the window shows, and a child window would be disabled with it.
void QtProgressView::create(const std::string& caption, bool) {
  // The kept position comes from the application profile before CProgressWnd places the window.
  QSettings profile;
  const QVariant x = profile.value(profileKey(ids::kProfileX));
  const QVariant y = profile.value(profileKey(ids::kProfileY));
  if (x.isValid() && y.isValid()) {
    auto& section = windowing_.profile[ids::kProfileSection];
    section[ids::kProfileX] = x.toInt();
    section[ids::kProfileY] = y.toInt();
  }
  window_ = new ProgressWindow;
  window_->setWindowTitle(qs(caption));
  QObject::connect(window_->cancelButton(), &QPushButton::clicked,
                   [this] { cancelPressed_ = true; });
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, window_,
                   [this] { quitRequested_ = true; });
}

void QtProgressView::destroy() {
  // CProgressWnd has just written the position into the profile: keep it.
  const auto section = windowing_.profile.find(ids::kProfileSection);
  if (section != windowing_.profile.end()) {
    QSettings profile;
    for (const char* key : {ids::kProfileX, ids::kProfileY}) {
      const auto value = section->second.find(key);
      if (value != section->second.end()) profile.setValue(profileKey(key), value->second);
    }
  }
  delete window_.data();
}

void QtProgressView::setVisible(bool visible) {
  if (window_) window_->setVisible(visible);
}

void QtProgressView::setCaption(const std::string& caption) {
  if (window_) window_->setWindowTitle(qs(caption));
}

void QtProgressView::setText(const std::string& text) {
  if (window_) window_->textArea()->setText(qs(text));
}

void QtProgressView::setRange(int64_t lower, int64_t upper, int64_t) {
  lower_ = lower;
  upper_ = upper;
}

void QtProgressView::setBarPosition(int64_t position) {
  if (!window_) return;
  int value = 0;
  if (upper_ > lower_) {
    const double fraction =
        static_cast<double>(position - lower_) / static_cast<double>(upper_ - lower_);
    value = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * kBarSteps);
  }
  window_->bar()->setValue(value);
}

void QtProgressView::setModal(bool modal) {
  if (modal) {
    QWidget* main = hostMainWindow();
    if (main != nullptr && main->isEnabled()) {
      main->setEnabled(false);
      disabledMainWindow_ = main;
    }
  } else if (disabledMainWindow_) {
    disabledMainWindow_->setEnabled(true);
    disabledMainWindow_ = nullptr;
  }
}

void QtProgressView::keepFocus() {
  if (window_ && window_->isVisible() && !window_->isActiveWindow()) window_->activateWindow();
}

void QtProgressView::repaint() {
  if (window_ && window_->isVisible()) window_->repaint();
}

ProgressView::PumpResult QtProgressView::pumpWaitingMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (quitRequested_) return PumpResult::Quit;
  if (cancelPressed_) {
    cancelPressed_ = false;
    return PumpResult::CancelPressed;
  }
  return PumpResult::Continue;
}

void QtProgressView::activateMainWindow() {
  if (QWidget* main = hostMainWindow()) {
    main->raise();
    main->activateWindow();
  }
}

void QtProgressView::move(int x, int y) {
  if (window_) window_->move(x, y);
}

int QtProgressView::x() const {
  return window_ ? window_->x() : 0;
}
int QtProgressView::y() const {
  return window_ ? window_->y() : 0;
}
int QtProgressView::width() const {
  return window_ ? window_->width() : kWidth;
}
int QtProgressView::height() const {
  return window_ ? window_->height() : kHeight;
}

}  // namespace kestrel::qtui
