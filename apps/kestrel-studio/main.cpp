// kestrel-studio: a desktop host that loads the import module and shows its dialogs with Qt.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "apps/kestrel-studio/main_window.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace {

// The module where it is installed beside the host's folder, else bin/../lib/libkestrel_module.so
// of the build tree, or $KESTREL_MODULE.
std::string modulePath() {
  if (const char* env = std::getenv("KESTREL_MODULE"); env != nullptr && *env != '\0') return env;
  std::error_code error;
  const auto prefix = std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path();
  const auto installed = prefix / KESTREL_MODULE_DIR / "libkestrel_module.so";
  if (std::filesystem::exists(installed, error)) return installed.string();
  return (prefix / "lib" / "libkestrel_module.so").string();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Kestrel");
  QApplication::setApplicationName("kestrel-studio");

  QCommandLineParser parser;
  parser.setApplicationDescription("Imports SIMA survey files into a drawing.");
  parser.addHelpOption();
  QCommandLineOption language("lang", "Message and dialog language: ja or en.", "language", "ja");
  QCommandLineOption screenshot("screenshot", "Save a picture of the window to FILE and quit.",
                                "file");
  QCommandLineOption landxml("landxml", "Open a LandXML file as the civil document.", "file");
  parser.addOption(language);
  parser.addOption(screenshot);
  parser.addOption(landxml);
  parser.addPositionalArgument("drawing", "A DXF drawing to open.");
  parser.process(application);

  ovrx::initializeHost();
  auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  const kestrel::io::Result loaded =
      linker == nullptr ? kestrel::io::failed(kestrel::io::Failure::Open, modulePath(), "no linker")
                        : linker->loadModule(modulePath());
  if (!loaded) {
    std::cerr << "kestrel-studio: " << modulePath() << ": cannot load the module: "
              << loaded.description << "\n";
    return 1;
  }
  // The module sets Japanese when it starts; the host may switch afterwards.
  if (parser.value(language) == "en") ovwin::setThreadLocale(ovwin::kEnglishLocale);
  ovwin::windowing().mode = ovwin::DialogMode::Qt;
  ovwin::windowing().hasMainWindow = true;

  kestrel::studio::MainWindow window;
  window.listCommands();
  window.show();
  if (parser.isSet(landxml)) window.openLandXml(parser.value(landxml));
  if (!parser.positionalArguments().isEmpty())
    window.openDrawing(parser.positionalArguments().front());
  if (parser.isSet(screenshot)) {
    QTimer::singleShot(300, &window, [&] {
      window.grab().save(parser.value(screenshot));
      application.quit();
    });
  }
  const int status = application.exec();
  linker->unloadModule(modulePath());
  return status;
}
