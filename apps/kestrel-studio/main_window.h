// The desktop host's main window: command menu and command line, drawing view, layers, files.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class OvDbDatabase;

namespace kestrel::studio {

class DrawingView;

// Holds the current drawing (the working database) and civil document and runs the module's
// commands on them.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Starts with an empty drawing as the working database.
  MainWindow();
  ~MainWindow() override;

  // The current drawing.
  OvDbDatabase& drawing() { return *drawing_; }
  // Starts over with an empty drawing.
  void newDrawing();

  // Adds one menu entry per command the loaded modules registered.
  void listCommands();
  // Runs a command by name as the command line does; false when there is none.
  bool runCommand(const QString& name);
  // Opens a DXF file as the current drawing; a file that cannot be read leaves the drawing as it
  // was.
  bool openDrawing(const QString& path);
  bool saveDrawing(const QString& path);
  bool openLandXml(const QString& path);
  bool saveLandXml(const QString& path);
  DrawingView* view() const { return view_; }
  QLineEdit* commandLine() const { return commandLine_; }

  // Lists the drawing's layers again and redraws.
  void refresh();

 private:
  void makeCurrent(std::unique_ptr<OvDbDatabase> drawing);
  void layerChanged(QListWidgetItem* item);

  std::unique_ptr<OvDbDatabase> drawing_;
  DrawingView* view_;
  QListWidget* layers_;
  QLineEdit* commandLine_;
  QMenu* commandMenu_ = nullptr;
};

}  // namespace kestrel::studio
