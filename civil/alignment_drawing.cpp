#include "civil/alignment_drawing.h"

#include <algorithm>
#include <cmath>

#include "civil/alignment_builder.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel {

std::vector<ovcivil::PlanPoint> spiralPolylinePoints(const ovcivil::AlignmentEntity& spiral,
                                                     double chordError) {
  // A chord of length h on a curve of curvature at most k rises at most k·h²/8 above it. Along a
  // clothoid |k| changes linearly, so each step takes the largest h with
  // h²·(k_here + growth·h) = 8·chordError, found by Newton's method from above.
  const double startSize = std::abs(spiral.startCurvature);
  const double endSize = std::abs(spiral.endCurvature);
  const double growth = (endSize - startSize) / spiral.length;  // d|k|/ds
  const double target = 8.0 * chordError;
  // The model admits no spiral winding round more than once; the cap is a guard only.
  constexpr std::size_t kMostPoints = 1000000;
  std::vector<double> alongs{0.0};
  double along = 0.0;
  double previousStep = spiral.length;
  while (along < spiral.length && alongs.size() < kMostPoints) {
    const double here = startSize + growth * along;
    double step = spiral.length - along;
    if (growth > 0.0 && alongs.size() == 1) {
      // The first step: Newton's method from an upper bound, monotonically down to the root.
      step = std::min(step, std::cbrt(target / growth));
      if (here > 0.0) step = std::min(step, std::sqrt(target / here));
      for (int i = 0; i < 8; ++i) {
        const double f = here * step * step + growth * step * step * step - target;
        if (f <= 0.0) break;
        step -= f / (2.0 * here * step + 3.0 * growth * step * step);
      }
    } else if (growth > 0.0) {
      // Steps shrink as |k| grows: bounding |k| by its value one previous step ahead is safe.
      step = std::min({step, previousStep, std::sqrt(target / (here + growth * previousStep))});
    } else if (here > 0.0) {
      step = std::min(step, std::sqrt(target / here));
    }
    step = std::max(step, 1e-6);
    previousStep = step;
    along = std::min(spiral.length, along + step);
    alongs.push_back(along);
  }
  return spiral.samplePoints(alongs);
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
