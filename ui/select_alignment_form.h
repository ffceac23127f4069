// The alignment selection: the user names an existing alignment that results are placed on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kestrel {

// Lists the drawing's alignments by name and returns the one chosen.
class SelectAlignmentForm {
 public:
  // `alignments` maps names to identifiers, ordered by name.
  explicit SelectAlignmentForm(std::map<std::string, int32_t> alignments);

  // The drop-down's entries: the names in map order, or one empty entry when there are none.
  const std::vector<std::string>& entries() const { return entries_; }
  int selectedIndex() const { return selectedIndex_; }
  // Whether "選択" is enabled.
  bool selectEnabled() const { return !alignments_.empty(); }
  // Selects the entry with that name; false when the list has none.
  bool select(const std::string& name);
  bool selectIndex(int index);

  // "選択": remembers the selected name and its identifier; 0, or −1 when the button is disabled.
  int confirm();
  // "キャンセル": no alignment; −1.
  int cancel();

  const std::map<std::string, int32_t>& alignments() const { return alignments_; }
  int32_t chosenId() const { return chosenId_; }
  const std::string& chosenName() const { return chosenName_; }

 private:
  std::map<std::string, int32_t> alignments_;
  std::vector<std::string> entries_;
  int selectedIndex_ = 0;
  int32_t chosenId_ = 0;
  std::string chosenName_;
};

}  // namespace kestrel
