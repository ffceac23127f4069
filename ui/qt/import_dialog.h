// The import dialog as a Qt dialog: file, site, the checked tree of data kinds, settings, import.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel {
class KestrelForm;
}

namespace kestrel::qtui {

// Shows a KestrelForm; every click goes to the form, and the widgets are refreshed from it.
class ImportDialog : public QDialog {
  Q_OBJECT

 public:
  ImportDialog(KestrelForm& form, QWidget* parent = nullptr);

  QTreeWidget* tree() const { return tree_; }
  QPushButton* importButton() const { return importButton_; }
  QPushButton* settingsButton() const { return settingsButton_; }
  QPushButton* browseButton() const { return browseButton_; }
  QLineEdit* pathEdit() const { return pathEdit_; }
  QComboBox* siteList() const { return siteList_; }

  QPushButton* closeButton() const { return closeButton_; }

 public slots:
  // Takes a path as if chosen in the file-open dialog.
  void takeChosenFile(const QString& path);

 private:
  void browse();
  void pressImport();
  void pressClose();
  void itemChanged(QTreeWidgetItem* item, int column);
  // Rebuilds edit, tree and import button from the form.
  void refresh();
  void refreshChecks();

  KestrelForm& form_;
  QLineEdit* pathEdit_;
  QPushButton* browseButton_;
  QComboBox* siteList_;
  QTreeWidget* tree_;
  QPushButton* settingsButton_;
  QPushButton* importButton_;
  QPushButton* closeButton_;
  bool updating_ = false;
};

}  // namespace kestrel::qtui
