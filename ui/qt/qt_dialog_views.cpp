#include "ui/qt/qt_dialog_views.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "ui/kestrel_form.h"
#include "ui/kestrel_settings_form.h"
#include "ui/qt/alignment_dialog.h"
#include "ui/qt/import_dialog.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/result_dialog.h"
#include "ui/qt/settings_dialog.h"
#include "ui/qt/ui_texts.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel::qtui {

namespace {

QMessageBox::Icon iconOf(ovwin::MessageIcon icon) {
  switch (icon) {
    case ovwin::MessageIcon::Information:
      return QMessageBox::Information;
    case ovwin::MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case ovwin::MessageIcon::Error:
      return QMessageBox::Critical;
    case ovwin::MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Modal dialogs on top of whichever window is active: a dialog opened from another dialog sits
// over it, the first over the host's main window.
QWidget* dialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return hostMainWindow();
}

class QtDialogViews : public DialogViews {
 public:
  QtDialogViews(ovwin::WindowingSystem& windowing, module::Conversation& conversation)
      : windowing_(windowing), conversation_(conversation) {}

  bool showImportDialog(KestrelForm& form) override {
    ImportDialog dialog(form, dialogParent());
    const bool imported = dialog.exec() == QDialog::Accepted;
    if (!imported) conversation_.outcome = module::DialogOutcome::Cancelled;
    return imported;
  }

  bool showSettingsDialog(KestrelSettingsForm& form) override {
    SettingsDialog dialog(form, dialogParent());
    return dialog.exec() == QDialog::Accepted;
  }

  int showAlignmentSelection(SelectAlignmentForm& form) override {
    AlignmentDialog dialog(form, dialogParent());
    return dialog.exec() == QDialog::Accepted ? 0 : -1;
  }

  void showResult(SimaResultForm& form) override {
    if (const io::Result appended = form.open(); !appended)
      windowing_.notices.push_back("cannot append the result to the log " + form.logPath() + ": " +
                                   appended.description);
    conversation_.report.resultLines = form.lines();
    conversation_.report.errorCount = form.inputs().errorCount;
    conversation_.report.alignments = form.inputs().alignmentNames;
    conversation_.report.logPath = form.logPath();
    conversation_.outcome = module::DialogOutcome::Imported;
    ResultDialog dialog(form, dialogParent());
    dialog.exec();
  }

  void messageBox(const std::string& text, const std::string& caption,
                  ovwin::MessageIcon icon) override {
    windowing_.messageBoxes.push_back({text, caption, icon});
    QMessageBox box(iconOf(icon), qs(caption), qs(text), QMessageBox::Ok, dialogParent());
    box.setObjectName("messageBox");
    box.exec();
  }

  std::unique_ptr<ProgressView> createProgressView() override {
    return std::make_unique<QtProgressView>(windowing_);
  }

 private:
  ovwin::WindowingSystem& windowing_;
  module::Conversation& conversation_;
};

}  // namespace

std::unique_ptr<DialogViews> makeQtDialogViews(ovwin::WindowingSystem& windowing,
                                               module::Conversation& conversation) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    windowing.screenWidth = screen->geometry().width();
    windowing.screenHeight = screen->geometry().height();
  }
  windowing.hasMainWindow = hostMainWindow() != nullptr;
  return std::make_unique<QtDialogViews>(windowing, conversation);
}

}  // namespace kestrel::qtui

namespace kestrel {

void registerQtDialogViews() {
  registerDialogViews(ovwin::DialogMode::Qt, &qtui::makeQtDialogViews);
}

}  // namespace kestrel
