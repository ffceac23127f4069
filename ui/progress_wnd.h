// The progress window shown while a SIMA file is read: its state and rules, drawn by a view.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "sima/import_run.h"

namespace kestrel {

// How a host draws the progress window. The window's rules live in CProgressWnd.
class ProgressView {
 public:
  // What handling the thread's waiting messages brought.
  enum class PumpResult { Continue, CancelPressed, Quit };

  virtual ~ProgressView() = default;
  // Creates the (hidden) window; `hasParent` when the host has a main window.
  virtual void create(const std::string& caption, bool hasParent) = 0;
  virtual void destroy() = 0;
  virtual void setVisible(bool visible) = 0;
  virtual void setCaption(const std::string& caption) = 0;
  virtual void setText(const std::string& text) = 0;
  virtual void setRange(int64_t lower, int64_t upper, int64_t step) = 0;
  virtual void setBarPosition(int64_t position) = 0;
  // Disables (modal) or re-enables the host's main window.
  virtual void setModal(bool modal) = 0;
  virtual void keepFocus() = 0;
  virtual void repaint() = 0;
  // Handles every waiting message of the thread.
  virtual PumpResult pumpWaitingMessages() = 0;
  virtual void activateMainWindow() = 0;
  virtual void move(int x, int y) = 0;
  virtual int x() const = 0;
  virtual int y() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
};

// Application profile: section → key → value.
using ApplicationProfile = std::map<std::string, std::map<std::string, int>>;

// The progress window's state: range, percentage caption, modality, cancel, kept position.
class CProgressWnd : public ProgressSink {
 public:
  // The position is kept in `profile` under "Settings"/"X" and "Y"; the screen size decides
  // whether a kept position is still visible.
  CProgressWnd(std::unique_ptr<ProgressView> view, ApplicationProfile& profile, int screenWidth,
               int screenHeight);
  ~CProgressWnd() override;
  CProgressWnd(const CProgressWnd&) = delete;
  CProgressWnd& operator=(const CProgressWnd&) = delete;

  // Creates the window at its kept position, or centred when that is off the screen.
  void create(bool hasParent, const std::string& title);
  // Creates the window when missing, disables the main window and marks the window modal.
  void goModal(const std::string& title);
  void setRange(int64_t lower, int64_t upper, int64_t step);
  void setText(const std::string& text);
  // Shows the window, moves the bar and puts the percentage in the caption when it changed.
  void setPosition(int64_t position);
  // Repaints (first 9 calls) and lets the thread's waiting messages through, unless cancelled.
  void pumpMessages() override;
  // The cancel button: the window goes away; the import carries on.
  void cancel();
  // Keeps the position in the profile, re-enables the main window, destroys the window.
  void destroy();

  // ProgressSink: the read loop reports the file position.
  void setPosition(std::size_t position) override { setPosition(static_cast<int64_t>(position)); }
  // Keeps calls with a plain int unambiguous between the two above.
  void setPosition(int position) { setPosition(static_cast<int64_t>(position)); }

  const std::string& title() const { return title_; }
  const std::string& caption() const { return caption_; }
  const std::string& text() const { return text_; }
  const std::string& cancelText() const { return cancelText_; }
  int64_t lower() const { return lower_; }
  int64_t upper() const { return upper_; }
  int64_t step() const { return step_; }
  int64_t position() const { return position_; }
  int lastPercent() const { return lastPercent_; }
  int textLines() const { return textLines_; }
  bool cancelled() const { return cancelled_; }
  bool modal() const { return modal_; }
  bool exists() const { return exists_; }
  bool visible() const { return visible_; }
  bool rememberPosition() const { return rememberPosition_; }
  int pumpCount() const { return pumpCount_; }
  ProgressView& view() { return *view_; }

 private:
  std::unique_ptr<ProgressView> view_;
  ApplicationProfile& profile_;
  int screenWidth_;
  int screenHeight_;
  std::string title_;
  std::string caption_;
  std::string text_;
  std::string cancelText_;
  int64_t lower_ = 0;
  int64_t upper_ = 100;
  int64_t step_ = 1;
  int64_t position_ = 0;
  int lastPercent_ = -1;  // nothing shown yet, so the first position always sets the caption
  int textLines_;
  int pumpCount_ = 0;
  bool cancelled_ = false;
  bool modal_ = false;
  bool exists_ = false;
  bool visible_ = false;
  bool rememberPosition_ = true;
  bool pumping_ = true;  // false once a quit request was seen
};

}  // namespace kestrel
