// Vertical and cross-section results placed along one 10 km alignment: 100,000 stations and
// 20,000 sections of 20 points. Prints points placed per second.
//   results_bench [--dir DIR]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "command/read_file.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

namespace {

// A 10 km centre line of 51 points along a gentle wave, with an arc on every third element.
std::string routeText() {
  std::string text = "A00,\n";
  char line[200];
  const int points = 51;
  for (int i = 0; i < points; ++i) {
    const double east = 200.0 * i;
    const double north = 30.0 * std::sin(i * 0.7);
    std::snprintf(line, sizeof line, "A01,%d,P%d,%.4f,%.4f,10.0,\n", i + 1, i + 1, north, east);
    text += line;
  }
  text += "A99,\nF00,1,1,本線,3,\nF03,0,\n";
  for (int i = 0; i < points; ++i) {
    std::snprintf(line, sizeof line, "B01,%d,P%d,\n", i + 1, i + 1);
    text += line;
    if (i % 3 == 1 && i + 1 < points) text += "C01,0,2000,\n";
  }
  return text + "F99,\n";
}

std::string resultsText(int stations, int sections, int pointsPerSection, double length) {
  std::string text = "H00,1,縦断,\n";
  char line[200];
  for (int i = 0; i < stations; ++i) {
    std::snprintf(line, sizeof line, "H01,No.%d,%.3f,10.00,10.10,1,\n", i, length * i / stations);
    text += line;
  }
  text += "H99,\nI00,1,横断,\n";
  for (int i = 0; i < sections; ++i) {
    std::snprintf(line, sizeof line, "I01,S%d,%.3f,10.00,10.10,\n", i, length * i / sections);
    text += line;
    for (int j = 0; j < pointsPerSection; ++j) {
      std::snprintf(line, sizeof line, "I02,P%d,%.2f,%.2f,\n", j, (j - pointsPerSection / 2) * 1.5 + 0.25,
                    9.0 + 0.1 * j);
      text += line;
    }
  }
  return text + "I99,\n";
}

double importSeconds(const std::string& path, kestrel::ImportRun& run) {
  OvDbDatabase database;
  ovSetWorkingDatabase(&database);
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  ovcivil::civilApplication().activeDocument().addSite("サイト");
  for (bool& s : run.selection.selected) s = true;
  run.siteName = "サイト";
  const auto start = std::chrono::steady_clock::now();
  kestrel::readFile(run, path, kestrel::io::EncodingChoice::Utf8);
  const auto stop = std::chrono::steady_clock::now();
  ovSetWorkingDatabase(nullptr);
  return std::chrono::duration<double>(stop - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/tmp";
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--dir") == 0) dir = argv[i + 1];
  const std::string routeOnly = dir + "/kestrel-results-route.sim";
  const std::string withResults = dir + "/kestrel-results-full.sim";
  std::ofstream(routeOnly) << routeText();
  std::ofstream(withResults) << routeText() << resultsText(100000, 20000, 20, 9990.0);

  double best = 1e30;
  double bestRoute = 1e30;
  long placed = 0;
  double length = 0.0;
  for (int round = 0; round < 3; ++round) {
    kestrel::ImportRun routeRun;
    bestRoute = std::min(bestRoute, importSeconds(routeOnly, routeRun));
    kestrel::ImportRun run;
    best = std::min(best, importSeconds(withResults, run));
    placed = run.counters.verticalPoints + run.counters.sectionPoints;
    for (const auto& site : ovcivil::civilApplication().activeDocument().sites())
      for (const auto& alignment : site.alignments) length = alignment.length();
    if (run.log.errorCount() != 0) std::printf("(%d errors in the log)\n", run.log.errorCount());
  }
  const double resultSeconds = best - bestRoute;
  std::printf("alignment length %.1f m; %ld points placed (vertical + cross-section)\n", length,
              placed);
  std::printf("whole import %.3f s, of which the route %.3f s\n", best, bestRoute);
  std::printf("results: %.3f s, %.0f points placed per second\n", resultSeconds,
              static_cast<double>(placed) / resultSeconds);
  return 0;
}
