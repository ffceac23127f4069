// CHScrollListBox as a Qt list: the scroll extent follows the widest line in the list's font.
#pragma once

#include <QListWidget>
#include <string>

#include "ui/hscroll_list_box.h"

namespace kestrel::qtui {

// A list widget whose horizontal scroll range is the CHScrollListBox extent of its lines.
class HScrollListWidget : public QListWidget {
  Q_OBJECT

 public:
  explicit HScrollListWidget(QWidget* parent = nullptr, bool useTabStops = false);

  int addString(const std::string& line);
  int insertString(int index, const std::string& line);
  int deleteString(int index);
  void resetContent();

  // The extent the rule gives, in pixels.
  int horizontalExtent() const { return lines_.horizontalExtent(); }
  const CHScrollListBox& lines() const { return lines_; }

 private:
  // Gives every row the extent as its width, so the view scrolls exactly that far.
  void applyExtent();

  CHScrollListBox lines_;
};

}  // namespace kestrel::qtui
