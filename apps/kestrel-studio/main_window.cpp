#include "apps/kestrel-studio/main_window.h"

#include <QApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "apps/kestrel-studio/drawing_view.h"
#include "apps/kestrel-studio/inspector.h"
#include "apps/kestrel-studio/studio_texts.h"
#include "platform/civil/civil_model.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace kestrel::studio {

namespace {

constexpr int kRecentFiles = 8;
const char* const kRecentKey = "recentFiles";
// The readout follows the nearest alignment this far from it (metres, or pixels when farther).
constexpr double kReadoutReachMetres = 100.0;
constexpr double kReadoutReachPixels = 40.0;

ovrx::CommandStack* commandStack() {
  return dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
}

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

// What a command of the import module does, by its name; null for a command we do not know.
const char* commandPurpose(const QString& name, const StudioTexts& t) {
  const QString key = name.toLower();
  if (key == "kestrel") return t.importCommand;
  if (key == "kestrels" || key == "kestrel2") return t.emptyCommand;
  return nullptr;
}

// Hands a file to the import dialog when it shows, as if the user had browsed to it. The dialog
// lives in the module; it is found by its object name and told through its public slot.
class ImportFileHandOver : public QObject {
 public:
  explicit ImportFileHandOver(QString path) : path_(std::move(path)) {
    qApp->installEventFilter(this);
  }
  ~ImportFileHandOver() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && !handed_ && watched->objectName() == "importDialog") {
      handed_ = true;
      QMetaObject::invokeMethod(watched, "takeChosenFile", Qt::QueuedConnection,
                                Q_ARG(QString, path_));
    }
    return false;
  }

 private:
  QString path_;
  bool handed_ = false;
};

QIcon swatch(const QColor& colour) {
  QPixmap pixmap(14, 14);
  pixmap.fill(colour);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, 13, 13);
  return QIcon(pixmap);
}

}  // namespace

