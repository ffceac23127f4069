// The desktop host's main window: command menu and command line, drawing view, layers, files.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class OvDbDatabase;

namespace kestrel::studio {

class DrawingView;

// Holds the current drawing and civil document and runs the module's commands on them.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(OvDbDatabase& drawing);

  // Adds one menu entry per command the loaded modules registered.
  void listCommands();
  // Runs a command by name as the command line does; false when there is none.
  bool runCommand(const QString& name);
  bool openDrawing(const QString& path);
  bool saveDrawing(const QString& path);
  bool openLandXml(const QString& path);
  bool saveLandXml(const QString& path);
  DrawingView* view() const { return view_; }
  QLineEdit* commandLine() const { return commandLine_; }

 private:
  void refresh();
  void layerChanged(QListWidgetItem* item);

  OvDbDatabase& drawing_;
  DrawingView* view_;
  QListWidget* layers_;
  QLineEdit* commandLine_;
  QMenu* commandMenu_ = nullptr;
};

}  // namespace kestrel::studio
