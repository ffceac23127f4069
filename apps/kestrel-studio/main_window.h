// The desktop host's main window: menus, command line, drawing view, layers, inspector, survey
// readouts in the status bar, files opened from menus, recent files and drag and drop.
#pragma once

#include <QMainWindow>
#include <QPointF>
#include <memory>

#include "apps/kestrel-studio/drawing_view.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QTreeWidget;
class OvDbDatabase;

namespace kestrel::studio {

struct Shape;

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

  // Lists the commands the loaded modules registered, each by what it does.
  void listCommands();
  // Runs a command by name as the command line does; false when there is none.
  bool runCommand(const QString& name);
  // Runs the import command with this SIMA file already chosen in its dialog.
  bool importFile(const QString& path);
  // Opens a DXF file as the current drawing; a file that cannot be read leaves the drawing as it
  // was.
  bool openDrawing(const QString& path);
  bool saveDrawing(const QString& path);
  bool openLandXml(const QString& path);
  bool saveLandXml(const QString& path);
  // Opens a file by its kind: a .sim file is imported, a .dxf file opened as the drawing, a .xml
  // file as the civil document; false for anything else.
  bool openAny(const QString& path);

  DrawingView* view() const { return view_; }
  QLineEdit* commandLine() const { return commandLine_; }
  QTreeWidget* inspector() const { return inspector_; }

  // Which parts the point labels show (the View menu's ticks follow).
  void setLabels(LabelOptions labels);

  // Reads the drawing and civil document again: layers, shapes, inspector.
  void refresh();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildMenus();
  void makeCurrent(std::unique_ptr<OvDbDatabase> drawing);
  void layerChanged(QListWidgetItem* item);
  void showReadout(QPointF world);
  void showPicked(const Shape* shape);
  void remember(const QString& path);
  void fillRecentMenu();
  QString chooseFile(const char* title, const char* filter, const QString& suffix, bool save);

  std::unique_ptr<OvDbDatabase> drawing_;
  DrawingView* view_;
  QListWidget* layers_;
  QTreeWidget* inspector_;
  QLineEdit* commandLine_;
  QLabel* coordinateReadout_;
  QLabel* stationReadout_;
  QMenu* commandMenu_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QAction* labelActions_[3] = {};  // names, numbers, elevations
};

}  // namespace kestrel::studio
