#include "apps/kestrel-studio/main_window.h"

#include <QDockWidget>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "apps/kestrel-studio/drawing_view.h"
#include "platform/civil/civil_model.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace kestrel::studio {

namespace {

ovrx::CommandStack* commandStack() {
  return dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
}

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

MainWindow::MainWindow() : drawing_(std::make_unique<OvDbDatabase>()) {
  ovSetWorkingDatabase(drawing_.get());
  setObjectName("studioWindow");
  setWindowTitle("Kestrel Studio");
  view_ = new DrawingView(this);
  commandLine_ = new QLineEdit(this);
  commandLine_->setObjectName("commandLine");
  commandLine_->setPlaceholderText(tr("Command:"));
  connect(commandLine_, &QLineEdit::returnPressed, this, [this] {
    const QString name = commandLine_->text().trimmed();
    commandLine_->clear();
    if (!name.isEmpty() && !runCommand(name))
      statusBar()->showMessage(tr("Unknown command: %1").arg(name), 5000);
  });
  auto* centre = new QWidget(this);
  auto* layout = new QVBoxLayout(centre);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_, 1);
  layout->addWidget(commandLine_);
  setCentralWidget(centre);

  layers_ = new QListWidget(this);
  layers_->setObjectName("layerList");
  connect(layers_, &QListWidget::itemChanged, this, &MainWindow::layerChanged);
  auto* dock = new QDockWidget(tr("Layers"), this);
  dock->setWidget(layers_);
  addDockWidget(Qt::RightDockWidgetArea, dock);

  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New Drawing"), this, &MainWindow::newDrawing);
  file->addAction(tr("&Open DXF..."), this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open DXF"), {}, "DXF (*.dxf)");
    if (!path.isEmpty()) openDrawing(path);
  });
  file->addAction(tr("&Save DXF..."), this, [this] {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save DXF"), {}, "DXF (*.dxf)");
    if (!path.isEmpty()) saveDrawing(path);
  });
  file->addSeparator();
  file->addAction(tr("Open &LandXML..."), this, [this] {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open LandXML"), {}, "LandXML (*.xml)");
    if (!path.isEmpty()) openLandXml(path);
  });
  file->addAction(tr("Save La&ndXML..."), this, [this] {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("Save LandXML"), {}, "LandXML (*.xml)");
    if (!path.isEmpty()) saveLandXml(path);
  });
  file->addSeparator();
  file->addAction(tr("&Quit"), this, &QWidget::close);
  commandMenu_ = menuBar()->addMenu(tr("&Commands"));
  QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
  viewMenu->addAction(tr("Zoom &Extents"), this, [this] { view_->zoomExtents(); });
  viewMenu->addAction(dock->toggleViewAction());

  view_->setSources(drawing_.get(), &ovcivil::civilApplication().activeDocument());
  resize(1000, 700);
  refresh();
}

void MainWindow::listCommands() {
  commandMenu_->clear();
  if (auto* stack = commandStack())
    for (const auto& command : stack->commands()) {
      const QString name = qs(command.globalName);
      commandMenu_->addAction(name, this, [this, name] { runCommand(name); });
    }
}

bool MainWindow::runCommand(const QString& name) {
  auto* stack = commandStack();
  if (stack == nullptr) return false;
  ovwin::windowing().mode = ovwin::DialogMode::Qt;
  const std::size_t entitiesBefore = drawing_->entityCount();
  const bool known = stack->invoke(name.toStdString());
  for (const auto& notice : ovwin::windowing().notices) statusBar()->showMessage(qs(notice), 8000);
  refresh();
  // A command that drew something is shown whole.
  if (drawing_->entityCount() != entitiesBefore) view_->zoomExtents();
  return known;
}

MainWindow::~MainWindow() {
  if (&ovWorkingDatabase() == drawing_.get()) ovSetWorkingDatabase(nullptr);
}

void MainWindow::makeCurrent(std::unique_ptr<OvDbDatabase> drawing) {
  drawing_ = std::move(drawing);
  ovSetWorkingDatabase(drawing_.get());
  view_->setSources(drawing_.get(), &ovcivil::civilApplication().activeDocument());
  refresh();
  view_->zoomExtents();
}

void MainWindow::newDrawing() {
  makeCurrent(std::make_unique<OvDbDatabase>());
}

bool MainWindow::openDrawing(const QString& path) {
  auto opened = std::make_unique<OvDbDatabase>();
  if (const kestrel::io::Result result = openDxf(path.toStdString(), *opened); !result) {
    QMessageBox::warning(this, windowTitle(), qs(result.message()));
    return false;
  }
  makeCurrent(std::move(opened));
  return true;
}

bool MainWindow::saveDrawing(const QString& path) {
  const kestrel::io::Result result = saveDxf(*drawing_, path.toStdString());
  if (result) return true;
  QMessageBox::warning(this, windowTitle(), qs(result.message()));
  return false;
}

bool MainWindow::openLandXml(const QString& path) {
  // A fresh civil document, so alignments are not read twice.
  auto document = std::make_unique<ovcivil::CivilDocument>();
  if (const kestrel::io::Result result = ovcivil::openLandXml(path.toStdString(), *document);
      !result) {
    QMessageBox::warning(this, windowTitle(), qs(result.message()));
    return false;
  }
  ovcivil::civilApplication().setActiveDocument(std::move(document));
  view_->setSources(drawing_.get(), &ovcivil::civilApplication().activeDocument());
  refresh();
  view_->zoomExtents();
  return true;
}

bool MainWindow::saveLandXml(const QString& path) {
  auto& civil = ovcivil::civilApplication().activeDocument();
  const kestrel::io::Result result = ovcivil::saveLandXml(civil, path.toStdString());
  if (result) return true;
  QMessageBox::warning(this, windowTitle(), qs(result.message()));
  return false;
}

void MainWindow::refresh() {
  const QSignalBlocker block(layers_);
  layers_->clear();
  for (const auto& name : drawing_->layerNames()) {
    auto* item = new QListWidgetItem(qs(name), layers_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(view_->layerVisible(qs(name)) ? Qt::Checked : Qt::Unchecked);
  }
  view_->update();
}

void MainWindow::layerChanged(QListWidgetItem* item) {
  view_->setLayerVisible(item->text(), item->checkState() == Qt::Checked);
}

}  // namespace kestrel::studio
