// kestrel-studio: a desktop host that loads the import module and shows its dialogs with Qt.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <optional>

#include "apps/kestrel-studio/drawing_view.h"
#include "apps/kestrel-studio/main_window.h"
#include "apps/kestrel-studio/studio_texts.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace {

// The module with the Qt views where it is installed beside the host's folder, else
// bin/../lib/libkestrel_module_qt.so
// of the build tree, or $KESTREL_MODULE.
std::string modulePath() {
  if (const char* env = std::getenv("KESTREL_MODULE"); env != nullptr && *env != '\0') return env;
  std::error_code error;
  const auto prefix = std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path();
  const auto installed = prefix / KESTREL_MODULE_DIR / "libkestrel_module_qt.so";
  if (std::filesystem::exists(installed, error)) return installed.string();
  return (prefix / "lib" / "libkestrel_module_qt.so").string();
}

// "a,b[,c]" as numbers; empty when the text is not that many numbers.
std::optional<std::vector<double>> numbers(const QString& text, int count) {
  const QStringList parts = text.split(',');
  if (parts.size() != count) return std::nullopt;
  std::vector<double> values;
  for (const QString& part : parts) {
    bool ok = false;
    values.push_back(part.trimmed().toDouble(&ok));
    if (!ok) return std::nullopt;
  }
  return values;
}

// A survey point "X,Y" (northing, easting) as a drawing point (x east, y north).
std::optional<QPointF> surveyPoint(const QString& text) {
  const auto values = numbers(text, 2);
  if (!values) return std::nullopt;
  return QPointF((*values)[1], (*values)[0]);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName("Kestrel");
  QApplication::setApplicationName("kestrel-studio");
  QApplication::setApplicationVersion(KESTREL_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("Imports SIMA survey files into a drawing.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption language("lang", "Message and dialog language: ja or en.", "language",
                                    "ja");
  const QCommandLineOption landxml("landxml", "Open a LandXML file as the civil document.", "file");
  const QCommandLineOption view("view",
                                "Show the drawing around survey point X,Y (northing, "
                                "easting), WIDTH metres across.",
                                "X,Y,WIDTH");
  const QCommandLineOption cursor("cursor", "Mark survey point X,Y as the cursor's position.",
                                  "X,Y");
  const QCommandLineOption pick("pick", "Pick what lies at survey point X,Y.", "X,Y");
  const QCommandLineOption noLabels("no-labels", "Show no point labels.");
  const QCommandLineOption labelNumbers("label-numbers", "Label points with their numbers too.");
  const QCommandLineOption labelElevations("label-elevations", "Label points with elevations too.");
  const QCommandLineOption screenshot("screenshot",
                                      "Save a picture of the window to FILE and quit.", "file");
  for (const auto* option : {&language, &landxml, &view, &cursor, &pick, &noLabels, &labelNumbers,
                             &labelElevations, &screenshot})
    parser.addOption(*option);
  parser.addPositionalArgument("files", "SIMA files to import, a DXF drawing, a LandXML file.");
  parser.process(application);
  for (const auto& [option, count] : {std::pair{&view, 3}, {&cursor, 2}, {&pick, 2}})
    if (parser.isSet(*option) && !numbers(parser.value(*option), count)) {
      std::cerr << "kestrel-studio: --" << option->names().front().toStdString() << " "
                << parser.value(*option).toStdString() << ": expected "
                << option->valueName().toStdString() << " as numbers\n";
      return 2;
    }

  ovrx::initializeHost();
  auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  const kestrel::io::Result loaded =
      linker == nullptr ? kestrel::io::failed(kestrel::io::Failure::Open, modulePath(), "no linker")
                        : linker->loadModule(modulePath());
  if (!loaded) {
    std::cerr << "kestrel-studio: " << modulePath()
              << ": cannot load the module: " << loaded.description << "\n";
    return 1;
  }
  // The module sets Japanese when it starts; the host may switch afterwards.
  if (parser.value(language) == "en") ovwin::setThreadLocale(ovwin::kEnglishLocale);
  if (!kestrel::studio::loadQtTranslations())
    std::cerr << "kestrel-studio: Qt's Japanese translations are not installed "
                 "(apt-get install qt6-translations-l10n): standard dialogs show in English\n";
  ovwin::windowing().mode = ovwin::DialogMode::Qt;
  ovwin::windowing().hasMainWindow = true;

  kestrel::studio::MainWindow window;
  window.listCommands();
  kestrel::studio::LabelOptions labels;
  labels.names = !parser.isSet(noLabels);
  labels.numbers = parser.isSet(labelNumbers);
  labels.elevations = parser.isSet(labelElevations);
  window.setLabels(labels);
  window.show();
  if (parser.isSet(landxml)) window.openLandXml(parser.value(landxml));
  for (const QString& file : parser.positionalArguments()) window.openAny(file);

  // Where to look, what to point at and what to pick, once the window has its size.
  QTimer::singleShot(100, &window, [&] {
    if (const auto around = numbers(parser.value(view), 3); around && (*around)[2] > 0)
      window.view()->setView(QPointF((*around)[1], (*around)[0]),
                             window.view()->width() / (*around)[2]);
    if (const auto at = surveyPoint(parser.value(pick)))
      window.view()->pickAt(window.view()->toScreen(*at));
    if (const auto at = surveyPoint(parser.value(cursor))) window.view()->markCursor(*at);
  });
  if (parser.isSet(screenshot)) {
    QTimer::singleShot(400, &window, [&] {
      window.grab().save(parser.value(screenshot));
      application.quit();
    });
  }
  const int status = application.exec();
  linker->unloadModule(modulePath());
  return status;
}
