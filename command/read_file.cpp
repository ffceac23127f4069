#include "command/read_file.h"

#include "drawing/coordinate_import.h"
#include "drawing/lot_import.h"
#include "route/result_import.h"
#include "route/route_import.h"
#include "sima/file_line_source.h"

namespace kestrel {

std::string fileTitleOf(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto dot = title.find_last_of('.');
  if (dot != std::string::npos) title.resize(dot);
  return title;
}

namespace {

// Empties everything a run holds from an earlier read.
void resetRun(ImportRun& run, const std::string& path, ReadMode mode) {
  run.filePath = path;
  run.fileTitle = fileTitleOf(path);
  run.pointStore.clear();
  run.clearRoutes();
  run.lots.clear();
  run.verticalResults.clear();
  run.crossSections.clear();
  run.verticalSeries.clear();
  run.routeElements.clear();
  run.mode = mode;
  run.log = ImportLog(run.log.language());
  run.log.setSilent(mode == ReadMode::PreScan);
  run.names.clear();
  run.lineCounter = 0;
  run.errorHighWater = 0;
  run.stoppedAtLineLimit = false;
  run.tolerated = ToleratedCounts{};
  run.counters = RunCounters{};
  run.replacedCharacters = 0;
  run.preScanCounts = PreScanCounts{};
  run.currentAlignmentName = run.chosenAlignmentName;
}

int readLines(ImportRun& run, const std::string& path, io::EncodingChoice encoding,
              ReadMode mode) {
  resetRun(run, path, mode);
  sima::FileLineSource reader;
  if (!reader.open(path, encoding)) return -1;
  run.inputEncoding = reader.encoding();
  run.inputEncodingReason = reader.encodingReason();
  run.reader = &reader;

  ImportLog& log = run.log;
  ImportRun::Line line;
  while (run.nextLine(line)) {
    const Fields& f = line.fields;
    const std::string& code = f[0];
    const int32_t number = run.lineCounter;
    if (code.size() != 3) continue;  // every series start is three characters long
    if (code == "A00") {
      run.rejects(RecordCheck::A00, line);
      log.logCoordinateStart(number);
      readCoordinateSeries(run);
    } else if (code == "D00") {
      run.rejects(RecordCheck::D00, line);
      log.logLotStart(number);
      const Fields header = f;
      readLot(run, header);
    } else if (code == "F00") {
      run.rejects(RecordCheck::F00, line);
      log.logRouteStart(number);
      const Fields header = f;
      importRoute(run, header);
    } else if (code == "H00") {
      run.rejects(RecordCheck::H00, line);
      const Fields header = f;
      readVerticalBlock(run, header);
    } else if (code == "I00") {
      run.rejects(RecordCheck::I00, line);
      log.logCrossSectionStart(number, run.currentAlignmentName);
      const Fields header = f;
      readCrossSectionBlock(run, header);
    } else if (code == "G00") {
      if (!run.rejects(RecordCheck::G00, line)) log.logVersion(number, fieldAt(f, 1));
    }
    // "C00", "Z00" and every other line fall through without effect.
  }
  run.finishDrawing();
  run.reader = nullptr;
  run.replacedCharacters = static_cast<int64_t>(reader.replacements());
  log.logEnd(run.lineCounter);
  return 0;
}

}  // namespace

int readFile(ImportRun& run, const std::string& path, io::EncodingChoice encoding) {
  return readLines(run, path, encoding, ReadMode::Import);
}

int preScanFile(ImportRun& run, const std::string& path, io::EncodingChoice encoding) {
  return readLines(run, path, encoding, ReadMode::PreScan);
}

}  // namespace kestrel
