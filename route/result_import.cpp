#include "route/result_import.h"

#include <utility>

#include "civil/automation.h"
#include "drawing/object_records.h"
#include "platform/drawing/drawing_database.h"
#include "route/route_import.h"

namespace kestrel {

namespace {

double numberOf(const Fields& f, std::size_t i) {
  return sima::toNumber(sima::cleanNumberText(fieldAt(f, i)));
}

// The alignment a result block is placed on: the found route's, else the chosen one; the
// user's confirmed choice always wins.
int32_t chooseAlignment(const ImportRun& run, bool found, int32_t routeNumber) {
  if (run.chosenAlignmentFlag) return run.chosenAlignmentId;
  if (found) {
    const SimaAlignment* route = run.findRoute(routeNumber);
    return route == nullptr ? 0 : static_cast<int32_t>(route->objectId);
  }
  return run.chosenAlignmentId;
}

// The name of the alignment results go on, for the notes a host may keep; empty when unknown.
std::string placedOnName(const ImportRun& run, CivilConnection& connection, int32_t alignment) {
  if (!run.keepPlacements || !connection.connected()) return {};
  try {
    return connection.alignmentName(alignment);
  } catch (const OrvoException&) {
    return {};
  }
}

// Notes where a result point went, when the host asked for it.
void notePlacement(ImportRun& run, OvDbObjectId id, const std::string& block,
                   const std::string& alignment, double station, double offset,
                   const double* stakeHeadHeight) {
  if (!run.keepPlacements) return;
  PlacedResult placed{id.value(), block, alignment, station, offset, stakeHeadHeight != nullptr,
                      stakeHeadHeight != nullptr ? *stakeHeadHeight : 0.0};
  run.placements.push_back(std::move(placed));
}

// A section gives its points, plus a centre point when none of them lies on the centre line.
int sectionPointCount(const SubEntity& section) {
  bool onCentre = false;
  for (double offset : section.offsets) onCentre = onCentre || offset == 0.0;
  return static_cast<int>(section.offsets.size()) + (onCentre ? 0 : 1);
}

}  // namespace

bool findRouteByNumber(ImportRun& run, int32_t routeNumber) {
  const SimaAlignment* route = run.findRoute(routeNumber);
  if (route == nullptr) return false;
  const int32_t type = route->routeType;
  if (type == 2 || type == 3 || type == 7) run.counters.servedRouteType[type] = true;
  if (!run.chosenAlignmentFlag && route->objectId != 0) {
    CivilConnection connection;
    try {
      connection.connect();
      run.currentAlignmentName = connection.alignmentName(static_cast<int32_t>(route->objectId));
    } catch (const OrvoException&) {
      // The name stays as it was when the civil model cannot be reached.
    }
  }
  return true;
}

void spreadStations(GrowingArray<VerticalData>& stations, double shift) {
  const long n = static_cast<long>(stations.size());
  for (long i = 0; i < n;) {
    long k = 1;
    while (i + k < n && stations[i + k].distance == stations[i].distance) {
      stations[i + k].distance += static_cast<double>(k) * shift;
      ++k;
    }
    i += k;
  }
}

void spreadOffsets(GrowingArray<double>& offsets, GrowingArray<double>& elevations, double shift) {
  const long n = static_cast<long>(offsets.size());
  for (long i = 0; i < n;) {
    const double wall = offsets[i];
    long k = 1;
    while (i + k < n && offsets[i + k] == wall) {
      offsets[i + k] += (wall >= 0.0 ? 1.0 : -1.0) * static_cast<double>(k) * shift;
      ++k;
    }
    if (k > 1 && wall < 0.0) {
      // On the left the wall is walked outward, so its heights are read in reverse.
      for (long a = i, b = i + k - 1; a < b && b < static_cast<long>(elevations.size()); ++a, --b)
        std::swap(elevations[a], elevations[b]);
    }
    i += k;
  }
}

void readVerticalBlock(ImportRun& run, const Fields& header) {
  HSeriesData block;
  block.routeNumber = sima::toInteger(fieldAt(header, 1));
  block.blockName = std::string(sima::trim(fieldAt(header, 2)));
  block.lineNumber = run.lineCounter;
  block.found = findRouteByNumber(run, block.routeNumber);
  block.alignmentName = run.currentAlignmentName;
  run.log.logVerticalStart(run.lineCounter, run.currentAlignmentName);

  int32_t counted = 0;  // a pre-scan's stations
  bool ended = false;   // H99 was read
  ImportRun::Line line;
  while (run.nextLine(line)) {
    const Fields& f = line.fields;
    const int32_t number = run.lineCounter;
    if (run.rejects(RecordCheck::SeriesH, line)) continue;
    const std::string& code = f[0];
    if (code == "H01") {
      if (run.rejects(RecordCheck::H01, line)) continue;
      if (!run.importing()) {
        ++counted;
        continue;
      }
      VerticalData station;
      station.name = std::string(sima::trim(fieldAt(f, 1)));
      station.distance = numberOf(f, 2);
      station.groundHeight = numberOf(f, 3);
      station.stakeHeadHeight = numberOf(f, 4);
      station.kind = fieldAt(f, 5);
      station.lineNumber = number;
      station.lineText = line.text;
      block.stations.append(std::move(station));
    } else if (code == "H99") {
      run.rejects(RecordCheck::H99, line);
      run.preScanCounts.stations += counted;
      buildVerticalResult(run, block);
      ended = true;
      break;
    }
  }
  const bool success = !run.currentAlignmentName.empty();
  run.log.logVerticalEnd(run.lineCounter, success,
                         success ? static_cast<int>(block.stations.size()) : 0);
  // Past this block only its route is asked for; its stations are drawn and need not stay.
  if (ended) {
    block.stations = {};
    run.verticalSeries.append(std::move(block));
  }
}

void readCrossSectionBlock(ImportRun& run, const Fields& header) {
  IntersectionData block;
  block.routeNumber = sima::toInteger(fieldAt(header, 1));
  block.blockName = std::string(sima::trim(fieldAt(header, 2)));
  int loggedPoints = 0;
  auto logSectionCount = [&] {
    if (block.sections.empty()) return;
    const int count = sectionPointCount(block.sections.back());
    loggedPoints += count;
    run.log.logSectionPointCount(count);
  };

  int32_t counted = 0;  // a pre-scan's sections
  ImportRun::Line line;
  while (run.nextLine(line)) {
    const Fields& f = line.fields;
    const int32_t number = run.lineCounter;
    if (run.rejects(RecordCheck::SeriesI, line)) continue;
    const std::string& code = f[0];
    if (code == "I01") {
      if (run.rejects(RecordCheck::I01, line)) continue;
      if (!run.importing()) {
        ++counted;
        continue;
      }
      logSectionCount();
      SubEntity section;
      section.name = std::string(sima::trim(fieldAt(f, 1)));
      section.distance = numberOf(f, 2);
      section.centreElevation = numberOf(f, 3);
      section.fourth = numberOf(f, 4);
      section.lineNumber = number;
      section.lineText = line.text;
      block.sections.append(std::move(section));
      run.log.logSection(number, block.sections.back().name);
    } else if (code == "I02") {
      if (run.rejects(RecordCheck::I02, line)) continue;
      if (!run.importing() || block.sections.empty()) continue;
      SubEntity& section = block.sections.back();
      section.pointNames.emplace_back(sima::trim(fieldAt(f, 1)));
      section.offsets.append(numberOf(f, 2));
      section.elevations.append(numberOf(f, 3));
    } else if (code == "I99") {
      logSectionCount();
      run.rejects(RecordCheck::I99, line);
      run.preScanCounts.sections += counted;
      block.found = findRouteByNumber(run, block.routeNumber);
      buildCrossSectionResult(run, block);
      block.sections = {};  // drawn; past this block only its route is asked for
      run.crossSections.append(std::move(block));
      break;
    }
  }
  const bool success = !run.currentAlignmentName.empty();
  run.log.logCrossSectionEnd(run.lineCounter, success, success ? loggedPoints : 0);
}

void buildVerticalResult(ImportRun& run, HSeriesData block) {
  if (!run.importing() || !run.selection.isSelected(kSeriesH)) return;
  run.finishDrawing();  // after the points and lots read before, on this thread
  const int32_t alignment = chooseAlignment(run, block.found, block.routeNumber);
  ensurePointTable();
  const std::string fileName = run.fileName();
  CivilConnection connection;
  try {
    connection.connect();
  } catch (const OrvoException&) {
  }
  spreadStations(block.stations, run.shiftDistance);
  const std::string placedOn = placedOnName(run, connection, alignment);
  if (alignment == 0) run.counters.unplacedResults += static_cast<int32_t>(block.stations.size());
  for (const auto& station : block.stations) {
    double x = 0.0;
    double y = 0.0;
    if (!connection.connected() ||
        connection.pointAtDistance(alignment, station.distance, x, y) != 0) {
      run.log.addVerticalOutsideAlignment(station.lineNumber, station.lineText);
      run.raiseHighWater();
      continue;
    }
    const OvDbObjectId id = ovdraw::createPoint(run.layers[kLayerPoints], x, y, station.groundHeight);
    if (id.isNull()) continue;
    attachPointRecord(id, block.routeNumber, station.name, kVerticalResultType, fileName);
    notePlacement(run, id, block.blockName, placedOn, station.distance, 0.0,
                  &station.stakeHeadHeight);
    ++run.counters.verticalPoints;
  }
}

void buildCrossSectionResult(ImportRun& run, IntersectionData block) {
  if (!run.importing() || !run.selection.isSelected(kSeriesI)) return;
  run.finishDrawing();
  const int32_t alignment = chooseAlignment(run, block.found, block.routeNumber);
  ensurePointTable();
  const std::string fileName = run.fileName();
  const std::string& layer = run.layers[kLayerPoints];
  CivilConnection connection;
  try {
    connection.connect();
  } catch (const OrvoException&) {
  }
  const std::string placedOn = placedOnName(run, connection, alignment);
  auto drawPoint = [&](double x, double y, double z, const std::string& name,
                       const SubEntity& section, double offset) {
    const OvDbObjectId id = ovdraw::createPoint(layer, x, y, z);
    if (id.isNull()) return;
    attachPointRecord(id, block.routeNumber, name, kSectionResultType, fileName);
    // The section's stake-head height belongs to its centre.
    notePlacement(run, id, block.blockName, placedOn, section.distance, offset,
                  offset == 0.0 ? &section.fourth : nullptr);
    ++run.counters.sectionPoints;
  };
  if (alignment == 0) run.counters.unplacedResults += static_cast<int32_t>(block.sections.size());
  for (auto& section : block.sections) {
    double centreX = 0.0;
    double centreY = 0.0;
    if (!connection.connected() ||
        connection.pointAtDistance(alignment, section.distance, centreX, centreY) != 0) {
      run.log.addSectionOutsideAlignment(section.lineNumber, section.lineText);
      run.raiseHighWater();
      continue;
    }
    spreadOffsets(section.offsets, section.elevations, run.shiftDistance);
    bool onCentre = false;
    for (long j = 0; j < static_cast<long>(section.offsets.size()); ++j) {
      double x = 0.0;
      double y = 0.0;
      const double offset = section.offsets[j];
      if (connection.pointAtDistanceOffset(alignment, section.distance, offset, x, y) != 0) continue;
      if (offset == 0.0) onCentre = true;
      const std::string& pointName = section.pointNames[static_cast<std::size_t>(j)];
      drawPoint(x, y, section.elevations[j], pointName.empty() ? section.name : pointName, section,
                offset);
    }
    if (!onCentre) drawPoint(centreX, centreY, section.centreElevation, section.name, section, 0.0);
  }
}

}  // namespace kestrel
