// The Qt views bound to the dialog forms: the widgets show what a form holds and hand the user's
// clicks to it (the forms' rules are tested without a toolkit beside tests/ui/qt); and the command
// "Kestrel" end to end with these views.
#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <algorithm>

#include "command/import_module.h"
#include "command/read_file.h"
#include "command/run_command.h"
#include "io/text_encoding.h"
#include "platform/drawing/drawing_database.h"
#include "platform/runtime/windowing.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/modal_robot.h"
#include "ui/kestrel_form.h"
#include "ui/kestrel_settings_form.h"
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

  // The tree's children against the form's items: text, tick, and whether they can be ticked.
  static void expectTreeShows(qtui::ImportDialog& dialog, const KestrelForm& form) {
    QTreeWidgetItem* root = dialog.tree()->topLevelItem(0);
    EXPECT_EQ(utf8(root->text(0)), form.rootLabel());
    ASSERT_EQ(root->childCount(), static_cast<int>(form.treeItems().size()));
    for (int i = 0; i < root->childCount(); ++i) {
      const SeriesTreeItem& item = form.treeItems()[static_cast<std::size_t>(i)];
      EXPECT_EQ(utf8(root->child(i)->text(0)), item.text) << i;
      EXPECT_EQ(root->child(i)->checkState(0) == Qt::Checked, item.checked) << i;
      EXPECT_EQ(bool(root->child(i)->flags() & Qt::ItemIsEnabled), !item.locked) << i;
    }
    EXPECT_EQ(dialog.importButton()->isEnabled(), form.importEnabled());
    EXPECT_EQ(utf8(dialog.pathEdit()->text()), form.filePath());
  }

  testing::TempDir temp;
  module::Conversation conversation;
  std::unique_ptr<DialogViews> views;
};

