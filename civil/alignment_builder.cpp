#include "civil/alignment_builder.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "civil/alignment_drawing.h"
#include "civil/automation.h"
#include "kestrel/geometry.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/host_geometry.h"
#include "sima/field_kinds.h"

namespace kestrel {

namespace {

constexpr double kOneDegree = std::numbers::pi / 180.0;
constexpr double kLeadInLength = 100.0;
constexpr double kTangentProbe = 10.0;
constexpr int kSpiralKind = 1;

std::string formatCoordinate(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.12f", value);
  return text;
}

OvGePoint3d startPoint(const EntityData& e) {
  return {sima::toNumber(e.StartPointX), sima::toNumber(e.StartPointY), e.StartElevation};
}

OvGePoint3d endPoint(const EntityData& e) {
  return {sima::toNumber(e.EndPointX), sima::toNumber(e.EndPointY), e.EndElevation};
}

bool turnsLeft(const EntityData& e) { return e.Rotation == "L"; }

// A radius text as the civil model takes it: its absolute value, 0 standing for infinity.
double civilRadius(const std::string& text) {
  const double radius = std::abs(sima::toNumber(text));
  return radius == 0.0 ? std::numeric_limits<double>::infinity() : radius;
}

// The flat x, y, 0 arrays the civil model is handed.
struct CivilPoint {
  double xyz[3];
};

CivilPoint civilStart(const EntityData& e) {
  return {{sima::toNumber(e.StartPointX), sima::toNumber(e.StartPointY), 0.0}};
}

CivilPoint civilEnd(const EntityData& e) {
  return {{sima::toNumber(e.EndPointX), sima::toNumber(e.EndPointY), 0.0}};
}

// After an arc or a spiral the next element starts where the civil model ended it.
void chainNext(GrowingArray<EntityData>& elements, long index, const double end[3]) {
  if (index + 1 >= static_cast<long>(elements.size())) return;
  EntityData& next = elements[index + 1];
  next.StartPointX = formatCoordinate(end[0]);
  next.StartPointY = formatCoordinate(end[1]);
  if (next.Type == "A") computeTangentIntersection(next);
}

// Adds the entities of the cleaned elements in order; a civil error ends the adding.
void addEntities(CivilConnection& connection, int32_t alignmentId,
                 GrowingArray<EntityData>& elements) {
  try {
    for (long i = 0; i < static_cast<long>(elements.size()); ++i) {
      EntityData& element = elements[i];
      const CivilPoint start = civilStart(element);
      const CivilPoint end = civilEnd(element);
      if (element.Type == "S") {
        element.entityId =
            static_cast<uint32_t>(connection.addFixedLine(alignmentId, start.xyz, end.xyz).objectId);
      } else if (element.Type == "R") {
        const auto made = connection.addFixedCurve(alignmentId, start.xyz, end.xyz,
                                                   std::abs(sima::toNumber(element.Radius)),
                                                   turnsLeft(element));
        element.entityId = static_cast<uint32_t>(made.objectId);
        chainNext(elements, i, made.end);
      } else if (element.Type == "A") {
        int32_t before = i > 0 ? static_cast<int32_t>(elements[i - 1].entityId) : 0;
        if (i == 0) {
          // A leading spiral needs an entity before it: a straight running into its start.
          const OvGePoint3d origin = startPoint(element);
          const OvGePoint3d tangent{element.TangentIntersection[0], element.TangentIntersection[1],
                                     element.TangentIntersection[2]};
          const OvGePoint3d away = ovge::pointAtDistanceAndAngle(
              origin, kLeadInLength, ovge::angleOfLine(tangent, origin));
          const double leadStart[3] = {away.x, away.y, 0.0};
          before = connection.addFixedLine(alignmentId, leadStart, start.xyz).objectId;
        }
        const auto made = connection.addFixedSpiral(
            alignmentId, before, start.xyz, element.TangentIntersection,
            civilRadius(element.RadiusStart), civilRadius(element.RadiusEnd),
            spiralLength(element), turnsLeft(element), kSpiralKind);
        element.entityId = static_cast<uint32_t>(made.objectId);
        chainNext(elements, i, made.end);
      }
    }
  } catch (const OrvoException&) {
    // The alignment keeps the entities added so far.
  }
}

}  // namespace

double spiralLength(const EntityData& element) {
  const double a = sima::toNumber(element.ParameterA);
  const double startRadius = std::abs(sima::toNumber(element.RadiusStart));
  const double endRadius = std::abs(sima::toNumber(element.RadiusEnd));
  const double l1 = startRadius == 0.0 ? 0.0 : a * a / startRadius;
  const double l2 = endRadius == 0.0 ? 0.0 : a * a / endRadius;
  return std::abs(l2 - l1);
}

void computeTangentIntersection(EntityData& element) {
  Calelm record{};
  record.kind = CALELM_CLOTHOID;
  const OvGePoint3d start = startPoint(element);
  const OvGePoint3d end = endPoint(element);
  record.startX = start.x;
  record.startY = start.y;
  record.endX = end.x;
  record.endY = end.y;
  // The record is filled with drawing x and y where the library expects north and east: in that
  // mirrored frame a left turn on the map has the library's right-turn sign, −1.
  record.turnSign = turnsLeft(element) ? -1.0 : 1.0;
  record.parameter = sima::toNumber(element.ParameterA);
  record.startRadius = std::abs(sima::toNumber(element.RadiusStart));
  record.endRadius = std::abs(sima::toNumber(element.RadiusEnd));
  record.length = spiralLength(element);
  (void)ali_makA(&record);
  // The library's angles in the drawing's x/y order are directions from the x axis.
  const OvGePoint3d start0{start.x, start.y, 0.0};
  const OvGePoint3d end0{end.x, end.y, 0.0};
  const OvGePoint3d startProbe = ovge::pointAtDistanceAndAngle(start0, kTangentProbe, record.startAngle);
  const OvGePoint3d endProbe =
      ovge::pointAtDistanceAndAngle(end0, kTangentProbe, record.endAngle + std::numbers::pi);
  OvGePoint3d meet;
  if (!ovge::intersectUnboundedLines(start0, startProbe, end0, endProbe, meet)) meet = {};
  element.TangentIntersection[0] = meet.x;
  element.TangentIntersection[1] = meet.y;
  element.TangentIntersection[2] = meet.z;
}

GrowingArray<EntityData> cleanedElements(const GrowingArray<EntityData>& source) {
  // One pass that keeps what stays, in order, rather than erasing from the middle of the array:
  // a route through thousands of repeated or collinear points costs linear time, not quadratic.
  GrowingArray<EntityData> elements;
  const long count = static_cast<long>(source.size()) - 1;  // the open last element is dropped
  elements.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
  for (long i = 0; i < count; ++i) {
    const EntityData& next = source[i];
    if (ovge::isEqualTo(startPoint(next), endPoint(next))) continue;  // of no length
    if (!elements.empty()) {
      // A straight that runs on within a degree of the straight before it lengthens that one.
      EntityData& last = elements.back();
      if (last.Type == "S" && next.Type == "S") {
        const double angleLast = ovge::angleOfLine(startPoint(last), endPoint(last));
        const double angleNext = ovge::angleOfLine(startPoint(next), endPoint(next));
        if (angleNext - kOneDegree <= angleLast && angleNext + kOneDegree >= angleLast) {
          last.EndPointX = next.EndPointX;
          last.EndPointY = next.EndPointY;
          last.EndElevation = next.EndElevation;
          continue;
        }
      }
    }
    elements.append(next);
  }
  return elements;
}

uint32_t buildAlignment(ImportRun& run, const SimaAlignment& route) {
  // A route of fewer than two points has no line to follow: like a route polyline it makes
  // nothing and counts nothing.
  if (route.elements.size() < 2) return 0;
  run.finishDrawing();  // the alignment is drawn after the points and lots read before
  GrowingArray<EntityData> elements = cleanedElements(route.elements);
  int32_t alignmentId = 0;
  int32_t returnedId = 0;
  CivilConnection connection;
  try {
    connection.connect();
    connection.requireSite(run.siteName);
    const std::string style = connection.alignmentStyleName(0);
    const std::string labelStyle = connection.labelStyleName(0);
    alignmentId = connection.addAlignment(run.siteName, route.routeName, ovdraw::currentLayerName(),
                                          style, labelStyle);
    connection.setDescription(alignmentId, route.routeTitle);
    for (auto& element : elements)
      if (element.Type == "A") computeTangentIntersection(element);
    addEntities(connection, alignmentId, elements);
    if (!elements.empty() && elements[0].Type == "A") connection.removeEntityAt(alignmentId, 0);
    connection.setStartingStation(alignmentId, route.startStation);
    returnedId = alignmentId;
    connection.setLabelStyle(alignmentId, labelStyle);
    connection.setStyle(alignmentId, style);
  } catch (const OrvoException&) {
    // Civil errors are not reported; the id read back so far is the result.
  }
  if (returnedId != 0) {
    if (const auto* made = connection.document().findAlignment(returnedId)) drawAlignment(*made);
  }
  connection.release();
  if (returnedId == 0) return 0;
  run.names.push_back(route.routeName);
  ++run.counters.alignments;
  if (route.routeType >= 1 && route.routeType <= 7) ++run.counters.alignmentsPerType[route.routeType];
  return static_cast<uint32_t>(returnedId);
}

std::string alignmentNameOf(int32_t objectId) {
  CivilConnection connection;
  try {
    connection.connect();
    return connection.alignmentName(objectId);
  } catch (const OrvoException&) {
    return {};
  }
}

}  // namespace kestrel
