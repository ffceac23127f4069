// The Qt views on the real widgets: tree, checks, browse, settings, alignment choice, results,
// progress window and its kept position.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "command/read_file.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/modal_robot.h"
#include "ui/kestrel_form.h"
#include "ui/kestrel_settings_form.h"
#include "ui/progress_wnd.h"
#include "ui/qt/alignment_dialog.h"
#include "ui/qt/hscroll_list_widget.h"
#include "ui/qt/import_dialog.h"
#include "ui/qt/progress_window.h"
#include "ui/qt/qt_dialog_views.h"
#include "ui/qt/result_dialog.h"
#include "ui/qt/settings_dialog.h"
#include "ui/qt/ui_texts.h"
#include "ui/select_alignment_form.h"
#include "ui/sima_result_form.h"

namespace kestrel {
namespace {

using qtui::qs;
using qtui::utf8;
using testing::ModalRobot;

const std::string kSample = KESTREL_SOURCE_DIR "/examples/road.sim";

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Counts per tree entry read straight from the file's lines, without the import's reader:
// A the A01 lines with an elevation, D the lots whose vertices all name points of the file, H the
// H01 and I the I01 lines, route types the F00 lines by their fifth field.
std::array<int, kSeriesCount> countedByLines(const std::string& path) {
  std::array<int, kSeriesCount> counts{};
  std::set<std::string> pointNumbers;
  bool lotResolves = false;
  std::istringstream in(fileBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, ',');) fields.push_back(field);
    if (fields.empty()) continue;
    if (fields[0] == "A01" && fields.size() > 1) pointNumbers.insert(fields[1]);
    if (fields[0] == "A01" && fields.size() > 5 && !fields[5].empty()) ++counts[kSeriesA];
    // A lot counts when every vertex names a point of the file.
    if (fields[0] == "D00") lotResolves = true;
    if (fields[0] == "B01" && fields.size() > 1 && !pointNumbers.count(fields[1]))
      lotResolves = false;
    if (fields[0] == "D99" && lotResolves) ++counts[kSeriesD];
    if (fields[0] == "H01") ++counts[kSeriesH];
    if (fields[0] == "I01") ++counts[kSeriesI];
    if (fields[0] == "F00" && fields.size() > 4) {
      const int type = std::stoi(fields[4]);
      if (type >= 1 && type <= 7) ++counts[routeTypeEntry(type)];
    }
  }
  return counts;
}

class QtDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    ovwin::setThreadLocale(0x411);
    ovwin::windowing().beginRun();
    views = qtui::makeQtDialogViews(ovwin::windowing(), conversation);
  }

  KestrelForm openForm(const std::string& path) {
    ImportSettings stored;
    stored.filePath = path;
    stored.layers[2] = "gone";  // a layer the drawing no longer has
    auto preScan = [](ImportRun& run, const std::string& file) {
      return preScanFile(run, file, io::EncodingChoice::Auto);
    };
    return KestrelForm(stored, {"サイト", "北工区"}, {"0", "点", "画地"}, preScan, *views,
                       sima::Language::Japanese);
  }

  static QTreeWidgetItem* child(qtui::ImportDialog& dialog, int index) {
    return dialog.tree()->topLevelItem(0)->child(index);
  }

  testing::TempDir temp;
  module::Conversation conversation;
  std::unique_ptr<DialogViews> views;
};

TEST_F(QtDialogs, TreeShowsRootLabelAndCountsOfTheFileInTreeOrder) {
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog dialog(form);
  EXPECT_EQ(utf8(dialog.windowTitle()), "SIMAファイル読み込み");
  EXPECT_EQ(utf8(dialog.tree()->headerItem()->text(0)), "Name");
  ASSERT_EQ(dialog.tree()->topLevelItemCount(), 1);
  EXPECT_EQ(utf8(dialog.tree()->topLevelItem(0)->text(0)), "全て ");

  const auto counts = countedByLines(kSample);
  const int order[kSeriesCount] = {kSeriesA,      kSeriesD,      kSeriesF1,     kSeriesF1 + 1,
                                   kSeriesF1 + 2, kSeriesF1 + 3, kSeriesF1 + 4, kSeriesF1 + 5,
                                   kSeriesF1 + 6, kSeriesH,      kSeriesI};
  const int labels[kSeriesCount] = {140, 142, 145, 146, 147, 148, 149, 150, 151, 143, 144};
  ASSERT_EQ(dialog.tree()->topLevelItem(0)->childCount(), kSeriesCount);
  for (int i = 0; i < kSeriesCount; ++i) {
    const int count = counts[static_cast<std::size_t>(order[i])];
    ASSERT_GT(count, 0) << "the sample holds every kind";
    const std::string expected = std::string(sima::message(labels[i], sima::Language::Japanese)) +
                                 " [" + std::to_string(count) + "]";
    EXPECT_EQ(utf8(child(dialog, i)->text(0)), expected) << i;
    EXPECT_EQ(child(dialog, i)->checkState(0), Qt::Checked) << i;
    EXPECT_TRUE(child(dialog, i)->flags() & Qt::ItemIsUserCheckable) << i;
  }
  EXPECT_TRUE(dialog.importButton()->isEnabled());
  EXPECT_EQ(utf8(dialog.pathEdit()->text()), kSample);
  EXPECT_TRUE(dialog.pathEdit()->isReadOnly());
}

