#include "drawing/lot_import.h"

#include <utility>
#include <vector>

#include "drawing/object_records.h"

namespace kestrel {

namespace {

// Reads and passes over a triangle block up to and including its E99 line.
void skipTriangleBlock(ImportRun& run) {
  ImportRun::Line line;
  while (run.nextLine(line))
    if (line.fields[0] == "E99") return;
}

// A pre-scan's lot, read as readLot reads it: counted when every vertex it names exists.
void countLot(ImportRun& run) {
  bool failed = false;
  std::string_view text;
  while (run.nextText(text)) {
    const std::string_view code = run.fieldOf(text, 0);
    if (failed) {
      if (code == "D99") return;
      continue;
    }
    if (code == "B01") {
      run.prefetchLotVertexAhead();
      failed = !run.pointStore.contains(sima::toInteger(run.fieldOf(text, 1)));
    } else if (code == "E00") {
      while (run.nextText(text))
        if (run.fieldOf(text, 0) == "E99") break;
    } else if (code == "D99") {
      break;
    }
  }
  if (!failed) ++run.preScanCounts.lots;
}

}  // namespace

void readLot(ImportRun& run, const Fields& header) {
  if (!run.importing()) {
    countLot(run);
    return;
  }
  LotData lot;
  lot.number = sima::toInteger(fieldAt(header, 1));
  lot.name = std::string(sima::trim(fieldAt(header, 2)));
  lot.closed = sima::trim(fieldAt(header, 3)) == "1";
  bool failed = false;
  bool hadTriangleBlock = false;
  // The vertices' positions in the point store are gathered here and kept, at their final count,
  // when the lot ends well.
  std::vector<uint32_t> vertices;
  vertices.reserve(16);

  auto finishGood = [&] {
    lot.vertices.assign(vertices.begin(), vertices.end());
    run.lots.append(std::move(lot));
    const LotData& stored = run.lots.back();
    drawLot(run, stored);
    run.log.logLotEnd(run.lineCounter, true, static_cast<int>(stored.vertices.size()),
                      hadTriangleBlock);
  };

  ImportRun::Line line;
  while (run.nextLine(line)) {
    if (run.rejects(RecordCheck::SeriesD, line)) continue;
    const std::string& code = line.fields[0];
    if (failed) {
      // A failed lot only looks for its end.
      if (code == "D99") {
        run.log.logLotEnd(run.lineCounter, false, 0, false);
        return;
      }
      continue;
    }
    if (code == "B01") {
      run.prefetchLotVertexAhead();
      if (run.rejects(RecordCheck::B01, line)) continue;
      try {
        vertices.push_back(run.lookupPoint(sima::toInteger(fieldAt(line.fields, 1))));
      } catch (const OrvoException&) {
        run.log.addPointNotFound(run.lineCounter, line.text);
        run.raiseHighWater();
        failed = true;
      }
    } else if (code == "E00") {
      hadTriangleBlock = true;
      skipTriangleBlock(run);
    } else if (code == "D99") {
      finishGood();
      return;
    }
  }
  // The file ended inside the lot.
  if (!failed) {
    finishGood();
  } else {
    run.log.logLotEnd(run.lineCounter, false, 0, false);
  }
}

void drawLot(ImportRun& run, const LotData& lot) {
  if (!run.importing() || !run.selection.isSelected(kSeriesD)) return;
  // Drawn on the drawing thread from the lot where the run keeps it and from the rows of the point
  // store it names, which stay where they are while later series add to the store.
  run.drawing.post(
      [&run, &lot] {
        ensurePolylineTable();
        // The rows are anywhere in a large store: all are asked for before the first is read.
        for (const uint32_t at : lot.vertices) __builtin_prefetch(&run.pointStore.stableRow(at));
        std::vector<OvGePoint3d> vertices;
        vertices.reserve(lot.vertices.size());
        for (const uint32_t at : lot.vertices) {
          const StoredPoint& v = run.pointStore.stableRow(at);
          vertices.push_back(OvGePoint3d{v.east, v.north, v.elevation});
        }
        const OvDbObjectId id = ovdraw::create2dPolyline(std::move(vertices));
        if (id.isNull()) return;  // fewer than two vertices: nothing is made
        ovdraw::convertToLightweight(id);
        ovdraw::setPolylineLayerAndClosure(id, run.layers[kLayerLots], lot.closed);
        attachPolylineRecord(id, lot.number, lot.name, kLotType, run.fileName());
        ++run.counters.lotPolylines;
      },
      lot.vertices.size() + 1);
}

}  // namespace kestrel
