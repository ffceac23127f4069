#include "ui/qt/settings_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_resources.h"
#include "ui/kestrel_settings_form.h"
#include "ui/qt/ui_texts.h"

namespace kestrel::qtui {

namespace {
namespace ids = resources::settings_dialog;
}

SettingsDialog::SettingsDialog(KestrelSettingsForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  const UiTexts& text = uiTexts();
  setObjectName("settingsDialog");
  setWindowTitle(qs(text.settingsCaption));
  setModal(true);

  auto* layerGroup = new QGroupBox(qs(text.layerGroup), this);
  auto* layerForm = new QFormLayout(layerGroup);
  for (int setting = 0; setting < 5; ++setting) {
    auto* list = new QComboBox(layerGroup);
    list->setObjectName(QString("layerList%1").arg(setting));
    setControlId(*list, ids::kLayerList[setting]);
    for (const auto& name : form_.layerNames()) list->addItem(qs(name));
    list->setCurrentIndex(form_.selectedIndex(setting));
    connect(list, &QComboBox::currentTextChanged, this,
            [this, setting](const QString& name) { form_.chooseLayer(setting, utf8(name)); });
    layerForm->addRow(qs(text.layerLabels[setting]), list);
    layerLists_[setting] = list;
  }

  auto* shiftGroup = new QGroupBox(qs(text.shiftGroup), this);
  auto* shiftRow = new QHBoxLayout(shiftGroup);
  shiftEdit_ = new QLineEdit(qs(form_.shiftText()), shiftGroup);
  shiftEdit_->setObjectName("shiftEdit");
  setControlId(*shiftEdit_, ids::kShiftEdit);
  shiftRow->addWidget(new QLabel(qs(text.shiftLabel), shiftGroup));
  shiftRow->addWidget(shiftEdit_, 1);
  shiftRow->addWidget(new QLabel(qs(text.shiftUnit), shiftGroup));

  acceptButton_ = new QPushButton(qs(text.acceptButton), this);
  acceptButton_->setObjectName("acceptButton");
  acceptButton_->setDefault(true);
  setControlId(*acceptButton_, ids::kAcceptButton);
  auto* cancelButton = new QPushButton(qs(text.cancelButton), this);
  cancelButton->setObjectName("cancelButton");
  cancelButton->setAutoDefault(false);
  setControlId(*cancelButton, ids::kCancelButton);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(acceptButton_);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(layerGroup);
  layout->addWidget(shiftGroup);
  layout->addStretch(1);
  layout->addLayout(buttons);

  connect(acceptButton_, &QPushButton::clicked, this, &SettingsDialog::pressAccept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  resize(dialogUnits(*this, ids::kWidthUnits, ids::kHeightUnits));
}

void SettingsDialog::pressAccept() {
  form_.setShiftText(utf8(shiftEdit_->text()));
  // A refused distance has shown its message; the dialog stays open.
  if (form_.accept()) accept();
}

}  // namespace kestrel::qtui
