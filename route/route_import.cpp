#include "route/route_import.h"

#include <vector>

#include "civil/alignment_builder.h"
#include "drawing/object_records.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel {

std::string routeTypeName(int32_t routeType) {
  switch (routeType) {
    case 1: return "IP線";
    case 2: return "Type 2";
    case 3: return "Type 3";
    case 4: return "幅杭線左";
    case 5: return "幅杭線右";
    case 6: return "連続線";
    case 7: return "Type 7";
    default: return "";
  }
}

bool routeTypeCarriesCurves(int32_t routeType) {
  return routeType == 2 || routeType == 3 || routeType == 7;
}

namespace {

bool isStraightOnlyType(int32_t routeType) {
  return routeType == 1 || routeType == 4 || routeType == 5 || routeType == 6;
}

// Every route point closes the open element and opens the next straight.
void addRoutePoint(ImportRun& run, const StoredPoint& point) {
  if (!run.routeElements.empty()) {
    EntityData& last = run.routeElements.back();
    last.EndPointX = sima::formatFixed12(point.east);
    last.EndPointY = sima::formatFixed12(point.north);
    last.EndElevation = point.elevation;
  }
  EntityData element;
  element.Type = "S";
  element.StartPointX = sima::formatFixed12(point.east);
  element.StartPointY = sima::formatFixed12(point.north);
  element.StartElevation = point.elevation;
  element.Pitch = 100.0;
  run.routeElements.append(std::move(element));
}

// C01: the element the latest route point opened becomes an arc.
void makeArc(ImportRun& run, const Fields& f) {
  if (run.routeElements.empty()) return;
  EntityData& last = run.routeElements.back();
  last.Type = "R";
  last.Radius = fieldAt(f, 2);
  last.Rotation = sima::toNumber(fieldAt(f, 2)) < 0.0 ? "L" : "R";
}

// C02: the element the latest route point opened becomes a clothoid.
void makeClothoid(ImportRun& run, const Fields& f) {
  if (run.routeElements.empty()) return;
  EntityData& last = run.routeElements.back();
  last.Type = "A";
  last.ParameterA = sima::cleanNumberText(fieldAt(f, 1));
  last.RadiusStart = sima::cleanNumberText(fieldAt(f, 2));
  last.RadiusEnd = sima::cleanNumberText(fieldAt(f, 3));
  const bool left = sima::toNumber(last.RadiusStart) < 0.0 || sima::toNumber(last.RadiusEnd) < 0.0;
  last.Rotation = left ? "L" : "R";
}

// Skips an element block that follows a curve line, up to and including its C99.
void skipElementBlock(ImportRun& run) {
  ImportRun::Line line;
  while (run.nextLine(line))
    if (line.fields[0] == "C99") return;
}

}  // namespace

int readRouteSection(ImportRun& run, double& startStation) {
  startStation = 0.0;
  bool failed = false;
  bool curveSeen = false;
  ImportRun::Line line;
  while (run.nextLine(line)) {
    const Fields& f = line.fields;
    if (run.rejects(RecordCheck::SeriesF, line)) continue;
    const std::string& code = f[0];
    if (failed && code == "F99") return -1;
    if (curveSeen) {
      curveSeen = false;
      if (code == "C00") {
        skipElementBlock(run);
        continue;
      }
    }
    if (code == "F03") {
      startStation = sima::toNumber(fieldAt(f, 1));
    } else if (code == "B01") {
      if (run.rejects(RecordCheck::B01, line)) continue;
      if (f.size() < 3) continue;
      if (!run.importing()) {  // a pre-scan only asks whether the point exists
        failed = !run.pointStore.contains(sima::toInteger(f[1]));
        continue;
      }
      try {
        addRoutePoint(run, run.pointStore.row(run.lookupPoint(sima::toInteger(f[1]))));
      } catch (const OrvoException&) {
        run.log.addPointNotFound(run.lineCounter, line.text);
        run.raiseHighWater();
        failed = true;
      }
    } else if (code == "B03") {
      run.rejects(RecordCheck::B03, line);
    } else if (code == "C01" || code == "C02") {
      curveSeen = true;
      if (isStraightOnlyType(run.routeType)) {
        run.log.addCurveInStraightRoute(run.lineCounter, line.text);
        run.raiseHighWater();
        continue;
      }
      const bool arc = code == "C01";
      if (run.rejects(arc ? RecordCheck::C01 : RecordCheck::C02, line)) continue;
      if (arc)
        makeArc(run, f);
      else
        makeClothoid(run, f);
    } else if (code == "C03") {
      curveSeen = true;
      run.rejects(RecordCheck::C03, line);
    } else if (code == "F99") {
      return 0;
    }
  }
  return 0;
}

