#include "ui/qt/result_dialog.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "ui/dialog_resources.h"
#include "ui/qt/hscroll_list_widget.h"
#include "ui/qt/ui_texts.h"
#include "ui/sima_result_form.h"

namespace kestrel::qtui {

namespace {

namespace ids = resources::result_dialog;

LogOpener& logOpener() {
  static LogOpener opener = [](const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
  };
  return opener;
}

}  // namespace

void setLogOpener(LogOpener opener) {
  logOpener() = std::move(opener);
}

ResultDialog::ResultDialog(SimaResultForm& form, QWidget* parent) : QDialog(parent), form_(form) {
  const UiTexts& text = uiTexts();
  setObjectName("resultDialog");
  setWindowTitle(qs(text.resultCaption));
  setModal(true);

  list_ = new HScrollListWidget(this, form_.list().usesTabStops());
  list_->setObjectName("resultList");
  setControlId(*list_, ids::kResultList);
  for (const auto& line : form_.lines()) list_->addString(line);

  auto* hidden = new QLabel(qs(text.resultHiddenLabel), this);
  hidden->setVisible(false);
  auto* closeButton = new QPushButton(qs(text.resultClose), this);
  closeButton->setObjectName("closeButton");
  closeButton->setDefault(true);
  setControlId(*closeButton, ids::kCloseButton);
  showLogButton_ = new QPushButton(qs(text.showLog), this);
  showLogButton_->setObjectName("showLogButton");
  showLogButton_->setAutoDefault(false);
  showLogButton_->setEnabled(form_.showLogEnabled());
  setControlId(*showLogButton_, ids::kShowLogButton);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(showLogButton_);
  buttons->addStretch(1);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(qs(text.resultLabel), this));
  layout->addWidget(list_, 1);
  layout->addWidget(hidden);
  layout->addLayout(buttons);

  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(showLogButton_, &QPushButton::clicked, this, &ResultDialog::showLog);
  resize(360, 240);
}

void ResultDialog::showLog() {
  if (form_.showLog()) logOpener()(form_.logPath());
}

}  // namespace kestrel::qtui
