// The progress window as a Qt window; its position is kept in QSettings under "Settings"/"X","Y".
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "platform/runtime/windowing.h"
#include "ui/progress_wnd.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrel::qtui {

// The window itself: text area, bar and the cancel button (command id 10).
class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  ProgressWindow();
  QLabel* textArea() const { return text_; }
  QProgressBar* bar() const { return bar_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

// Draws CProgressWnd with a ProgressWindow and keeps the application profile in QSettings.
class QtProgressView : public ProgressView {
 public:
  explicit QtProgressView(ovwin::WindowingSystem& windowing);
  ~QtProgressView() override;

  void create(const std::string& caption, bool hasParent) override;
  void destroy() override;
  void setVisible(bool visible) override;
  void setCaption(const std::string& caption) override;
  void setText(const std::string& text) override;
  void setRange(int64_t lower, int64_t upper, int64_t step) override;
  void setBarPosition(int64_t position) override;
  void setModal(bool modal) override;
  void keepFocus() override;
  void repaint() override;
  PumpResult pumpWaitingMessages() override;
  void activateMainWindow() override;
  void move(int x, int y) override;
  int x() const override;
  int y() const override;
  int width() const override;
  int height() const override;

  // The window while it exists.
  ProgressWindow* window() const { return window_; }

 private:
  ovwin::WindowingSystem& windowing_;
  QPointer<ProgressWindow> window_;
  QPointer<QWidget> disabledMainWindow_;
  int64_t lower_ = 0;
  int64_t upper_ = 100;
  bool cancelPressed_ = false;
  bool quitRequested_ = false;
};

}  // namespace kestrel::qtui
