// The result dialog as a Qt dialog: the result lines and the way to the import log.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QPushButton;

namespace kestrel {
class SimaResultForm;
}

namespace kestrel::qtui {

class HScrollListWidget;

// Opens a file with the desktop's default viewer (replaceable, e.g. by tests).
using LogOpener = std::function<void(const std::string& path)>;
void setLogOpener(LogOpener opener);

// Shows a SimaResultForm that has been opened (its lines appended to the log).
class ResultDialog : public QDialog {
  Q_OBJECT

 public:
  ResultDialog(SimaResultForm& form, QWidget* parent = nullptr);

  HScrollListWidget* resultList() const { return list_; }
  QPushButton* showLogButton() const { return showLogButton_; }

 private:
  void showLog();

  SimaResultForm& form_;
  HScrollListWidget* list_;
  QPushButton* showLogButton_;
};

}  // namespace kestrel::qtui