TEST_F(QtDialogs, UntickingEveryKindDisablesImportAndRetickingOneEnablesIt) {
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog dialog(form);
  QTreeWidgetItem* root = dialog.tree()->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) {
    EXPECT_TRUE(dialog.importButton()->isEnabled())
        << "still " << root->childCount() - i << " ticked";
    root->child(i)->setCheckState(0, Qt::Unchecked);
  }
  EXPECT_FALSE(dialog.importButton()->isEnabled());
  EXPECT_EQ(root->checkState(0), Qt::Unchecked);

  root->child(1)->setCheckState(0, Qt::Checked);  // lots
  EXPECT_TRUE(dialog.importButton()->isEnabled());
  form.pressImport();
  EXPECT_TRUE(form.settings().selection.isSelected(kSeriesD));
  EXPECT_FALSE(form.settings().selection.isSelected(kSeriesA));

  root->setCheckState(0, Qt::Checked);  // the root ticks every kind
  for (int i = 0; i < root->childCount(); ++i)
    EXPECT_EQ(root->child(i)->checkState(0), Qt::Checked);
}

TEST_F(QtDialogs, KindsTheFileLacksAreLockedAndStayUnticked) {
  const std::string path = temp.write("points.sim", "A00,\nA01,1,P1,10.0,20.0,3.0,\nA99,\n");
  KestrelForm form = openForm(path);
  qtui::ImportDialog dialog(form);
  QTreeWidgetItem* root = dialog.tree()->topLevelItem(0);
  EXPECT_EQ(utf8(root->child(0)->text(0)),
            std::string(sima::message(140, sima::Language::Japanese)) + " [1]");
  for (int i = 1; i < root->childCount(); ++i) {
    EXPECT_FALSE(root->child(i)->flags() & Qt::ItemIsEnabled) << i;
    EXPECT_EQ(root->child(i)->checkState(0), Qt::Unchecked) << i;
    root->child(i)->setCheckState(0, Qt::Checked);  // the form refuses: the view shows it again
    EXPECT_EQ(root->child(i)->checkState(0), Qt::Unchecked) << i;
  }
}

TEST_F(QtDialogs, BrowseRefusesSimaWithTheMessageAndAcceptsUpperCaseSim) {
  const std::string bytes = fileBytes(kSample);
  const std::string refused = temp.write("road.sima", bytes);
  const std::string upper = temp.write("ROAD.SIM", bytes);
  KestrelForm form = openForm("");
  qtui::ImportDialog dialog(form);
  EXPECT_FALSE(dialog.importButton()->isEnabled());

  std::string boxText, boxTitle;
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  QString fileDialogTitle;
  ModalRobot robot;
  robot
      .then<QFileDialog>([&](QFileDialog* chooser) {
        fileDialogTitle = chooser->windowTitle();
        chooser->reject();
      })
      .then<QMessageBox>([&](QMessageBox* box) {
        boxText = utf8(box->text());
        boxTitle = utf8(box->windowTitle());
        boxIcon = box->icon();
        box->accept();
      });
  QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
  // The file-open dialog lists only "*.sim": a ".sima" file is a name the user typed.
  dialog.takeChosenFile(qs(refused));
  EXPECT_EQ(robot.pending(), 0u) << robot.pendingNames();
  EXPECT_EQ(utf8(fileDialogTitle), "SIMAファイルを選択");
  EXPECT_EQ(boxText, "Please browse for Valid SIM File.");
  EXPECT_EQ(boxTitle, "Invalid SIM File!");
  EXPECT_EQ(boxIcon, QMessageBox::Warning);
  EXPECT_TRUE(dialog.pathEdit()->text().isEmpty());

  // A file whose name ends in upper-case ".SIM" is listed and taken.
  ModalRobot accepting;
  bool listed = false;
  accepting.then<QFileDialog>([&](QFileDialog* chooser) {
    listed = !(chooser->filter() & QDir::CaseSensitive) &&
             chooser->nameFilters() == QStringList{"(*.sim)"} && chooser->defaultSuffix() == "sim";
    chooser->reject();
  });
  QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
  EXPECT_EQ(accepting.pending(), 0u);
  EXPECT_TRUE(listed);
  dialog.takeChosenFile(qs(upper));
  EXPECT_EQ(utf8(dialog.pathEdit()->text()), upper);
  EXPECT_TRUE(dialog.importButton()->isEnabled());
  const auto counts = countedByLines(upper);
  EXPECT_EQ(utf8(child(dialog, 1)->text(0)),
            std::string(sima::message(142, sima::Language::Japanese)) + " [" +
                std::to_string(counts[kSeriesD]) + "]");
}

