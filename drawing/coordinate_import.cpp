#include "drawing/coordinate_import.h"

#include <utility>
#include <vector>

#include "drawing/object_records.h"

namespace kestrel {

namespace {

SimaPoint pointFromRecord(const Fields& f) {
  SimaPoint point;
  point.number = sima::toInteger(fieldAt(f, 1));
  point.name = std::string(sima::trim(fieldAt(f, 2)));
  point.north = sima::toNumber(fieldAt(f, 3));
  point.east = sima::toNumber(fieldAt(f, 4));
  point.elevation = sima::toNumber(fieldAt(f, 5));
  point.hasElevation = !sima::trim(fieldAt(f, 5)).empty();
  return point;
}

// Whether an A01 line gives an elevation as the import will read it. A tolerant reading takes an
// elevation word for none, and decides that on the line's fields as a whole.
bool givesElevation(ImportRun& run, std::string_view text) {
  if (!run.tolerant) return !sima::trim(run.fieldOf(text, 5)).empty();
  Fields fields;
  ExtendedCString::Split(text, ',', fields);
  tolerateDeviations(fields);
  return !sima::trim(fieldAt(fields, 5)).empty();
}

// A pre-scan's A series: the points are counted, and only their numbers kept for the lookups of
// lots and routes; they join the store when the series ends, as an import's do.
void countCoordinateSeries(ImportRun& run) {
  std::vector<int32_t> numbers;
  std::string_view text;
  while (run.nextText(text)) {
    const std::string_view code = run.fieldOf(text, 0);
    if (code == "A01") {
      numbers.push_back(sima::toInteger(run.fieldOf(text, 1)));
      if (givesElevation(run, text)) ++run.preScanCounts.pointsWithElevation;
    } else if (code == "A99") {
      break;
    }
  }
  for (const int32_t number : numbers) run.pointStore.appendNumberOnly(number);
}

}  // namespace

void readCoordinateSeries(ImportRun& run) {
  if (!run.importing()) {
    countCoordinateSeries(run);
    return;
  }
  GrowingArray<SimaPoint> seriesPoints;
  ImportRun::Line line;
  while (run.nextLine(line)) {
    if (run.rejects(RecordCheck::SeriesA, line)) continue;
    const std::string& code = line.fields[0];
    if (code == "A01") {
      if (run.rejects(RecordCheck::A01, line)) continue;
      seriesPoints.append(pointFromRecord(line.fields));
    } else if (code == "A99") {
      run.rejects(RecordCheck::A99, line);
      int withElevation = 0;
      for (const auto& p : seriesPoints) withElevation += p.hasElevation ? 1 : 0;
      run.log.logCoordinateEnd(run.lineCounter, withElevation,
                               static_cast<int>(seriesPoints.size()) - withElevation);
      break;
    }
  }
  const std::size_t first = run.pointStore.size();
  if (!seriesPoints.empty()) run.pointStore.appendAll(std::move(seriesPoints));
  buildPoints(run, first);
}

void buildPoints(ImportRun& run, std::size_t first) {
  if (!run.importing() || !run.selection.isSelected(kSeriesA)) return;
  ensurePointTable();
  const std::string fileName = run.fileName();
  const std::string type = kCoordinateType;
  const std::string& layer = run.layers[kLayerPoints];
  const auto& stored = run.pointStore.points();
  for (std::size_t i = first; i < stored.size(); ++i) {
    const SimaPoint& point = stored[static_cast<long>(i)];
    if (!point.hasElevation) continue;
    const OvDbObjectId id = ovdraw::createPoint(layer, point.east, point.north, point.elevation);
    if (id.isNull()) continue;
    attachPointRecord(id, point.number, point.name, type, fileName);
    ++run.counters.drawnPoints;
  }
}

}  // namespace kestrel
