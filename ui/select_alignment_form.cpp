#include "ui/select_alignment_form.h"

#include <utility>

namespace kestrel {

SelectAlignmentForm::SelectAlignmentForm(std::map<std::string, int32_t> alignments)
    : alignments_(std::move(alignments)) {
  if (alignments_.empty()) {
    entries_.emplace_back();
    return;
  }
  entries_.reserve(alignments_.size());
  for (const auto& entry : alignments_) entries_.push_back(entry.first);
}

bool SelectAlignmentForm::select(const std::string& name) {
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i] == name) return selectIndex(static_cast<int>(i));
  return false;
}

bool SelectAlignmentForm::selectIndex(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return false;
  selectedIndex_ = index;
  return true;
}

int SelectAlignmentForm::confirm() {
  if (!selectEnabled()) return -1;
  const std::string& name = entries_[static_cast<std::size_t>(selectedIndex_)];
  chosenName_ = name;
  chosenId_ = alignments_.at(name);
  return 0;
}

int SelectAlignmentForm::cancel() {
  chosenId_ = 0;
  chosenName_.clear();
  return -1;
}

}  // namespace kestrel
