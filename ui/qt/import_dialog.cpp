#include "ui/qt/import_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/dialog_resources.h"
#include "ui/kestrel_form.h"
#include "ui/qt/ui_texts.h"

namespace kestrel::qtui {

namespace {

namespace ids = resources::import_dialog;

// Tree items carry their entry of the selection; the root carries −1.
constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kRootEntry = -1;

}  // namespace

ImportDialog::ImportDialog(KestrelForm& form, QWidget* parent) : QDialog(parent), form_(form) {
  const UiTexts& text = uiTexts();
  setObjectName("importDialog");
  setWindowTitle(qs(text.importCaption));
  setModal(true);

  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName("pathEdit");
  pathEdit_->setReadOnly(true);
  setControlId(*pathEdit_, ids::kPathEdit);
  browseButton_ = new QPushButton(qs(text.browse), this);
  browseButton_->setObjectName("browseButton");
  browseButton_->setAutoDefault(false);
  setControlId(*browseButton_, ids::kBrowseButton);

  auto* siteLabel = new QLabel(qs(text.siteLabel), this);
  setControlId(*siteLabel, ids::kSiteLabel);
  siteList_ = new QComboBox(this);
  siteList_->setObjectName("siteList");
  setControlId(*siteList_, ids::kSiteList);
  for (const auto& site : form_.sites()) siteList_->addItem(qs(site));
  siteList_->setCurrentIndex(form_.selectedSiteIndex());
  connect(siteList_, &QComboBox::currentTextChanged, this,
          [this](const QString& name) { form_.selectSite(utf8(name)); });

  tree_ = new QTreeWidget(this);
  tree_->setObjectName("seriesTree");
  setControlId(*tree_, ids::kSeriesTree);
  tree_->setColumnCount(1);
  tree_->setHeaderLabels({qs(text.treeColumn)});
  tree_->header()->setStretchLastSection(true);
  connect(tree_, &QTreeWidget::itemChanged, this, &ImportDialog::itemChanged);

  settingsButton_ = new QPushButton(qs(text.settingsButton), this);
  settingsButton_->setObjectName("settingsButton");
  settingsButton_->setAutoDefault(false);
  setControlId(*settingsButton_, ids::kSettingsButton);
  auto* logButton = new QPushButton(qs(text.logButton), this);
  logButton->setObjectName("logButton");
  setControlId(*logButton, ids::kLogButton);
  logButton->setVisible(false);
  importButton_ = new QPushButton(qs(text.importButton), this);
  importButton_->setObjectName("importButton");
  importButton_->setDefault(true);
  setControlId(*importButton_, ids::kImportButton);
  closeButton_ = new QPushButton(qs(text.closeButton), this);
  closeButton_->setObjectName("closeButton");
  closeButton_->setAutoDefault(false);
  setControlId(*closeButton_, ids::kCloseButton);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(pathEdit_, 1);
  fileRow->addWidget(browseButton_);
  auto* siteRow = new QHBoxLayout;
  siteRow->addWidget(siteLabel);
  siteRow->addWidget(siteList_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(settingsButton_);
  buttons->addWidget(logButton);
  buttons->addStretch(1);
  buttons->addWidget(importButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addLayout(siteRow);
  layout->addWidget(tree_, 1);
  layout->addLayout(buttons);

  connect(browseButton_, &QPushButton::clicked, this, &ImportDialog::browse);
  connect(settingsButton_, &QPushButton::clicked, this, [this] { form_.openSettings(); });
  connect(importButton_, &QPushButton::clicked, this, &ImportDialog::pressImport);
  connect(closeButton_, &QPushButton::clicked, this, &ImportDialog::pressClose);

  resize(dialogUnits(*this, ids::kWidthUnits, ids::kHeightUnits));
  refresh();
}

void ImportDialog::browse() {
  const UiTexts& text = uiTexts();
  QFileDialog chooser(this, qs(text.browseTitle));
  chooser.setObjectName("browseDialog");
  chooser.setNameFilter(qs(text.browseFilter));
  chooser.setDefaultSuffix("sim");
  chooser.setFileMode(QFileDialog::ExistingFile);
  // ".sim" in any case is a SIMA file, so the filter lists "ROAD.SIM" too.
  chooser.setFilter(chooser.filter() & ~QDir::CaseSensitive);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  // The same dialog on every desktop, so the host looks alike everywhere and tests can drive it.
  chooser.setOption(QFileDialog::DontUseNativeDialog, true);
  if (!form_.filePath().empty())
    chooser.setDirectory(QFileInfo(qs(form_.filePath())).absolutePath());
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return;
  takeChosenFile(chooser.selectedFiles().front());
}

void ImportDialog::takeChosenFile(const QString& path) {
  if (form_.browse(utf8(path))) refresh();
}

void ImportDialog::pressImport() {
  if (form_.pressImport()) accept();
}

void ImportDialog::pressClose() {
  form_.close();
  reject();
}

void ImportDialog::itemChanged(QTreeWidgetItem* item, int column) {
  if (updating_ || column != 0) return;
  const bool checked = item->checkState(0) == Qt::Checked;
  const int entry = item->data(0, kEntryRole).toInt();
  if (entry == kRootEntry)
    form_.setAllChecked(checked);
  else
    form_.setChecked(entry, checked);
  refreshChecks();
}

void ImportDialog::refresh() {
  updating_ = true;
  pathEdit_->setText(qs(form_.filePath()));
  tree_->clear();
  auto* root = new QTreeWidgetItem(tree_, {qs(form_.rootLabel())});
  root->setData(0, kEntryRole, kRootEntry);
  for (const SeriesTreeItem& entry : form_.treeItems()) {
    auto* child = new QTreeWidgetItem(root, {qs(entry.text)});
    child->setData(0, kEntryRole, entry.entry);
    // A kind the file does not hold shows no tick and cannot be changed.
    child->setFlags(entry.locked
                        ? Qt::ItemIsSelectable
                        : Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  }
  tree_->expandAll();
  updating_ = false;
  refreshChecks();
}

void ImportDialog::refreshChecks() {
  updating_ = true;
  QTreeWidgetItem* root = tree_->topLevelItem(0);
  bool anyUnlocked = false;
  bool allChecked = true;
  const auto& items = form_.treeItems();
  for (int i = 0; root != nullptr && i < root->childCount(); ++i) {
    const SeriesTreeItem& entry = items[static_cast<std::size_t>(i)];
    root->child(i)->setCheckState(0, entry.checked ? Qt::Checked : Qt::Unchecked);
    if (!entry.locked) {
      anyUnlocked = true;
      allChecked = allChecked && entry.checked;
    }
  }
  if (root != nullptr) {
    root->setFlags(anyUnlocked ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable
                               : Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    root->setCheckState(0, anyUnlocked && allChecked ? Qt::Checked : Qt::Unchecked);
  }
  importButton_->setEnabled(form_.importEnabled());
  updating_ = false;
}

}  // namespace kestrel::qtui
