#include "ui/qt/alignment_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_resources.h"
#include "ui/qt/ui_texts.h"
#include "ui/select_alignment_form.h"

namespace kestrel::qtui {

namespace {
namespace ids = resources::alignment_dialog;
}

AlignmentDialog::AlignmentDialog(SelectAlignmentForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  const UiTexts& text = uiTexts();
  setObjectName("alignmentDialog");
  setWindowTitle(qs(text.alignmentCaption));
  setModal(true);

  list_ = new QComboBox(this);
  list_->setObjectName("alignmentList");
  setControlId(*list_, ids::kAlignmentList);
  for (const auto& name : form_.entries()) list_->addItem(qs(name));
  list_->setCurrentIndex(form_.selectedIndex());
  connect(list_, &QComboBox::currentIndexChanged, this,
          [this](int index) { form_.selectIndex(index); });

  selectButton_ = new QPushButton(qs(text.selectButton), this);
  selectButton_->setObjectName("selectButton");
  selectButton_->setDefault(true);
  selectButton_->setEnabled(form_.selectEnabled());
  setControlId(*selectButton_, ids::kSelectButton);
  auto* cancelButton = new QPushButton(qs(text.alignmentCancel), this);
  cancelButton->setObjectName("cancelButton");
  cancelButton->setAutoDefault(false);
  setControlId(*cancelButton, ids::kCancelButton);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(qs(text.alignmentLabel), this));
  row->addWidget(list_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(selectButton_);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);

  connect(selectButton_, &QPushButton::clicked, this, &AlignmentDialog::pressSelect);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // "キャンセル" and closing the window both mean no alignment.
  connect(this, &QDialog::rejected, this, [this] { form_.cancel(); });
  setMinimumWidth(320);
}

void AlignmentDialog::pressSelect() {
  if (form_.confirm() == 0) accept();
}

}  // namespace kestrel::qtui
