#include "platform/dxf/dxf_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string_view>

namespace {

// An arc covers its end points and every axis extreme its counter-clockwise sweep passes.
void addArc(DxfExtents& extents, const OvDbArc& arc) {
  const double x = arc.center.x;
  const double y = arc.center.y;
  const double r = arc.radius;
  const double turn = 2.0 * std::numbers::pi;
  double start = std::fmod(arc.startAngle, turn);
  if (start < 0.0) start += turn;
  double sweep = std::fmod(arc.endAngle - arc.startAngle, turn);
  if (sweep <= 0.0) sweep += turn;
  extents.add(x + r * std::cos(start), y + r * std::sin(start), arc.center.z);
  extents.add(x + r * std::cos(start + sweep), y + r * std::sin(start + sweep), arc.center.z);
  const double extremes[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
  for (int quarter = 0; quarter < 8; ++quarter) {
    const double angle = quarter * std::numbers::pi / 2.0;
    if (angle > start && angle < start + sweep) {
      const auto& e = extremes[quarter % 4];
      extents.add(x + r * e[0], y + r * e[1], arc.center.z);
    }
  }
}

// 1, 2 or 5 times a power of ten, the nearest at or below value.
double roundDown125(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  const double leading = value / power;
  return power * (leading >= 5.0 ? 5.0 : leading >= 2.0 ? 2.0 : 1.0);
}

// Colours that read on a white and on a black background, told apart at a glance.
constexpr int kLayerPalette[] = {1, 5, 3, 6, 30, 4, 140, 200, 94, 2, 12, 172, 52, 230, 110, 32};
constexpr int kPaletteSize = static_cast<int>(std::size(kLayerPalette));

// FNV-1a over the name's bytes: the same on every build, unlike std::hash.
std::uint32_t nameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

DxfExtents drawingExtents(const OvDbDatabase& database, const DxfExtents& known) {
  DxfExtents extents = known;
  for (std::size_t i = 0; i < database.entityCount(); ++i) {
    const OvDbStoredEntity entity = database.storedEntity(i);
    switch (entity.kind) {
      case OvDbEntityKind::Point:
        extents.add(entity.position.x, entity.position.y, entity.position.z);
        break;
      case OvDbEntityKind::Polyline2d:
        for (const auto& vertex : entity.simpleVertices) extents.add(vertex.x, vertex.y, 0.0);
        break;
      case OvDbEntityKind::Polyline:
        for (const auto& vertex : entity.vertices)
          extents.add(vertex.x, vertex.y, entity.elevation);
        break;
      case OvDbEntityKind::Line: {
        const auto& line = static_cast<const OvDbLine&>(*entity.object);
        extents.add(line.start.x, line.start.y, line.start.z);
        extents.add(line.end.x, line.end.y, line.end.z);
        break;
      }
      case OvDbEntityKind::Arc:
        addArc(extents, static_cast<const OvDbArc&>(*entity.object));
        break;
      case OvDbEntityKind::Raw:
        break;  // in `known`, as far as the file that held it told
    }
  }
  return extents;
}

DxfView viewOf(const DxfExtents& extents) {
  if (extents.empty()) return {};
  constexpr double kMargin = 1.05;
  constexpr double kLandscape = 4.0 / 3.0;  // the narrowest window the view is made to fit
  const double width = extents.max[0] - extents.min[0];
  const double height = extents.max[1] - extents.min[1];
  DxfView view;
  view.centreX = (extents.min[0] + extents.max[0]) / 2.0;
  view.centreY = (extents.min[1] + extents.max[1]) / 2.0;
  view.height = std::max(height, width / kLandscape) * kMargin;
  if (!(view.height > 0.0)) view.height = 1.0;  // a single point
  view.aspect = std::max(width * kMargin / view.height, 1e-6);
  return view;
}

double pointMarkSize(const DxfExtents& extents) {
  if (extents.empty()) return 1.0;
  const double side =
      std::max(extents.max[0] - extents.min[0], extents.max[1] - extents.min[1]);
  if (!(side > 0.0)) return 1.0;
  return roundDown125(side / 200.0);
}

std::vector<int> dxfLayerColours(const std::vector<OvDbSymbolRecord>& layers,
                                 const std::vector<int>& taken) {
  bool used[256] = {};
  for (const int colour : taken)
    if (colour > 0 && colour < 256) used[colour] = true;
  std::vector<int> colours(layers.size(), 0);
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (!layers[i].nameInFile.empty()) continue;
    if (layers[i].name == "0") {
      colours[i] = 7;
      continue;
    }
    const int first = static_cast<int>(nameHash(layers[i].name) % kPaletteSize);
    int colour = kLayerPalette[first];
    for (int step = 0; step < kPaletteSize; ++step) {
      const int candidate = kLayerPalette[(first + step) % kPaletteSize];
      if (!used[candidate]) {
        colour = candidate;
        break;
      }
    }
    used[colour] = true;
    colours[i] = colour;
  }
  return colours;
}