MainWindow::MainWindow() : drawing_(std::make_unique<OvDbDatabase>()) {
  const StudioTexts& t = studioTexts();
  ovSetWorkingDatabase(drawing_.get());
  setObjectName("studioWindow");
  setWindowTitle(tx(t.windowTitle));
  setAcceptDrops(true);
  view_ = new DrawingView(this);
  commandLine_ = new QLineEdit(this);
  commandLine_->setObjectName("commandLine");
  commandLine_->setPlaceholderText(tx(t.commandPrompt));
  connect(commandLine_, &QLineEdit::returnPressed, this, [this] {
    const QString name = commandLine_->text().trimmed();
    commandLine_->clear();
    if (!name.isEmpty() && !runCommand(name))
      statusBar()->showMessage(tx(studioTexts().unknownCommand).arg(name), 5000);
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
  auto* layerDock = new QDockWidget(tx(t.layersDock), this);
  layerDock->setObjectName("layerDock");
  layerDock->setWidget(layers_);
  addDockWidget(Qt::RightDockWidgetArea, layerDock);

  inspector_ = new QTreeWidget(this);
  inspector_->setObjectName("inspector");
  inspector_->setColumnCount(2);
  inspector_->setHeaderLabels({tx(t.fieldColumn), tx(t.valueColumn)});
  inspector_->header()->setStretchLastSection(true);
  auto* inspectorDock = new QDockWidget(tx(t.inspectorDock), this);
  inspectorDock->setObjectName("inspectorDock");
  inspectorDock->setWidget(inspector_);
  addDockWidget(Qt::RightDockWidgetArea, inspectorDock);
  resizeDocks({layerDock, inspectorDock}, {180, 520}, Qt::Vertical);
  resizeDocks({inspectorDock}, {300}, Qt::Horizontal);

  coordinateReadout_ = new QLabel(this);
  coordinateReadout_->setObjectName("coordinateReadout");
  stationReadout_ = new QLabel(this);
  stationReadout_->setObjectName("stationReadout");
  statusBar()->addPermanentWidget(stationReadout_);
  statusBar()->addPermanentWidget(coordinateReadout_);
  connect(view_, &DrawingView::cursorMoved, this, &MainWindow::showReadout);
  connect(view_, &DrawingView::picked, this, &MainWindow::showPicked);

  buildMenus();
  view_->setSources(drawing_.get(), &ovcivil::civilApplication().activeDocument());
  resize(1200, 760);
  refresh();
}

void MainWindow::buildMenus() {
  const StudioTexts& t = studioTexts();
  QMenu* file = menuBar()->addMenu(tx(t.fileMenu));
  file->setObjectName("fileMenu");
  file->addAction(tx(t.importSima), this,
                  [this] {
                    if (!runCommand("Kestrel"))
                      statusBar()->showMessage(tx(studioTexts().unknownCommand).arg("Kestrel"),
                                               5000);
                  })
      ->setObjectName("importSimaAction");
  file->addSeparator();
  file->addAction(tx(t.newDrawing), this, &MainWindow::newDrawing);
  file->addAction(tx(t.openDxf), this,
                  [this] {
                    const QString path = chooseFile(studioTexts().openDxfTitle,
                                                    studioTexts().dxfFilter, "dxf", false);
                    if (!path.isEmpty()) openDrawing(path);
                  })
      ->setObjectName("openDxfAction");
  file->addAction(tx(t.saveDxf), this, [this] {
    const QString path =
        chooseFile(studioTexts().saveDxfTitle, studioTexts().dxfFilter, "dxf", true);
    if (!path.isEmpty()) saveDrawing(path);
  });
  file->addSeparator();
  file->addAction(tx(t.openLandXml), this, [this] {
    const QString path =
        chooseFile(studioTexts().openLandXmlTitle, studioTexts().landXmlFilter, "xml", false);
    if (!path.isEmpty()) openLandXml(path);
  });
  file->addAction(tx(t.saveLandXml), this, [this] {
    const QString path =
        chooseFile(studioTexts().saveLandXmlTitle, studioTexts().landXmlFilter, "xml", true);
    if (!path.isEmpty()) saveLandXml(path);
  });
  file->addSeparator();
  recentMenu_ = file->addMenu(tx(t.recentFiles));
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
  file->addSeparator();
  file->addAction(tx(t.quit), this, &QWidget::close);

  commandMenu_ = menuBar()->addMenu(tx(t.commandsMenu));
  commandMenu_->setObjectName("commandsMenu");

  QMenu* viewMenu = menuBar()->addMenu(tx(t.viewMenu));
  viewMenu->addAction(tx(t.zoomExtents), this, [this] { view_->zoomExtents(); });
  viewMenu->addSeparator();
  int toggles = 0;
  auto addLabelToggle = [&](const char* text, const char* name, bool LabelOptions::*part) {
    QAction* action = labelActions_[toggles++] = viewMenu->addAction(tx(text));
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(view_->labels().*part);
    connect(action, &QAction::toggled, this, [this, part](bool on) {
      LabelOptions labels = view_->labels();
      labels.*part = on;
      view_->setLabels(labels);
    });
  };
  addLabelToggle(t.pointLabels, "labelsAction", &LabelOptions::names);
  addLabelToggle(t.labelNumbers, "labelNumbersAction", &LabelOptions::numbers);
  addLabelToggle(t.labelElevations, "labelElevationsAction", &LabelOptions::elevations);
  viewMenu->addSeparator();
  for (QDockWidget* dock : findChildren<QDockWidget*>())
    viewMenu->addAction(dock->toggleViewAction());

  QMenu* help = menuBar()->addMenu(tx(t.helpMenu));
  help->setObjectName("helpMenu");
  help->addAction(tx(t.about), this,
                  [this] {
                    const StudioTexts& texts = studioTexts();
                    QMessageBox::about(this, tx(texts.about).remove('&'),
                                       tx(texts.aboutText).arg(KESTREL_VERSION, qVersion()));
                  })
      ->setObjectName("aboutAction");
  help->addAction(tx(t.aboutQt), qApp, &QApplication::aboutQt);
}

void MainWindow::setLabels(LabelOptions labels) {
  labelActions_[0]->setChecked(labels.names);
  labelActions_[1]->setChecked(labels.numbers);
  labelActions_[2]->setChecked(labels.elevations);
}

void MainWindow::listCommands() {
  const StudioTexts& t = studioTexts();
  commandMenu_->clear();
  if (auto* stack = commandStack())
    for (const auto& command : stack->commands()) {
      const QString name = qs(command.globalName);
      const char* purpose = commandPurpose(name, t);
      const QString text = purpose == nullptr ? name : tx(t.commandEntry).arg(tx(purpose), name);
      commandMenu_->addAction(text, this, [this, name] { runCommand(name); });
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

bool MainWindow::importFile(const QString& path) {
  const ImportFileHandOver handOver(QFileInfo(path).absoluteFilePath());
  remember(path);
  return runCommand("Kestrel");
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
  remember(path);
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
  remember(path);
  return true;
}

bool MainWindow::saveLandXml(const QString& path) {
  auto& civil = ovcivil::civilApplication().activeDocument();
  const kestrel::io::Result result = ovcivil::saveLandXml(civil, path.toStdString());
  if (result) return true;
  QMessageBox::warning(this, windowTitle(), qs(result.message()));
  return false;
}

bool MainWindow::openAny(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == "sim") return importFile(path);
  if (suffix == "dxf") return openDrawing(path);
  if (suffix == "xml") return openLandXml(path);
  statusBar()->showMessage(tx(studioTexts().cannotOpen).arg(path), 5000);
  return false;
}

void MainWindow::refresh() {
  const QSignalBlocker block(layers_);
  layers_->clear();
  const auto& layers = drawing_->layers();
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const QString name = qs(layers[i].name);
    auto* item = new QListWidgetItem(swatch(layerColour(name, i)), name, layers_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(view_->layerVisible(name) ? Qt::Checked : Qt::Unchecked);
  }
  // The civil document may have been replaced (a LandXML file opened by a command).
  view_->setSources(drawing_.get(), &ovcivil::civilApplication().activeDocument());
  inspector_->clear();
}

void MainWindow::layerChanged(QListWidgetItem* item) {
  view_->setLayerVisible(item->text(), item->checkState() == Qt::Checked);
}

void MainWindow::showReadout(QPointF world) {
  const StudioTexts& t = studioTexts();
  // Survey convention: X is the northing, Y the easting.
  coordinateReadout_->setText(
      tx(t.coordinates)
          .arg(QString::number(world.y(), 'f', 3), QString::number(world.x(), 'f', 3)));
  const double reach = std::max(kReadoutReachMetres, kReadoutReachPixels / view_->scale());
  const ovcivil::Alignment* nearest = nullptr;
  double station = 0.0, offset = INFINITY;
  for (const auto& site : ovcivil::civilApplication().activeDocument().sites())
    for (const auto& alignment : site.alignments) {
      double s = 0.0, o = 0.0;
      if (alignment.stationAndOffsetOf({world.x(), world.y()}, s, o) != ovcivil::kOk) continue;
      if (std::abs(o) <= reach && std::abs(o) < std::abs(offset)) {
        nearest = &alignment;
        station = s;
        offset = o;
      }
    }
  if (nearest == nullptr) {
    stationReadout_->clear();
    return;
  }
  // Rounded first, so that a point on the line reads +0.000 rather than -0.000.
  const double shownOffset = std::round(offset * 1000.0) / 1000.0 + 0.0;
  stationReadout_->setText(tx(t.stationReadout)
                               .arg(qs(nearest->name), QString::number(station, 'f', 3),
                                    QString::asprintf("%+.3f", shownOffset)));
}

void MainWindow::showPicked(const Shape* shape) {
  showInInspector(*inspector_, shape, drawing_.get());
}

void MainWindow::remember(const QString& path) {
  QSettings settings;
  QStringList recent = settings.value(kRecentKey).toStringList();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentFiles) recent.removeLast();
  settings.setValue(kRecentKey, recent);
}

void MainWindow::fillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = QSettings().value(kRecentKey).toStringList();
  if (recent.isEmpty()) recentMenu_->addAction(tx(studioTexts().noRecentFiles))->setEnabled(false);
  for (const QString& path : recent)
    recentMenu_->addAction(QFileInfo(path).fileName(), this, [this, path] { openAny(path); })
        ->setToolTip(path);
}

QString MainWindow::chooseFile(const char* title, const char* filter, const QString& suffix,
                               bool save) {
  QFileDialog chooser(this, tx(title));
  chooser.setObjectName("fileDialog");
  chooser.setNameFilter(tx(filter));
  chooser.setDefaultSuffix(suffix);
  chooser.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  chooser.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The same dialog as the import module's, in the language of Qt's loaded translations.
  chooser.setOption(QFileDialog::DontUseNativeDialog, true);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {};
  return chooser.selectedFiles().front();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    const QString suffix = QFileInfo(url.toLocalFile()).suffix().toLower();
    if (url.isLocalFile() && (suffix == "sim" || suffix == "dxf" || suffix == "xml")) {
      event->acceptProposedAction();
      return;
    }
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  // Opened once the drop is over: an import shows modal dialogs, which must not run inside it.
  QTimer::singleShot(0, this, [this, paths] {
    for (const QString& path : paths) openAny(path);
  });
}

}  // namespace kestrel::studio
