// kestrel-studio's window with the module loaded: menus, layers, extents, the example project
// imported from the File menu with its readouts, picks and labels, drops, and Japanese dialogs.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <fstream>

#include "apps/kestrel-studio/drawing_view.h"
#include "apps/kestrel-studio/main_window.h"
#include "apps/kestrel-studio/studio_texts.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"
#include "tests/support/gauss_legendre.h"
#include "tests/support/text_rows.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/modal_robot.h"

namespace kestrel {
namespace {

using studio::MainWindow;
const auto qs = &QString::fromStdString;
const std::string kModule = KESTREL_BINARY_DIR "/lib/libkestrel_module_qt.so";

int pings = 0;

// The box of the view's pixels that differ from its background, and how many they are.
std::pair<QRect, int> drawn(studio::DrawingView& view) {
  const QImage image = view.grab().toImage();
  std::pair<QRect, int> box{};
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != image.pixel(0, 0)) {
        box.first |= QRect(x, y, 1, 1);
        ++box.second;
      }
  return box;
}

std::vector<double> numbersIn(const QString& text) {
  std::vector<double> values;
  auto found = QRegularExpression("[-+]?\\d+\\.\\d+").globalMatch(text);
  while (found.hasNext()) values.push_back(found.next().captured().toDouble());
  return values;
}

// The value beside a field of the inspector's tree, searched below `under` (the whole tree when
// null); empty when there is no such field.
QString inspected(QTreeWidget& tree, const QString& field, QTreeWidgetItem* under = nullptr) {
  for (QTreeWidgetItem* item : tree.findItems(field, Qt::MatchExactly | Qt::MatchRecursive, 0))
    for (QTreeWidgetItem* up = item; up != nullptr; up = up->parent())
      if (under == nullptr || up->parent() == under) return item->text(1);
  return {};
}

// Every test runs with the module loaded, as the studio does (its locale is then Japanese).
class Studio : public ::testing::Test {
 protected:
  static ovrx::DynamicLinker& linker() {
    return *dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  }
  static void SetUpTestSuite() {
    ovrx::initializeHost();
    const io::Result loaded = linker().loadModule(kModule);
    ASSERT_TRUE(loaded) << loaded.message();
    ovwin::windowing().mode = ovwin::DialogMode::Qt;
  }
  static void TearDownTestSuite() {
    ovwin::windowing().mode = ovwin::DialogMode::Scripted;
    linker().unloadModule(kModule);
  }
};

TEST_F(Studio, CommandsMenuSaysWhatEachCommandDoesAndTheCommandLineRunsThem) {
  auto& stack =
      *dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
  stack.addCommand("TESTGROUP", "Ping", "Ping", 1, [] { ++pings; });
  MainWindow window;
  window.listCommands();
  QStringList entries;
  for (QAction* action : window.findChild<QMenu*>("commandsMenu")->actions())
    entries << action->text();
  for (const char* entry : {"SIMAファイルを読み込む (Kestrel)", "何もしない (Kestrels)",
                            "何もしない (Kestrel2)", "Ping"})
    EXPECT_TRUE(entries.contains(QString::fromUtf8(entry))) << entries.join('|').toStdString();
  pings = 0;
  for (const char* typed : {"ping", "nosuch"}) {
    QTest::keyClicks(window.commandLine(), typed);
    QTest::keyClick(window.commandLine(), Qt::Key_Return);
    EXPECT_TRUE(window.commandLine()->text().isEmpty());
  }
  EXPECT_EQ(pings, 1) << "command names are not case-sensitive";
  EXPECT_TRUE(window.statusBar()->currentMessage().contains("nosuch"));
  stack.removeCommand("TESTGROUP", "Ping");
}

TEST_F(Studio, LayerPanelListsEveryLayerInItsOwnColourAndHidingHidesItsEntities) {
  MainWindow window;
  OvDbDatabase& drawing = window.drawing();
  for (int i = 1; i < 8; ++i) drawing.addLayer("layer " + std::to_string(i));
  drawing.addLayer("画地");
  auto lot = std::make_unique<OvDbPolyline>();
  lot->vertices = {{100, 200}, {300, 200}, {300, 250}, {100, 250}};
  lot->closed = true;
  ASSERT_TRUE(drawing.openEntity(drawing.appendEntity(std::move(lot)))->setLayer("画地"));
  window.refresh();
  window.show();
  window.view()->zoomExtents();

  auto* layers = window.findChild<QListWidget*>("layerList");
  ASSERT_EQ(layers->count(), static_cast<int>(drawing.layers().size()));
  std::vector<int> hues;
  for (int i = 0; i < layers->count(); ++i)
    if (layers->item(i)->text() != "0")
      hues.push_back(layers->item(i)->icon().pixmap(14, 14).toImage().pixelColor(7, 7).hsvHue());
  for (std::size_t a = 0; a < hues.size(); ++a)
    for (std::size_t b = a + 1; b < hues.size(); ++b)
      EXPECT_GE(std::min(std::abs(hues[a] - hues[b]), 360 - std::abs(hues[a] - hues[b])), 30)
          << "layers " << a << " and " << b;

  const int shown = drawn(*window.view()).second;
  EXPECT_GT(shown, 0);
  QListWidgetItem* lots = layers->findItems("画地", Qt::MatchExactly).value(0);
  ASSERT_NE(lots, nullptr);
  lots->setCheckState(Qt::Unchecked);
  EXPECT_EQ(drawn(*window.view()).second, 0);
  lots->setCheckState(Qt::Checked);
  EXPECT_EQ(drawn(*window.view()).second, shown);
}

// A long arc of large radius, a clothoid that turns past a right angle, and points: the view
// fits their true extents, computed here from the circle and by integrating the clothoid.
TEST_F(Studio, ZoomExtentsFitsArcsByTheirSweepAndSpiralsByTheirPoints) {
  MainWindow window;
  OvDbDatabase& drawing = window.drawing();
  const double radius = 3000.0, pi = std::acos(-1.0);
  auto arc = std::make_unique<OvDbArc>();
  arc->center = {500.0, 150.0 - radius, 0.0};  // its top, 150 m north, is its middle
  arc->radius = radius;
  arc->startAngle = 80.0 * pi / 180.0;
  arc->endAngle = 100.0 * pi / 180.0;
  drawing.appendEntity(std::move(arc));
  for (const QPointF p : {QPointF(-100, -40), QPointF(300, 80)})
    drawing.appendEntity(std::make_unique<OvDbPoint>(OvGePoint3d{p.x(), p.y(), 0.0}));
  auto document = std::make_unique<ovcivil::CivilDocument>();
  ovcivil::Alignment& road = document->addAlignment(document->addSite("site"), "road");
  ovcivil::AlignmentEntity* made = nullptr;
  ASSERT_EQ(document->addFixedLine(road, {1100, 0}, {1200, 0}, made), ovcivil::kOk);
  const double a = 100.0, length = 200.0;  // turns by L²/2A² = 2 rad
  ASSERT_EQ(document->addFixedSpiral(road, made->objectId, {1200, 0}, {1300, 0}, INFINITY,
                                     a * a / length, length, true, 1, made),
            ovcivil::kOk);
  ovcivil::civilApplication().setActiveDocument(std::move(document));
  window.refresh();
  window.view()->setLabels({false, false, false});
  window.show();

  // Heading t²/2A² from the east: farthest east where it turns north (t = A√π), ends below 150 m.
  const auto heading = [a](double t) { return t * t / (2 * a * a); };
  const double maxX = testing::integrateHeading(heading, a * std::sqrt(pi), 16, 8).first;
  ASSERT_LT(testing::integrateHeading(heading, length, 16, 8).second, 150.0);
  const QRectF expected(QPointF(-100, -40), QPointF(1200 + maxX, 150.0));

  studio::DrawingView& view = *window.view();
  view.zoomExtents();
  const QRectF onScreen(view.toScreen(expected.bottomLeft()), view.toScreen(expected.topRight()));
  EXPECT_NEAR(onScreen.center().x(), view.width() / 2.0, 1.0);
  EXPECT_NEAR(onScreen.center().y(), view.height() / 2.0, 1.0);
  EXPECT_NEAR(std::max(onScreen.width() / view.width(), onScreen.height() / view.height()), 0.9,
              2.0 / view.width());
  // What is drawn reaches those edges, give or take a point marker and antialiasing.
  const QRect box = drawn(view).first;
  for (const auto& [got, wanted] : {std::pair{box.left(), onScreen.left()},
                                    {box.right(), onScreen.right()},
                                    {box.top(), onScreen.top()},
                                    {box.bottom(), onScreen.bottom()}})
    EXPECT_NEAR(got, wanted, 6);
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
}

// The example project imported from File → Import SIMA: readouts at the known points of its
// alignment (station and offset computed by the project's generator), a point's record, the
// alignment's elements, labels, and files dropped on the window.
TEST_F(Studio, ExampleProjectFromTheImportMenuReadsOutPicksAndLabels) {
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  testing::TempDir temp;
  const std::string sample =
      temp.write("road.sim", testing::readBytes(KESTREL_SOURCE_DIR "/examples/road-project.sim"));
  MainWindow window;
  window.listCommands();
  window.show();
  testing::ModalRobot robot;
  robot
      .thenNamed("kestrel::qtui::ImportDialog",
                 [&](QWidget* dialog) {
                   QMetaObject::invokeMethod(dialog, "takeChosenFile",
                                             Q_ARG(QString, QString::fromStdString(sample)));
                   QTest::mouseClick(dialog->findChild<QPushButton*>("importButton"),
                                     Qt::LeftButton);
                 })
      .thenNamed("kestrel::qtui::ResultDialog", [&](QWidget* dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
      });
  window.findChild<QAction*>("importSimaAction")->trigger();
  ASSERT_EQ(robot.pending(), 0u) << robot.pendingNames();
  ASSERT_GT(window.drawing().entityCount(), 0u);

  studio::DrawingView& view = *window.view();
  auto* station = window.findChild<QLabel*>("stationReadout");
  auto* coordinates = window.findChild<QLabel*>("coordinateReadout");
  std::ifstream table(KESTREL_SOURCE_DIR "/examples/road-project.readout.csv");
  std::string line;
  std::getline(table, line);  // name,X,Y,alignment,station,offset
  int rows = 0;
  for (; std::getline(table, line); ++rows) {
    const QStringList field = QString::fromStdString(line).split(',');
    ASSERT_EQ(field.size(), 6) << line;
    const QPointF point(field[2].toDouble(), field[1].toDouble());  // east, north
    view.setView(point, 4.0);
    QMouseEvent move(QEvent::MouseMove, view.toScreen(point),
                     view.mapToGlobal(view.toScreen(point)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    // X, Y to the millimetre; station and offset within the readout's rounding.
    const QString shown = coordinates->text() + " | " + station->text();
    const std::vector<double> got = numbersIn(shown);
    ASSERT_EQ(got.size(), 4u) << shown.toStdString();
    for (std::size_t i = 0; i < 4; ++i)
      EXPECT_NEAR(got[i], field[int(i + 1 + i / 2)].toDouble(), i < 2 ? 0.0005 : 0.0015) << line;
    EXPECT_TRUE(station->text().startsWith(field[3])) << shown.toStdString();
  }
  EXPECT_GE(rows, 10);

  // Picking the first stake shows its record as the file gave it ("A01,1,BP,...").
  const QPointF bp(-31748.920, 48213.405);
  view.setView(bp, 4.0);
  QTest::mouseClick(&view, Qt::LeftButton, {}, view.toScreen(bp).toPoint());
  QTreeWidget& inspector = *window.inspector();
  const auto picks = testing::textRows("ui/qt/cases/road_project_picks.txt");
  for (const auto& row : picks)
    if (row[0] == "record") {
      EXPECT_EQ(inspected(inspector, qs(row[1])), qs(row[2])) << row.where;
    }

  // Picking the centre line between stakes shows the alignment element by element as designed.
  const ovcivil::Alignment& centre =
      ovcivil::civilApplication().activeDocument().sites().front().alignments.front();
  ovcivil::PlanPoint onCurve;
  ASSERT_EQ(centre.pointAtStation(1410.0, 0.0, onCurve), ovcivil::kOk);
  view.setView(QPointF(onCurve.x, onCurve.y), 4.0);
  view.pickAt(view.toScreen(QPointF(onCurve.x, onCurve.y)));
  EXPECT_EQ(inspected(inspector, "名前"), "本線");
  QTreeWidgetItem* elements = inspector.findItems("要素", Qt::MatchExactly | Qt::MatchRecursive)[0];
  int element = 0;
  for (const auto& row : picks) {
    if (row[0] != "element") continue;
    QTreeWidgetItem* shown = elements->child(element++);
    ASSERT_NE(shown, nullptr) << row.where;
    EXPECT_EQ(shown->text(1) + "|" + inspected(inspector, "R", shown) + "|" +
                  inspected(inspector, "A", shown),
              qs(row[1] + "|" + row[2] + "|" + row[3]))
        << row.where;
    if (row.size() > 4) {
      EXPECT_EQ(inspected(inspector, "始点追加距離", shown), qs(row[4]));
    }
  }
  EXPECT_EQ(elements->childCount(), element);

  // Labels show names beside the points and go when switched off.
  auto* labels = window.findChild<QAction*>("labelsAction");
  ASSERT_TRUE(labels->isChecked());
  const int labelled = drawn(view).second;
  labels->setChecked(false);
  EXPECT_LT(drawn(view).second, labelled);
  labels->setChecked(true);
  EXPECT_EQ(drawn(view).second, labelled);

  // Files dropped on the window: a drawing opens, a SIMA file comes up in the import dialog.
  const QString saved = QString::fromStdString((temp.path() / "road.dxf").string());
  ASSERT_TRUE(window.saveDrawing(saved));
  const std::size_t imported = window.drawing().entityCount();
  window.newDrawing();
  QString offered;
  testing::ModalRobot dropped;
  dropped.thenNamed("kestrel::qtui::ImportDialog", [&](QWidget* dialog) {
    offered = dialog->findChild<QLineEdit*>("pathEdit")->text();
    QTest::mouseClick(dialog->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
  });
  for (const auto& [file, accepted] :
       {std::pair{saved, true},
        {QString::fromStdString(sample), true},
        {QString::fromStdString(temp.write("notes.txt", "")), false}}) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_EQ(enter.isAccepted(), accepted) << file.toStdString();
    if (!accepted) continue;
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
  }
  for (int i = 0; i < 500 && (offered.isEmpty() || QApplication::activeModalWidget()); ++i)
    QTest::qWait(10);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(window.drawing().entityCount(), imported);
  EXPECT_EQ(offered.toStdString(), sample) << dropped.pendingNames();
}

TEST_F(Studio, FileDialogsAreJapaneseWithQtsOwnTranslations) {
  ASSERT_TRUE(studio::loadQtTranslations()) << "apt-get install qt6-translations-l10n";
  MainWindow window;
  window.show();
  QString title;
  QStringList texts;
  testing::ModalRobot robot;
  robot.then<QFileDialog>([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    for (auto* button : dialog->findChildren<QPushButton*>()) texts << button->text();
    for (auto* label : dialog->findChildren<QLabel*>()) texts << label->text();
    dialog->reject();
  });
  window.findChild<QAction*>("openDxfAction")->trigger();
  EXPECT_EQ(title.toStdString(), "DXFファイルを開く");
  // Qt's own words in the dialog, from its translations.
  EXPECT_TRUE(texts.contains("キャンセル")) << texts.join('|').toStdString();
  EXPECT_TRUE(texts.contains("ファイルの種類:")) << texts.join('|').toStdString();
}

}  // namespace
}  // namespace kestrel
