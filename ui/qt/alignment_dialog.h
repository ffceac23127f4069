// The alignment selection as a Qt dialog.
#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace kestrel {
class SelectAlignmentForm;
}

namespace kestrel::qtui {

// Shows a SelectAlignmentForm; exec() answers Accepted when "選択" confirmed a choice.
class AlignmentDialog : public QDialog {
  Q_OBJECT

 public:
  AlignmentDialog(SelectAlignmentForm& form, QWidget* parent = nullptr);

  QComboBox* alignmentList() const { return list_; }
  QPushButton* selectButton() const { return selectButton_; }

 private:
  void pressSelect();

  SelectAlignmentForm& form_;
  QComboBox* list_;
  QPushButton* selectButton_;
};

}  // namespace kestrel::qtui
