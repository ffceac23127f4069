#include "drawing/coordinate_import.h"

#include <utility>
#include <vector>

#include "drawing/object_records.h"

namespace kestrel {

namespace {

// Adds an A01 record's point to the store; true when it has an elevation.
bool addPoint(PointStore& store, const Fields& f) {
  const bool hasElevation = !sima::trim(fieldAt(f, 5)).empty();
  store.add(sima::toInteger(fieldAt(f, 1)), sima::trim(fieldAt(f, 2)), sima::toNumber(fieldAt(f, 3)),
            sima::toNumber(fieldAt(f, 4)), sima::toNumber(fieldAt(f, 5)), hasElevation);
  return hasElevation;
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
  // The series' points go straight into the store; they are indexed (and so found by lookups)
  // only when the series ends.
  const std::size_t first = run.pointStore.size();
  int withElevation = 0;
  ImportRun::Line line;
  while (run.nextLine(line)) {
    if (run.rejects(RecordCheck::SeriesA, line)) continue;
    const std::string& code = line.fields[0];
    if (code == "A01") {
      if (run.rejects(RecordCheck::A01, line)) continue;
      withElevation += addPoint(run.pointStore, line.fields) ? 1 : 0;
    } else if (code == "A99") {
      run.rejects(RecordCheck::A99, line);
      run.log.logCoordinateEnd(run.lineCounter, withElevation,
                               static_cast<int>(run.pointStore.size() - first) - withElevation);
      break;
    }
  }
  run.pointStore.indexFrom(first);
  buildPoints(run, first);
}

void buildPoints(ImportRun& run, std::size_t first) {
  if (!run.importing() || !run.selection.isSelected(kSeriesA)) return;
  // The points drawn are copied for the drawing thread, as the store grows meanwhile; their
  // names stay where the store put them.
  struct Drawn {
    double east, north, elevation;
    int32_t number;
    std::string_view name;
  };
  std::vector<Drawn> points;
  const PointStore& store = run.pointStore;
  points.reserve(store.size() - first);
  for (std::size_t i = first; i < store.size(); ++i) {
    const StoredPoint& point = store.row(i);
    if (point.hasElevation())
      points.push_back({point.east, point.north, point.elevation, point.number, store.name(point)});
  }
  const std::size_t weight = points.size();
  run.drawing.post(
      [&run, points = std::move(points), fileName = run.fileName()] {
        ensurePointTable();
        const std::string type = kCoordinateType;
        const std::string& layer = run.layers[kLayerPoints];
        for (const Drawn& point : points) {
          const OvDbObjectId id = ovdraw::createPoint(layer, point.east, point.north, point.elevation);
          if (id.isNull()) continue;
          attachPointRecord(id, point.number, point.name, type, fileName);
          ++run.counters.drawnPoints;
        }
      },
      weight);
  run.drawing.flush();  // drawn while the next series is read
}

}  // namespace kestrel
