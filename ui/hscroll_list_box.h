// A list box that keeps its horizontal scroll extent as wide as its widest line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The result dialog's list: lines plus the horizontal extent rule; the view measures text.
class CHScrollListBox {
 public:
  // Width of a text in the list's font in pixels; `expandTabs` when the list uses tab stops.
  using TextWidth = std::function<int(std::string_view text, bool expandTabs)>;

  // Without a measure, text is measured in character cells (see cellWidth).
  explicit CHScrollListBox(TextWidth measure = {}, bool useTabStops = false);

  // Appends a line; returns its index.
  int addString(const std::string& line);
  // Inserts before `index` (−1 or past the end appends); returns the line's index.
  int insertString(int index, const std::string& line);
  // Removes a line; returns the number of lines left, or −1 for a bad index.
  int deleteString(int index);
  void resetContent();

  const std::vector<std::string>& lines() const { return lines_; }
  int count() const { return static_cast<int>(lines_.size()); }
  int horizontalExtent() const { return extent_; }
  bool usesTabStops() const { return useTabStops_; }

  // The fallback measure: 7 pixels per narrow cell, 14 per wide (East Asian) character, tabs to
  // the next multiple of 8 cells when expanded.
  static int cellWidth(std::string_view text, bool expandTabs);

 private:
  int lineExtent(const std::string& line) const;

  TextWidth measure_;
  bool useTabStops_;
  std::vector<std::string> lines_;
  int extent_ = 0;
};

}  // namespace kestrel
