#include "civil/alignment_drawing.h"

#include <algorithm>
#include <cmath>

#include "civil/alignment_builder.h"
#include "platform/drawing_database.h"

namespace kestrel {

std::vector<ovcivil::PlanPoint> spiralPolylinePoints(const ovcivil::AlignmentEntity& spiral,
                                                     double chordError) {
  // A chord of length h on a curve of curvature k rises k·h²/8 above it; the largest curvature
  // of the spiral bounds the step.
  const double curvature = std::max(std::abs(spiral.startCurvature), std::abs(spiral.endCurvature));
  const double step = curvature > 0.0 ? std::sqrt(8.0 * chordError / curvature) : spiral.length;
  // The model admits no spiral winding round more than once, so the count stays bounded; the
  // cap is a guard only.
  const auto pieces = static_cast<std::size_t>(
      std::clamp(std::ceil(spiral.length / std::max(step, 1e-6)), 1.0, 1e6));
  std::vector<ovcivil::PlanPoint> points;
  points.reserve(pieces + 1);
  for (std::size_t i = 0; i <= pieces; ++i) {
    ovcivil::PlanPoint point;
    double direction = 0.0;
    spiral.evaluate(spiral.length * static_cast<double>(i) / static_cast<double>(pieces), point,
                    direction);
    points.push_back(point);
  }
  return points;
}

void drawAlignment(const ovcivil::Alignment& alignment) {
  const std::string layer = ovdraw::currentLayerName();
  for (const auto& entity : alignment.entities) {
    OvDbObjectId id;
    switch (entity.kind) {
      case ovcivil::EntityKind::Line:
        id = ovdraw::createLine(layer, entity.start.x, entity.start.y, entity.end.x, entity.end.y);
        break;
      case ovcivil::EntityKind::Curve: {
        // DXF arcs run counter-clockwise: a right-hand curve is drawn from its end.
        const double startPolar =
            std::atan2(entity.start.y - entity.centre.y, entity.start.x - entity.centre.x);
        const double endPolar =
            std::atan2(entity.end.y - entity.centre.y, entity.end.x - entity.centre.x);
        id = entity.turnsLeft ? ovdraw::createArc(layer, entity.centre.x, entity.centre.y,
                                                  entity.radius, startPolar, endPolar)
                              : ovdraw::createArc(layer, entity.centre.x, entity.centre.y,
                                                  entity.radius, endPolar, startPolar);
        break;
      }
      case ovcivil::EntityKind::Spiral: {
        std::vector<OvGePoint3d> vertices;
        for (const auto& point : spiralPolylinePoints(entity))
          vertices.push_back(OvGePoint3d{point.x, point.y, 0.0});
        id = ovdraw::createPolyline(layer, vertices, false);
        break;
      }
    }
    if (id.isValid()) ovdraw::attachXData(id, kAlignmentXDataApplication, {alignment.name});
  }
}

}  // namespace kestrel
