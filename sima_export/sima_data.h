// What a SIMA file written by Kestrel holds: coordinate points, lots that refer to them by number
// and routes of points with the curve that starts at each. The sources (a drawing, a civil
// document, GIS features) fill it; the writer lays it out as A, D and F series.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::sima_export {

struct Point {
  int32_t number = 0;
  std::string name;
  double north = 0.0;  // SIMA X
  double east = 0.0;   // SIMA Y
  std::optional<double> elevation;
};

struct Lot {
  int32_t number = 0;
  std::string name;
  bool closed = true;
  std::vector<int32_t> vertices;  // point numbers, in boundary order
};

enum class Curve : uint8_t { None, Arc, Clothoid };

// A route point and the element that starts at it (a straight unless a curve is named).
struct RoutePoint {
  int32_t point = 0;
  double station = 0.0;
  Curve curve = Curve::None;
  double radius = 0.0;       // arc: negative for a left turn
  double parameter = 0.0;    // clothoid A
  double startRadius = 0.0;  // clothoid: negative for a left turn, 0 at a straight end
  double endRadius = 0.0;
};

struct Route {
  int32_t number = 0;
  std::string name;
  int type = 3;  // centre line
  double startStation = 0.0;
  std::vector<RoutePoint> points;
};

struct SimaData {
  std::string title;
  std::vector<Point> points;
  std::vector<Lot> lots;
  std::vector<Route> routes;
};

// What an export can meet. The host words each in the user's language from the values below.
enum class Finding : uint8_t {
  // Refusals: the data holds what SIMA cannot carry.
  SpiralOfType,       // alignment, element, spiral type
  SpiralOfOneRadius,  // alignment, element
  ElementsDoNotJoin,  // alignment, element, its kind, the gap in metres, the element before
  NoPointNumberLeft,  // (none)
  // Warnings.
  AlignmentEmpty,     // alignment
  StraightsJoined,    // alignment, the point's name
  EntityNotFinite,    // entity handle
  PointRenumbered,    // number, name, entity handle, the number written
  ArcSegments,        // lot number, lot name
  PointAdded,         // lot number, lot name, vertex, X, Y, tolerance, the point added
  NumberUnusable,     // layer, feature, what the number field holds
  FeatureRenumbered,  // layer, feature, number
  FeaturesLeftOut     // the GIS reader's line
};

// Something an export met, and the values its message names, in the order above.
struct Problem {
  Finding what;
  std::vector<std::string> values;
};

// What building the data found: warnings, the points it had to add, and the refusal that stops
// the export (the data then holds something SIMA cannot carry).
struct Findings {
  std::vector<Problem> warnings;
  std::optional<Problem> refusal;
  std::size_t pointsAdded = 0;

  void warn(Finding what, std::vector<std::string> values) {
    warnings.push_back({what, std::move(values)});
  }
  void refuse(Finding what, std::vector<std::string> values = {}) {
    if (!refusal) refusal = Problem{what, std::move(values)};
  }
};

}  // namespace kestrel::sima_export