TEST_F(QtDialogs, SettingsRefuseLettersThenTakeLayersAndShiftDistance) {
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog dialog(form);
  std::vector<std::string> shownLayers;
  std::string shownShift, lotLayerShown, refusal, caption;
  ModalRobot robot;
  robot
      .then<qtui::SettingsDialog>([&](qtui::SettingsDialog* settings) {
        caption = utf8(settings->windowTitle());
        for (int i = 0; i < settings->layerList(0)->count(); ++i)
          shownLayers.push_back(utf8(settings->layerList(0)->itemText(i)));
        lotLayerShown = utf8(settings->layerList(2)->currentText());
        shownShift = utf8(settings->shiftEdit()->text());
        settings->shiftEdit()->clear();
        QTest::keyClicks(settings->shiftEdit(), "1.2.3");
        QTest::mouseClick(settings->acceptButton(), Qt::LeftButton);
      })
      .then<QMessageBox>([&](QMessageBox* box) {
        refusal = utf8(box->text());
        box->accept();
      })
      .then<qtui::SettingsDialog>([&](qtui::SettingsDialog* settings) {
        settings->layerList(2)->setCurrentIndex(2);
        settings->shiftEdit()->clear();
        QTest::keyClicks(settings->shiftEdit(), " 1.5 ");
        QTest::mouseClick(settings->acceptButton(), Qt::LeftButton);
      });
  QTest::mouseClick(dialog.settingsButton(), Qt::LeftButton);
  ASSERT_EQ(robot.pending(), 0u) << robot.pendingNames();
  EXPECT_EQ(caption, "SIMAファイル読み込み設定");
  EXPECT_EQ(shownLayers, (std::vector<std::string>{"0", "点", "画地"}));
  EXPECT_EQ(lotLayerShown, "0") << "a vanished layer selects the first";
  EXPECT_EQ(shownShift, "0.0001");
  EXPECT_EQ(refusal, "0より大きい値を指定してください。");
  EXPECT_DOUBLE_EQ(form.settings().shiftDistance, 1.5);
  EXPECT_EQ(form.settings().layers[2], "画地");
}

