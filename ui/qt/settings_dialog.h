// The settings dialog as a Qt dialog: five layer drop-downs and the shift-distance edit.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kestrel {
class KestrelSettingsForm;
}

namespace kestrel::qtui {

// Shows a KestrelSettingsForm; "設定" closes it only when the form accepts the values.
class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(KestrelSettingsForm& form, QWidget* parent = nullptr);

  // Drop-down of setting 0..4 (points, IP lines, lots, width stakes, continuous lines).
  QComboBox* layerList(int setting) const { return layerLists_[setting]; }
  QLineEdit* shiftEdit() const { return shiftEdit_; }
  QPushButton* acceptButton() const { return acceptButton_; }

 private:
  void pressAccept();

  KestrelSettingsForm& form_;
  QComboBox* layerLists_[5] = {};
  QLineEdit* shiftEdit_;
  QPushButton* acceptButton_;
};

}  // namespace kestrel::qtui
