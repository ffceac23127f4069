#include "sima_export/alignment_source.h"

#include <cmath>
#include <map>
#include <numbers>

#include "sima_export/point_index.h"
#include "sima_export/sima_writer.h"

namespace kestrel::sima_export {

namespace {

using ovcivil::AlignmentEntity;
using ovcivil::EntityKind;
using ovcivil::PlanPoint;

constexpr double kSameSpot = 1e-7;        // a point this near a boundary is that boundary
constexpr double kJoinTolerance = 0.001;  // elements that far apart still join
constexpr double kShortest = 1e-9;        // shorter elements are none (the import drops them)
constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kLargestSweep = 170.0 * kDegree;

// One element as the route writes it: an entity, or an equal part of a wide arc.
struct Piece {
  const AlignmentEntity* entity = nullptr;
  std::size_t element = 0;  // 1-based position in the alignment
  PlanPoint start;
  PlanPoint end;
  double length = 0.0;
};

const char* kindName(EntityKind kind) {
  switch (kind) {
    case EntityKind::Line:
      return "straight";
    case EntityKind::Curve:
      return "arc";
    case EntityKind::Spiral:
      return "spiral";
  }
  return "";
}

double curvatureSize(double radius) {
  return std::isinf(radius) ? 0.0 : 1.0 / radius;
}

double distance(PlanPoint a, PlanPoint b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// Names route points by their place on the alignment (see the header).
class PointNames {
 public:
  std::string at(const Piece& before, const Piece& after) {
    const EntityKind b = before.entity->kind, a = after.entity->kind;
    if (b == EntityKind::Line) {
      beginCurve();
      if (a == EntityKind::Line) return "IP" + std::to_string(curve_);
      if (a == EntityKind::Curve) return "BC" + std::to_string(curve_);
      return counted("KA");
    }
    if (a == EntityKind::Line) {
      if (curve_ == 0) beginCurve();
      return b == EntityKind::Curve ? "EC" + std::to_string(curve_) : counted("KA");
    }
    if (curve_ == 0) beginCurve();
    if (b == EntityKind::Curve && a == EntityKind::Curve)
      return counted(before.entity == after.entity ? "SP" : "CC");
    if (b == EntityKind::Spiral && a == EntityKind::Spiral &&
        std::isinf(before.entity->endRadius) && std::isinf(after.entity->startRadius)) {
      std::string name = counted("KA");  // an inflection: this curve ends, the next begins here
      beginCurve();
      ++counts_["KA"];
      return name;
    }
    return counted("KE");
  }
  // A curve that starts with the alignment.
  void startsWithCurve() { beginCurve(); }

 private:
  void beginCurve() {
    ++curve_;
    counts_.clear();
  }
  std::string counted(const char* name) {
    return name + std::to_string(curve_) + "-" + std::to_string(++counts_[name]);
  }
  int curve_ = 0;
  std::map<std::string, int> counts_;
};

// The pieces of an alignment; false, with the refusal in findings, when it cannot be a route.
bool piecesOf(const ovcivil::Alignment& alignment, std::vector<Piece>& pieces, Findings& findings) {
  for (std::size_t i = 0; i < alignment.entities.size(); ++i) {
    const AlignmentEntity& entity = alignment.entities[i];
    const std::string element = std::to_string(i + 1);
    if (entity.kind == EntityKind::Spiral && !entity.spiralType.empty()) {
      findings.refuse(Finding::SpiralOfType, {alignment.name, element, entity.spiralType});
      return false;
    }
    if (entity.kind == EntityKind::Spiral &&
        curvatureSize(entity.startRadius) == curvatureSize(entity.endRadius)) {
      findings.refuse(Finding::SpiralOfOneRadius, {alignment.name, element});
      return false;
    }
    if (!(entity.length > kShortest)) continue;
    if (!pieces.empty()) {
      const double gap = distance(pieces.back().end, entity.start);
      if (gap > kJoinTolerance) {
        findings.refuse(Finding::ElementsDoNotJoin,
                        {alignment.name, element, kindName(entity.kind), numberText(gap, 3),
                         std::to_string(pieces.back().element)});
        return false;
      }
    }
    const double sweep = entity.kind == EntityKind::Curve ? entity.length / entity.radius : 0.0;
    const int parts =
        sweep > kLargestSweep ? static_cast<int>(std::ceil(sweep / kLargestSweep)) : 1;
    for (int part = 0; part < parts; ++part) {
      Piece piece{&entity, i + 1, entity.start, entity.end, entity.length / parts};
      double direction = 0.0;
      if (part > 0) entity.evaluate(entity.length * part / parts, piece.start, direction);
      if (part + 1 < parts)
        entity.evaluate(entity.length * (part + 1) / parts, piece.end, direction);
      pieces.push_back(piece);
    }
  }
  return true;
}

// The clothoid A of a spiral: its length is A²·|1/Rs − 1/Re|.
double clothoidParameter(const AlignmentEntity& spiral) {
  return std::sqrt(spiral.length /
                   std::abs(curvatureSize(spiral.endRadius) - curvatureSize(spiral.startRadius)));
}

double signedRadius(double radius, bool turnsLeft) {
  if (std::isinf(radius)) return 0.0;
  return turnsLeft ? -radius : radius;
}

void addRoute(const ovcivil::Alignment& alignment, SimaData& data, PointIndex& index,
              Findings& findings) {
  std::vector<Piece> pieces;
  if (!piecesOf(alignment, pieces, findings)) return;
  if (pieces.empty()) {
    findings.warn(Finding::AlignmentEmpty, {alignment.name});
    return;
  }
  Route route;
  route.number = static_cast<int32_t>(data.routes.size()) + 1;
  route.name = alignment.name;
  route.startStation = alignment.startingStation;
  PointNames names;
  if (pieces.front().entity->kind != EntityKind::Line) names.startsWithCurve();
  double station = alignment.startingStation;
  for (std::size_t i = 0; i <= pieces.size(); ++i) {
    const PlanPoint at = i < pieces.size() ? pieces[i].start : pieces.back().end;
    std::string name = i == 0               ? "BP"
                       : i == pieces.size() ? "EP"
                                            : names.at(pieces[i - 1], pieces[i]);
    if (i > 0 && i < pieces.size() && pieces[i - 1].entity->kind == EntityKind::Line &&
        pieces[i].entity->kind == EntityKind::Line) {
      const double turn =
          std::remainder(pieces[i].entity->startDirection - pieces[i - 1].entity->startDirection,
                         2.0 * std::numbers::pi);
      if (std::abs(turn) <= kDegree)
        findings.warn(Finding::StraightsJoined, {alignment.name, name});
    }
    RoutePoint point;
    point.station = station;
    const std::ptrdiff_t near = index.nearest(at.y, at.x, kSameSpot);
    if (near >= 0) {
      point.point = data.points[static_cast<std::size_t>(near)].number;
    } else {
      if (!index.takeNumber(point.point)) {
        findings.refuse(Finding::NoPointNumberLeft);
        return;
      }
      index.add({point.point, std::move(name), at.y, at.x, std::nullopt});
      ++findings.pointsAdded;
    }
    if (i < pieces.size()) {
      const AlignmentEntity& entity = *pieces[i].entity;
      if (entity.kind == EntityKind::Curve) {
        point.curve = Curve::Arc;
        point.radius = signedRadius(entity.radius, entity.turnsLeft);
      } else if (entity.kind == EntityKind::Spiral) {
        point.curve = Curve::Clothoid;
        point.parameter = clothoidParameter(entity);
        point.startRadius = signedRadius(entity.startRadius, entity.turnsLeft);
        point.endRadius = signedRadius(entity.endRadius, entity.turnsLeft);
      }
      station += pieces[i].length;
    }
    route.points.push_back(point);
  }
  data.routes.push_back(std::move(route));
}

}  // namespace

void addAlignments(const ovcivil::CivilDocument& civil, SimaData& data, Findings& findings) {
  PointIndex index(data);
  for (const ovcivil::Site& site : civil.sites())
    for (const ovcivil::Alignment& alignment : site.alignments) {
      addRoute(alignment, data, index, findings);
      if (findings.refusal) return;
    }
}

}  // namespace kestrel::sima_export