TEST_F(QtDialogs, AlignmentSelectionReturnsTheChosenIdAndEmptyMapDisablesSelect) {
  SelectAlignmentForm empty({});
  qtui::AlignmentDialog emptyDialog(empty);
  EXPECT_EQ(emptyDialog.alignmentList()->count(), 1);
  EXPECT_TRUE(emptyDialog.alignmentList()->itemText(0).isEmpty());
  EXPECT_FALSE(emptyDialog.selectButton()->isEnabled());

  SelectAlignmentForm form({{"本線", 7}, {"側道", 9}, {"A線", 3}});
  ModalRobot robot;
  std::vector<std::string> names;
  robot.then<qtui::AlignmentDialog>([&](qtui::AlignmentDialog* dialog) {
    EXPECT_EQ(utf8(dialog->windowTitle()), "平面線形選択");
    for (int i = 0; i < dialog->alignmentList()->count(); ++i)
      names.push_back(utf8(dialog->alignmentList()->itemText(i)));
    dialog->alignmentList()->setCurrentIndex(dialog->alignmentList()->findText(qs("側道")));
    QTest::mouseClick(dialog->selectButton(), Qt::LeftButton);
  });
  EXPECT_EQ(views->showAlignmentSelection(form), 0);
  // In the map's order, which is by name.
  EXPECT_EQ(names, (std::vector<std::string>{"A線", "側道", "本線"}));
  EXPECT_EQ(form.chosenId(), 9);
  EXPECT_EQ(form.chosenName(), "側道");

  SelectAlignmentForm cancelled({{"本線", 7}});
  ModalRobot closing;
  closing.then<qtui::AlignmentDialog>([](qtui::AlignmentDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(views->showAlignmentSelection(cancelled), -1);
}

TEST_F(QtDialogs, ResultListScrollsAsFarAsItsWidestLineAndLogOpensOnlyWithErrors) {
  SimaResultInputs inputs;
  inputs.errorCount = 2;
  inputs.drawnPoints = 4;
  inputs.alignmentNames = {std::string(60, 'W')};
  inputs.simaPath = (temp.path() / "run.sim").string();
  SimaResultForm form(inputs);
  ASSERT_TRUE(form.open());
  std::vector<std::string> opened;
  qtui::setLogOpener([&](const std::string& path) { opened.push_back(path); });
  qtui::ResultDialog dialog(form);
  dialog.resize(200, 200);
  dialog.show();
  QApplication::processEvents();

  auto* list = dialog.resultList();
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(utf8(list->item(0)->text()), "2個のエラー");
  EXPECT_EQ(utf8(list->item(1)->text()), "座標データから4個のポイントを作成");
  const QFontMetrics metrics(list->font());
  int widest = 0;
  for (int i = 0; i < list->count(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
  EXPECT_EQ(list->horizontalExtent(), widest + 3);
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);

  list->deleteString(2);  // the long line goes: the extent shrinks to the widest remaining line
  const int remaining = std::max(metrics.horizontalAdvance(list->item(0)->text()),
                                 metrics.horizontalAdvance(list->item(1)->text()));
  EXPECT_EQ(list->horizontalExtent(), remaining + 3);
  list->resetContent();
  EXPECT_EQ(list->horizontalExtent(), 0);

  ASSERT_TRUE(dialog.showLogButton()->isEnabled());
  QTest::mouseClick(dialog.showLogButton(), Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{(temp.path() / "run_Input.log").string()});

  SimaResultInputs clean;
  clean.drawnPoints = 1;
  clean.simaPath = inputs.simaPath;
  SimaResultForm cleanForm(clean);
  qtui::ResultDialog cleanDialog(cleanForm);
  EXPECT_FALSE(cleanDialog.showLogButton()->isEnabled());
  qtui::setLogOpener({});
}

struct PlacementCase {
  const char* name;
  int storedX, storedY;  // INT_MIN: nothing stored
  bool centred;
};

class ProgressPlacement : public QtDialogs, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(ProgressPlacement, KeptPositionIsRestoredWhenOnScreenElseCentred) {
  const PlacementCase& c = GetParam();
  QSettings profile;
  profile.remove("Settings");
  ovwin::windowing().profile.clear();
  if (c.storedX != INT_MIN) {
    profile.setValue("Settings/X", c.storedX);
    profile.setValue("Settings/Y", c.storedY);
  }
  profile.sync();
  auto& windowing = ovwin::windowing();
  CProgressWnd window(views->createProgressView(), windowing.profile, windowing.screenWidth,
                      windowing.screenHeight);
  window.create(false, "SIMAファイル読み込み中");
  auto& view = static_cast<qtui::QtProgressView&>(window.view());
  ASSERT_NE(view.window(), nullptr);
  const QPoint at = view.window()->pos();
  if (c.centred) {
    EXPECT_EQ(at.x(), (windowing.screenWidth - view.window()->width()) / 2);
    EXPECT_EQ(at.y(), (windowing.screenHeight - view.window()->height()) / 2);
  } else {
    EXPECT_EQ(at, QPoint(c.storedX, c.storedY));
  }
  view.window()->move(33, 44);
  window.destroy();
  QSettings kept;
  EXPECT_EQ(kept.value("Settings/X").toInt(), 33);
  EXPECT_EQ(kept.value("Settings/Y").toInt(), 44);
}

INSTANTIATE_TEST_SUITE_P(Positions, ProgressPlacement,
                         ::testing::Values(PlacementCase{"nothing_kept", INT_MIN, INT_MIN, true},
                                           PlacementCase{"on_screen", 10, 20, false},
                                           PlacementCase{"left_of_screen", -5000, 20, true},
                                           PlacementCase{"below_screen", 10, 100000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtDialogs, ProgressCaptionBarModalityAndCancelThatLetsTheImportGoOn) {
  QMainWindow host;
  host.show();
  auto& windowing = ovwin::windowing();
  CProgressWnd window(views->createProgressView(), windowing.profile, windowing.screenWidth,
                      windowing.screenHeight);
  window.create(true, "SIMAファイル読み込み中");
  window.goModal("SIMAファイル読み込み中");
  EXPECT_FALSE(host.isEnabled()) << "the main window is disabled while the progress shows";
  window.setRange(0, 400, 1);
  window.setText("SIMAファイル読み込み中...\n\n");
  window.setPosition(int64_t{100});
  auto& view = static_cast<qtui::QtProgressView&>(window.view());
  ASSERT_NE(view.window(), nullptr);
  EXPECT_TRUE(view.window()->isVisible());
  EXPECT_EQ(utf8(view.window()->windowTitle()), "SIMAファイル読み込み中 [25%]");
  EXPECT_EQ(view.window()->bar()->value(), view.window()->bar()->maximum() / 4);
  EXPECT_EQ(utf8(view.window()->cancelButton()->text()), " Cancel ");

  QTest::mouseClick(view.window()->cancelButton(), Qt::LeftButton);
  window.pumpMessages();
  EXPECT_TRUE(window.cancelled());
  EXPECT_EQ(view.window(), nullptr) << "the window is gone";
  EXPECT_TRUE(host.isEnabled());
  window.setPosition(int64_t{400});  // the import carries on without a window
  window.pumpMessages();
  EXPECT_EQ(window.lastPercent(), 100);
}

class DialogLanguage : public QtDialogs, public ::testing::WithParamInterface<uint32_t> {};

// Every dialog takes its caption and button texts from the set of the thread locale.
TEST_P(DialogLanguage, CaptionsAndButtonsFollowTheThreadLocale) {
  ovwin::setThreadLocale(GetParam());
  const qtui::UiTexts& expected =
      GetParam() == 0x411 ? qtui::japaneseTexts() : qtui::englishTexts();
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog importDialog(form);
  EXPECT_EQ(utf8(importDialog.windowTitle()), expected.importCaption);
  EXPECT_EQ(utf8(importDialog.importButton()->text()), expected.importButton);
  EXPECT_EQ(utf8(importDialog.browseButton()->text()), expected.browse);

  const std::string layers[kLayerCount] = {"0", "0", "0", "0", "0"};
  KestrelSettingsForm settingsForm({"0"}, layers, 0.0001);
  qtui::SettingsDialog settings(settingsForm);
  EXPECT_EQ(utf8(settings.windowTitle()), expected.settingsCaption);
  EXPECT_EQ(utf8(settings.acceptButton()->text()), expected.acceptButton);

  SelectAlignmentForm alignmentForm({{"本線", 1}});
  qtui::AlignmentDialog alignment(alignmentForm);
  EXPECT_EQ(utf8(alignment.windowTitle()), expected.alignmentCaption);
  EXPECT_EQ(utf8(alignment.selectButton()->text()), expected.selectButton);

  SimaResultInputs inputs;
  inputs.simaPath = (temp.path() / "x.sim").string();
  SimaResultForm resultForm(inputs);
  qtui::ResultDialog result(resultForm);
  EXPECT_EQ(utf8(result.windowTitle()), expected.resultCaption);
  EXPECT_EQ(utf8(result.showLogButton()->text()), expected.showLog);
  ovwin::setThreadLocale(0x411);
}

INSTANTIATE_TEST_SUITE_P(Locales, DialogLanguage, ::testing::Values(0x411u, 0x409u),
                         [](const auto& info) {
                           return std::string(info.param == 0x411 ? "japanese" : "english");
                         });

TEST(UiTexts, EnglishSetDiffersFromTheJapaneseInEveryCaption) {
  const qtui::UiTexts& ja = qtui::japaneseTexts();
  const qtui::UiTexts& en = qtui::englishTexts();
  for (const auto member : {&qtui::UiTexts::importCaption, &qtui::UiTexts::settingsCaption,
                            &qtui::UiTexts::alignmentCaption, &qtui::UiTexts::resultCaption,
                            &qtui::UiTexts::importButton, &qtui::UiTexts::closeButton})
    EXPECT_STRNE(ja.*member, en.*member);
  EXPECT_STREQ(ja.importCaption, "SIMAファイル読み込み");
  EXPECT_STREQ(ja.showLog, "ログを表示");
}

}  // namespace
}  // namespace kestrel
