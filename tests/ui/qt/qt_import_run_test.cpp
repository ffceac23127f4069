// The command "Kestrel" end to end with the Qt views: import dialog, progress, result dialog.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <algorithm>

#include "command/import_module.h"
#include "command/run_command.h"
#include "platform/drawing/drawing_database.h"
#include "platform/runtime/windowing.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/qt/modal_robot.h"
#include "ui/qt/hscroll_list_widget.h"
#include "ui/qt/import_dialog.h"
#include "ui/qt/qt_dialog_views.h"
#include "ui/qt/result_dialog.h"
#include "ui/qt/settings_dialog.h"
#include "ui/qt/ui_texts.h"

namespace kestrel {
namespace {

using qtui::utf8;

// The log of a CP932 input is CP932: its text as UTF-8, without carriage returns.
std::string fromCp932(std::string in) {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  std::string out(in.size() * 2 + 16, '\0');
  char *source = in.data(), *target = out.data();
  std::size_t left = in.size(), room = out.size();
  iconv(converter, &source, &left, &target, &room);
  iconv_close(converter);
  out.resize(out.size() - room);
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  return out;
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
  std::vector<bool> hostEnabledWhileReading;
  ovwin::windowing().progressHook = [&](int) {
    hostEnabledWhileReading.push_back(host.isEnabled());
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

  // The dialog's lines end the log, each on its own line.
  std::string tail;
  for (const auto& line : shownLines) tail += line + "\n";
  const std::string log =
      fromCp932(testing::readBytes((temp.path() / "road-project_Input.log").string()));
  EXPECT_TRUE(log.ends_with(tail)) << log;

  ASSERT_FALSE(hostEnabledWhileReading.empty());
  for (bool enabled : hostEnabledWhileReading) EXPECT_FALSE(enabled);
  EXPECT_TRUE(host.isEnabled());
  EXPECT_TRUE(QSettings().contains("Settings/X"));
  EXPECT_TRUE(QSettings().contains("Settings/Y"));
}

}  // namespace
}  // namespace kestrel