TEST_F(QtDialogs, ImportDialogShowsTheFormAndHandsTicksSiteAndImportToIt) {
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog dialog(form);
  EXPECT_TRUE(dialog.pathEdit()->isReadOnly());
  expectTreeShows(dialog, form);
  ASSERT_TRUE(std::ranges::none_of(form.treeItems(), &SeriesTreeItem::locked))
      << "the sample holds every kind";
  QTreeWidgetItem* root = dialog.tree()->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i) root->child(i)->setCheckState(0, Qt::Unchecked);
  expectTreeShows(dialog, form);
  EXPECT_EQ(root->checkState(0), Qt::Unchecked);
  root->setCheckState(0, Qt::Checked);  // the root ticks every kind
  expectTreeShows(dialog, form);
  EXPECT_TRUE(form.settings().selection.isSelected(kSeriesI));
  root->child(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(root->checkState(0), Qt::Unchecked);

  dialog.siteList()->setCurrentIndex(1);
  EXPECT_EQ(form.selectedSiteIndex(), 1);
  QTest::mouseClick(dialog.importButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(form.settings().siteName, "北工区");
  EXPECT_FALSE(form.settings().selection.isSelected(kSeriesA));
  EXPECT_TRUE(form.settings().selection.isSelected(kSeriesD));
}

TEST_F(QtDialogs, BrowseListsSimFilesInAnyCaseAndShowsTheRefusal) {
  const std::string refused = temp.write("road.sima", "A00,\n");
  const std::string points = temp.write("POINTS.SIM", "A00,\nA01,1,P1,10.0,20.0,3.0,\nA99,\n");
  KestrelForm form = openForm("");
  qtui::ImportDialog dialog(form);
  EXPECT_FALSE(dialog.importButton()->isEnabled());
  std::string chooser, box;
  ModalRobot robot;
  robot
      .then<QFileDialog>([&](QFileDialog* files) {
        chooser = utf8(files->windowTitle() + "|" + files->nameFilters().join(';') + "|" +
                       files->defaultSuffix()) +
                  (files->filter() & QDir::CaseSensitive ? "|case" : "|any case");
        files->reject();
      })
      .then<QMessageBox>([&](QMessageBox* shown) {
        box = utf8(shown->text() + "|" + shown->windowTitle() + "|") +
              std::to_string(shown->icon());
        shown->accept();
      });
  QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
  dialog.takeChosenFile(qs(refused));  // a name the user typed: the list holds only *.sim
  EXPECT_EQ(robot.pending(), 0u) << robot.pendingNames();
  EXPECT_EQ(chooser, "SIMAファイルを選択|(*.sim)|sim|any case");
  EXPECT_EQ(box, "Please browse for Valid SIM File.|Invalid SIM File!|" +
                     std::to_string(QMessageBox::Warning));
  EXPECT_TRUE(dialog.pathEdit()->text().isEmpty());

  // Kinds the file lacks are locked: the form refuses a tick and the view shows it again.
  dialog.takeChosenFile(qs(points));
  expectTreeShows(dialog, form);
  QTreeWidgetItem* root = dialog.tree()->topLevelItem(0);
  root->child(1)->setCheckState(0, Qt::Checked);
  EXPECT_EQ(root->child(1)->checkState(0), Qt::Unchecked);
  EXPECT_TRUE(dialog.importButton()->isEnabled());
}

TEST_F(QtDialogs, SettingsDialogShowsTheFormAndStaysOpenOnARefusal) {
  KestrelForm form = openForm(kSample);
  qtui::ImportDialog dialog(form);
  std::string shown;  // the layers listed | the lot layer selected | the distance | the refusal
  ModalRobot robot;
  robot
      .then<qtui::SettingsDialog>([&](qtui::SettingsDialog* settings) {
        for (int i = 0; i < settings->layerList(0)->count(); ++i)
          shown += utf8(settings->layerList(0)->itemText(i)) + " ";
        shown += "| " + utf8(settings->layerList(2)->currentText() + " | " +
                             settings->shiftEdit()->text() + " | ");
        settings->shiftEdit()->setText("1.2.3");
        QTest::mouseClick(settings->acceptButton(), Qt::LeftButton);
      })
      .then<QMessageBox>([&](QMessageBox* box) {
        shown += utf8(box->text());
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
  // The stored lot layer vanished: the first is selected.
  EXPECT_EQ(shown, "0 点 画地 | 0 | 0.0001 | 0より大きい値を指定してください。");
  EXPECT_DOUBLE_EQ(form.settings().shiftDistance, 1.5);
  EXPECT_EQ(form.settings().layers[2], "画地");
}

TEST_F(QtDialogs, AlignmentDialogConfirmsTheChosenEntryOrCancels) {
  SelectAlignmentForm empty({});
  qtui::AlignmentDialog emptyDialog(empty);
  EXPECT_EQ(emptyDialog.alignmentList()->count(), 1);
  EXPECT_FALSE(emptyDialog.selectButton()->isEnabled());

  SelectAlignmentForm form({{"本線", 7}, {"側道", 9}, {"A線", 3}});
  std::vector<std::string> names;
  ModalRobot robot;
  robot.then<qtui::AlignmentDialog>([&](qtui::AlignmentDialog* dialog) {
    for (int i = 0; i < dialog->alignmentList()->count(); ++i)
      names.push_back(utf8(dialog->alignmentList()->itemText(i)));
    dialog->alignmentList()->setCurrentIndex(1);
    QTest::mouseClick(dialog->selectButton(), Qt::LeftButton);
  });
  EXPECT_EQ(views->showAlignmentSelection(form), 0);
  EXPECT_EQ(names, form.entries());
  EXPECT_EQ(form.chosenId(), form.alignments().at(names[1]));

  ModalRobot closing;
  closing.then<qtui::AlignmentDialog>([](qtui::AlignmentDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(views->showAlignmentSelection(form), -1);
  EXPECT_EQ(form.chosenId(), 0);
}

TEST_F(QtDialogs, ResultListScrollsAsFarAsItsWidestLineAndLogOpensOnlyWithErrors) {
  SimaResultInputs inputs;
  inputs.errorCount = 2;
  inputs.drawnPoints = 4;
  inputs.alignmentNames = {std::string(60, 'W')};
  inputs.simaPath = (temp.path() / "run.sim").string();
  SimaResultForm form(inputs);
  std::vector<std::string> opened;
  qtui::setLogOpener([&](const std::string& path) { opened.push_back(path); });
  qtui::ResultDialog dialog(form);
  dialog.resize(200, 200);
  dialog.show();
  QApplication::processEvents();
  auto* list = dialog.resultList();
  // The lines shown; the extent is the widest one's plus 3.
  const auto shownLines = [list, metrics = QFontMetrics(list->font())] {
    std::vector<std::string> shown;
    int widest = 0;
    for (int i = 0; i < list->count(); ++i) {
      shown.push_back(utf8(list->item(i)->text()));
      widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
    }
    EXPECT_EQ(list->horizontalExtent(), widest + 3);
    return shown;
  };
  EXPECT_EQ(shownLines(), form.lines());
  EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
  list->deleteString(2);  // the long line goes: the extent shrinks
  EXPECT_EQ(shownLines().size(), 2u);

  QTest::mouseClick(dialog.showLogButton(), Qt::LeftButton);
  EXPECT_EQ(opened, std::vector<std::string>{(temp.path() / "run_Input.log").string()});
  inputs.errorCount = 0;
  SimaResultForm clean(inputs);
  EXPECT_FALSE(qtui::ResultDialog(clean).showLogButton()->isEnabled());
  qtui::setLogOpener({});
}

// The window shows its caption, text, bar and cancel text and disables the main window while it
// shows; its place comes from the application's settings (centred when none is kept) and goes back
// on destroy; cancel closes it and lets the import go on.
TEST_F(QtDialogs, ProgressWindowShowsKeepsItsPlaceAndCancels) {
  QMainWindow host;
  host.show();
  auto& windowing = ovwin::windowing();
  for (const bool kept : {false, true}) {
    SCOPED_TRACE(kept);
    QSettings profile;
    profile.remove("Settings");
    windowing.profile.clear();
    if (kept) profile.setValue("Settings/X", 10), profile.setValue("Settings/Y", 20);
    profile.sync();
    CProgressWnd window(views->createProgressView(), windowing.profile, windowing.screenWidth,
                        windowing.screenHeight);
    window.goModal("SIMAファイル読み込み中");
    EXPECT_FALSE(host.isEnabled());
    window.setRange(0, 400, 1);
    window.setText("読み込み中...");
    window.setPosition(int64_t{100});
    auto& view = static_cast<qtui::QtProgressView&>(window.view());
    qtui::ProgressWindow* shown = view.window();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->pos(), kept ? QPoint(10, 20)
                                 : QPoint((windowing.screenWidth - shown->width()) / 2,
                                          (windowing.screenHeight - shown->height()) / 2));
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(utf8(shown->windowTitle() + "|" + shown->textArea()->text() + "|" +
                   shown->cancelButton()->text()),
              window.caption() + "|読み込み中...|" + window.cancelText());
    EXPECT_EQ(shown->bar()->value(), shown->bar()->maximum() / 4);
    if (!kept) {  // written back even when none was kept
      shown->move(33, 44);
      window.destroy();
      EXPECT_EQ(QSettings().value("Settings/X").toInt(), 33);
      EXPECT_EQ(QSettings().value("Settings/Y").toInt(), 44);
    } else {
      QTest::mouseClick(shown->cancelButton(), Qt::LeftButton);
      window.pumpMessages();
      EXPECT_TRUE(window.cancelled());
      EXPECT_EQ(view.window(), nullptr) << "the window is gone";
    }
    EXPECT_TRUE(host.isEnabled());
  }
}

// Every dialog takes its caption and button texts from the set of the thread locale.
TEST_F(QtDialogs, CaptionsAndButtonsFollowTheThreadLocale) {
  for (const uint32_t locale : {0x411u, 0x409u}) {
    ovwin::setThreadLocale(locale);
    const qtui::UiTexts& expected = locale == 0x411 ? qtui::japaneseTexts() : qtui::englishTexts();
    KestrelForm form = openForm(kSample);
    qtui::ImportDialog importDialog(form);
    const std::string layers[kLayerCount] = {"0", "0", "0", "0", "0"};
    KestrelSettingsForm settingsForm({"0"}, layers, 0.0001);
    qtui::SettingsDialog settings(settingsForm);
    SelectAlignmentForm alignmentForm({{"本線", 1}});
    qtui::AlignmentDialog alignment(alignmentForm);
    SimaResultForm resultForm(SimaResultInputs{});
    qtui::ResultDialog result(resultForm);
    const std::pair<QString, const char*> shown[] = {
        {importDialog.windowTitle(), expected.importCaption},
        {importDialog.importButton()->text(), expected.importButton},
        {importDialog.browseButton()->text(), expected.browse},
        {settings.windowTitle(), expected.settingsCaption},
        {settings.acceptButton()->text(), expected.acceptButton},
        {alignment.windowTitle(), expected.alignmentCaption},
        {alignment.selectButton()->text(), expected.selectButton},
        {result.windowTitle(), expected.resultCaption},
        {result.showLogButton()->text(), expected.showLog}};
    for (const auto& [text, wanted] : shown) EXPECT_EQ(utf8(text), wanted) << locale;
  }
  ovwin::setThreadLocale(0x411);
  EXPECT_STREQ(qtui::japaneseTexts().importCaption, "SIMAファイル読み込み");
  EXPECT_STRNE(qtui::englishTexts().importCaption, qtui::japaneseTexts().importCaption);
}

// Saves a picture of a dialog when KESTREL_SCREENSHOT_DIR names a folder (tools/screenshots.sh).
void saveShot(QWidget* widget, const char* name) {
  const QByteArray folder = qgetenv("KESTREL_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QApplication::processEvents();
  widget->grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

TEST(QtImportRun, ImportsTheProjectUnderTheProgressWindowAndListsTheResult) {
  testing::TempDir temp;
  const std::string sample = temp.write(
      "road-project.sim", testing::readBytes(KESTREL_SOURCE_DIR "/examples/road-project.sim"));
  QSettings().remove("Settings");
  QMainWindow host;
  host.show();
  int reads = 0, readsWithTheHostEnabled = 0;
  ovwin::windowing().progressHook = [&](int) {
    ++reads;
    readsWithTheHostEnabled += host.isEnabled();
  };
  std::vector<std::string> shownLines;
  bool settingsShown = false;
  testing::ModalRobot robot;
  robot
      .then<qtui::ImportDialog>([&](qtui::ImportDialog* dialog) {
        dialog->takeChosenFile(qtui::qs(sample));
        saveShot(dialog, "import-dialog");
        QTest::mouseClick(dialog->settingsButton(), Qt::LeftButton);
        // Everything: the results lie on the centre line the same file makes, so no alignment
        // choice comes up.
        QTest::mouseClick(dialog->importButton(), Qt::LeftButton);
      })
      .then<qtui::SettingsDialog>([&](qtui::SettingsDialog* dialog) {
        settingsShown = true;
        saveShot(dialog, "settings-dialog");
        dialog->reject();
      })
      .then<qtui::ResultDialog>([&](qtui::ResultDialog* dialog) {
        saveShot(dialog, "result-dialog");
        for (int i = 0; i < dialog->resultList()->count(); ++i)
          shownLines.push_back(utf8(dialog->resultList()->item(i)->text()));
        dialog->accept();
      });
  OvDbDatabase drawing;
  ovSetWorkingDatabase(&drawing);
  registerQtDialogViews();
  resetImportSettings();
  ovwin::windowing().mode = ovwin::DialogMode::Qt;
  ovwin::setThreadLocale(0x411);
  runKestrelCommand();
  ovwin::windowing().mode = ovwin::DialogMode::Scripted;
  ovwin::windowing().progressHook = nullptr;
  ovSetWorkingDatabase(nullptr);
  ASSERT_EQ(robot.pending(), 0u) << robot.pendingNames();
  EXPECT_EQ(importModule().conversation().outcome, module::DialogOutcome::Imported);
  EXPECT_TRUE(settingsShown);

  // The point lines (coordinates, vertical and cross-section results) together tell as many
  // points as the drawing now holds.
  int points = 0, told = 0;
  for (std::size_t i = 0; i < drawing.entityCount(); ++i)
    points += drawing.entityAt(i).kind() == OvDbEntityKind::Point ? 1 : 0;
  for (const auto& line : shownLines)
    if (line.ends_with("個のポイントを作成"))
      told += std::stoi(line.substr(line.find_first_of("0123456789")));
  ASSERT_GE(shownLines.size(), 2u);
  EXPECT_TRUE(shownLines[1].starts_with("座標データから")) << shownLines[1];
  EXPECT_EQ(told, points);
  EXPECT_GT(points, 0);

  // The dialog's lines end the log (CP932, as its input), each on its own line.
  std::string tail;
  for (const auto& line : shownLines) tail += line + "\n";
  std::string log = testing::readBytes((temp.path() / "road-project_Input.log").string());
  log.erase(std::remove(log.begin(), log.end(), '\r'), log.end());
  EXPECT_TRUE(log.ends_with(io::encode(tail, io::Encoding::Cp932))) << log;

  EXPECT_GT(reads, 0);
  EXPECT_EQ(readsWithTheHostEnabled, 0);
  EXPECT_TRUE(host.isEnabled());
  EXPECT_TRUE(QSettings().contains("Settings/X") && QSettings().contains("Settings/Y"));
}

}  // namespace
}  // namespace kestrel