void importRoute(ImportRun& run, const Fields& header) {
  // Start route: a header too short keeps the previous header's values.
  if (header.size() >= 5) {
    run.routeNumberText = header[1];
    run.groupText = header[2];
    run.routeName = std::string(sima::trim(header[3]));
    run.routeType = sima::toInteger(header[4]);
  }
  if (run.routeType >= 1 && run.routeType <= 7) ++run.counters.routesPerType[run.routeType];
  SimaAlignment route;
  route.routeType = run.routeType;
  route.routeName = run.routeName;
  route.routeNumber = sima::toInteger(run.routeNumberText);

  double startStation = 0.0;
  const int result = readRouteSection(run, startStation);
  if (result == 0) {
    route.startStation = startStation;
    route.elements = run.routeElements;
    route.routeTitle = run.fileTitle + "-" + run.routeName;
    route.objectId = buildRoute(run, route);
    run.addRoute(route);
  }
  const int count = result == 0 ? static_cast<int>(run.routeElements.size()) : 0;
  run.log.logRouteEnd(run.lineCounter, result == 0, run.routeType, count, run.routeName);
  run.routeElements.clear();
}

uint32_t buildRoute(ImportRun& run, const SimaAlignment& route) {
  if (!run.importing() || !run.selection.routeTypeSelected(route.routeType)) return 0;
  if (isStraightOnlyType(route.routeType)) {
    drawRoutePolyline(run, route);
    return 0;
  }
  return buildAlignment(run, route);  // types 2, 3 and 7
}

void drawRoutePolyline(ImportRun& run, const SimaAlignment& route) {
  run.finishDrawing();  // after the points and lots read before, on this thread
  ensurePolylineTable();
  const std::string fileName = run.fileName();
  GrowingArray<EntityData> elements = route.elements;
  if (elements.empty()) return;
  elements.removeLast();  // the open element the last route point started
  if (elements.empty()) return;  // a single route point draws nothing
  std::vector<OvGePoint3d> vertices;
  vertices.reserve(elements.size() + 1);
  for (const auto& e : elements)
    vertices.push_back(
        OvGePoint3d{sima::toNumber(e.StartPointX), sima::toNumber(e.StartPointY), e.StartElevation});
  const EntityData& last = elements.back();
  vertices.push_back(
      OvGePoint3d{sima::toNumber(last.EndPointX), sima::toNumber(last.EndPointY), last.EndElevation});
  const OvDbObjectId id = ovdraw::create2dPolyline(std::move(vertices));
  if (id.isNull()) return;
  ovdraw::convertToLightweight(id);
  const int layer = route.routeType == 1   ? kLayerIpLines
                    : route.routeType == 6 ? kLayerContinuous
                                           : kLayerWidthStakes;
  ovdraw::setPolylineLayerAndClosure(id, run.layers[layer], false);
  attachPolylineRecord(id, route.routeNumber, route.routeName, routeTypeName(route.routeType),
                       fileName);
  ++run.counters.routePolylines;
  ++run.counters.routePolylinesPerType[route.routeType];
}

}  // namespace kestrel
