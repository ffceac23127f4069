// The layers of a GIS dataset of an import, gathered from a drawing, a civil document and a run's
// records into flat arrays: attribute values that refer to text the source holds, every vertex of
// a layer in three coordinate arrays (so a whole layer is transformed in one call), and parts that
// say which vertices make which piece of which feature.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "gis/gis_api.h"

namespace kestrel::gis {

enum class FieldKind { Integer, Real, Text };

struct FieldSpec {
  const char* name;  // ten characters at most, so that a shapefile keeps it whole
  FieldKind kind;
};

// What a layer's features are: points, line strings, polygons (one ring), or alignments (curves
// where the format carries them, else line strings).
enum class Shape { Point, LineString, Polygon, Alignment };

struct LayerSpec {
  const char* name;
  Shape shape;
  bool hasZ;
  std::vector<FieldSpec> fields;
};

// Every layer a dataset may have, in the order they are written.
KESTREL_GIS_EXPORT const std::vector<LayerSpec>& layerSpecs();

// One attribute: null, an integer, a real, or a view of text the source holds (which outlives
// the layer).
using Value = std::variant<std::monostate, std::int64_t, double, std::string_view>;

// A run of vertices: a line string or a ring, or (three vertices: start, a point on it, end) a
// circular arc.
struct Part {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
  bool arc = false;
};

struct KESTREL_GIS_EXPORT Layer {
  const LayerSpec* spec = nullptr;
  std::vector<Value> values;  // one row of spec->fields per feature, row after row
  std::vector<std::uint32_t> firstPart{0};  // feature i: parts firstPart[i] to firstPart[i + 1] - 1
  std::vector<Part> parts;
  std::vector<double> x, y, z;  // x east, y north (plane coordinates until transformed)

  std::size_t featureCount() const { return firstPart.size() - 1; }
  // Empties the layer, keeping its spec and its arrays' room.
  void clear();
  const Value& value(std::size_t feature, std::size_t field) const {
    return values[feature * spec->fields.size() + field];
  }
};

// How far an alignment's line strings may stray from its curves (metres).
inline constexpr double kChordError = 0.001;

// Takes a layer's features a batch at a time; false stops the gathering.
using TakeBatch = std::function<bool(Layer& batch)>;

// The features of layer `index` (of layerSpecs()), handed to `take` in batches of `batchSize`
// features (emptied after each), so that a large layer is never held whole. With `curves`, an
// alignment's arcs are circular arcs and the rest line strings; without, each alignment or
// element is one line string. False when `take` stopped it.
KESTREL_GIS_EXPORT bool gatherLayer(const SurveySource& source, std::size_t index, bool curves,
                                    std::size_t batchSize, const TakeBatch& take);
// Every layer with at least one feature, each whole.
KESTREL_GIS_EXPORT std::vector<Layer> gatherLayers(const SurveySource& source, bool curves);

}  // namespace kestrel::gis
