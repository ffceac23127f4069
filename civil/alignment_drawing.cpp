#include "civil/alignment_drawing.h"

#include <algorithm>
#include <cmath>

#include "civil/alignment_builder.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel {

namespace {
// How far a spiral's polyline may stray from the curve (metres).
constexpr double kSpiralChordError = 0.001;
}  // namespace

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
        for (const auto& point : entity.polylinePoints(kSpiralChordError))
          vertices.push_back(OvGePoint3d{point.x, point.y, 0.0});
        id = ovdraw::createPolyline(layer, vertices, false);
        break;
      }
    }
    if (id.isValid()) ovdraw::attachXData(id, kAlignmentXDataApplication, {alignment.name});
  }
}

}  // namespace kestrel
