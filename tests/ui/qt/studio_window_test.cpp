// kestrel-studio's window: command menu and line, layer visibility, zoom, files, and a whole
// import through the loaded module's Qt dialogs.
#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "apps/kestrel-studio/drawing_view.h"
#include "apps/kestrel-studio/main_window.h"
#include "platform/drawing/drawing_database.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/modal_robot.h"

namespace kestrel {
namespace {

using studio::MainWindow;

ovrx::CommandStack& stack() {
  ovrx::initializeHost();
  return *dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
}

int pings = 0;
void ping() {
  ++pings;
}

// Pixels of the view that differ from its background.
int drawnPixels(studio::DrawingView& view) {
  const QImage image = view.grab().toImage();
  const QRgb background = image.pixel(0, 0);
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != background ? 1 : 0;
  return count;
}

TEST(StudioWindow, CommandsMenuListsRegisteredCommandsAndTheCommandLineRunsThem) {
  stack().addCommand("TESTGROUP", "Ping", "Ping", 1, &ping);
  MainWindow window;
  window.listCommands();
  QMenu* commands = nullptr;
  for (QAction* action : window.menuBar()->actions())
    if (action->text().remove('&') == "Commands") commands = action->menu();
  ASSERT_NE(commands, nullptr);
  QStringList names;
  for (QAction* action : commands->actions()) names << action->text();
  EXPECT_TRUE(names.contains("Ping")) << names.join(',').toStdString();

  pings = 0;
  QTest::keyClicks(window.commandLine(), "ping");
  QTest::keyClick(window.commandLine(), Qt::Key_Return);
  EXPECT_EQ(pings, 1) << "command names are not case-sensitive";
  EXPECT_TRUE(window.commandLine()->text().isEmpty());
  QTest::keyClicks(window.commandLine(), "nosuch");
  QTest::keyClick(window.commandLine(), Qt::Key_Return);
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("nosuch"));
  EXPECT_EQ(pings, 1);
  stack().removeCommand("TESTGROUP", "Ping");
}

TEST(StudioWindow, HidingALayerHidesItsEntitiesAndZoomExtentsFitsThem) {
  MainWindow window;
  OvDbDatabase& drawing = window.drawing();
  EXPECT_EQ(&ovWorkingDatabase(), &drawing);
  drawing.addLayer("画地");
  auto lot = std::make_unique<OvDbPolyline>();
  lot->vertices = {{100, 200}, {300, 200}, {300, 250}, {100, 250}};
  lot->closed = true;
  const OvDbObjectId id = drawing.appendEntity(std::move(lot));
  ASSERT_TRUE(drawing.openEntity(id)->setLayer("画地"));
  window.refresh();
  window.show();
  window.view()->resize(400, 300);
  window.view()->zoomExtents();
  // 200 × 50 units into 400 × 300 pixels, with a margin of a tenth.
  EXPECT_DOUBLE_EQ(window.view()->scale(), 0.9 * std::min(400.0 / 200.0, 300.0 / 50.0));

  const int shown = drawnPixels(*window.view());
  EXPECT_GT(shown, 0);
  auto* layers = window.findChild<QListWidget*>("layerList");
  ASSERT_NE(layers, nullptr);
  const auto found = layers->findItems("画地", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  found.front()->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(window.view()->layerVisible("画地"));
  EXPECT_EQ(drawnPixels(*window.view()), 0);
  found.front()->setCheckState(Qt::Checked);
  EXPECT_EQ(drawnPixels(*window.view()), shown);

  // The wheel zooms in about the cursor.
  const double before = window.view()->scale();
  QWheelEvent wheel(QPointF(200, 150), window.view()->mapToGlobal(QPointF(200, 150)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(window.view(), &wheel);
  EXPECT_GT(window.view()->scale(), before);
}

TEST(StudioWindow, ImportsThroughTheModuleDialogsAndSavesTheDrawing) {
  testing::TempDir temp;
  std::ifstream in(KESTREL_SOURCE_DIR "/examples/road.sim", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string sample = temp.write("road.sim", bytes.str());

  ovrx::initializeHost();
  auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  const std::string module = KESTREL_BINARY_DIR "/lib/libkestrel_module.so";
  const kestrel::io::Result loaded = linker->loadModule(module);
  ASSERT_TRUE(loaded) << loaded.message();
  ovwin::windowing().mode = ovwin::DialogMode::Qt;

  MainWindow window;
  OvDbDatabase& drawing = window.drawing();
  window.listCommands();
  window.show();
  std::vector<std::string> results;
  testing::ModalRobot robot;
  robot
      .thenNamed("kestrel::qtui::ImportDialog",
                 [&](QWidget* dialog) {
                   QMetaObject::invokeMethod(dialog, "takeChosenFile",
                                             Q_ARG(QString, QString::fromStdString(sample)));
                   // Points and lots: no alignment choice.
                   auto* tree = dialog->findChild<QTreeWidget*>("seriesTree");
                   QTreeWidgetItem* root = tree->topLevelItem(0);
                   for (int i = 2; i < root->childCount(); ++i)
                     root->child(i)->setCheckState(0, Qt::Unchecked);
                   QTest::mouseClick(dialog->findChild<QPushButton*>("importButton"),
                                     Qt::LeftButton);
                 })
      .thenNamed("kestrel::qtui::ResultDialog", [&](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>("resultList");
        for (int i = 0; i < list->count(); ++i)
          results.push_back(list->item(i)->text().toStdString());
        QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
      });
  QTest::keyClicks(window.commandLine(), "Kestrel");
  QTest::keyClick(window.commandLine(), Qt::Key_Return);
  EXPECT_EQ(robot.pending(), 0u) << robot.pendingNames();

  int points = 0;
  for (std::size_t i = 0; i < drawing.entityCount(); ++i)
    points += drawing.entityAt(i).kind() == OvDbEntityKind::Point ? 1 : 0;
  EXPECT_GT(points, 0);
  ASSERT_GE(results.size(), 2u);
  EXPECT_EQ(results[1], "座標データから" + std::to_string(points) + "個のポイントを作成");
  EXPECT_GT(drawnPixels(*window.view()), 0);

  const QString saved = QString::fromStdString((temp.path() / "road.dxf").string());
  ASSERT_TRUE(window.saveDrawing(saved));
  const std::size_t imported = drawing.entityCount();
  window.newDrawing();
  EXPECT_EQ(window.drawing().entityCount(), 0u);
  EXPECT_EQ(&ovWorkingDatabase(), &window.drawing());
  ASSERT_TRUE(window.openDrawing(saved));
  EXPECT_EQ(window.drawing().entityCount(), imported);
  EXPECT_EQ(&ovWorkingDatabase(), &window.drawing());

  // A file that is not a drawing is refused with a message; the drawing stays.
  const std::string broken = temp.write("broken.dxf", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\nx\n");
  std::string refusal;
  testing::ModalRobot refusing;
  refusing.thenNamed("QMessageBox", [&](QWidget* box) {
    refusal = box->windowTitle().toStdString();
    box->close();
  });
  EXPECT_FALSE(window.openDrawing(QString::fromStdString(broken)));
  EXPECT_EQ(refusing.pending(), 0u);
  EXPECT_EQ(window.drawing().entityCount(), imported);

  ovwin::windowing().mode = ovwin::DialogMode::Scripted;
  linker->unloadModule(module);
}

}  // namespace
}  // namespace kestrel
