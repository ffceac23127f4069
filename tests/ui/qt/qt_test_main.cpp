// Runs the GoogleTest suite inside a QApplication on the offscreen platform, with its own profile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

// Qt's own allocations that live until the process ends are listed in the repository's
// suppressions file; leak checking applies to everything else.
extern "C" const char* __lsan_default_options() {
  return "suppressions=" KESTREL_SOURCE_DIR "/tools/lsan-qt.supp:print_suppressions=0";
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // QSettings writes below this folder, never into the user's profile.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication application(argc, argv);
  QApplication::setOrganizationName("KestrelTest");
  QApplication::setApplicationName("qt_dialogs_test");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
