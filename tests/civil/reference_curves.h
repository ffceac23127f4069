// Independent references for alignment geometry: curves whose curvature changes linearly with
// length, integrated by Gauss–Legendre quadrature in long double (a method the code under test
// does not use), and a generator of realistic routes built from them.
#pragma once

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sima/records.h"
#include "tests/support/gauss_legendre.h"

namespace kestrel::testing {

using RefPose = CurvePose<long double>;  // heading from the x axis, counter-clockwise

// Five-point Gauss–Legendre on 400 panels.
inline RefPose advance(RefPose pose, long double k0, long double k1, long double length) {
  return walkCurvature<long double>(pose, k0, k1, length, 5, 400);
}

inline std::string fixed12(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%0.12f", static_cast<double>(value));
  return text;
}

// One designed piece of a route: a straight, an arc, or a clothoid between two radii (0: infinite).
struct DesignPiece {
  char type = 'S';
  long double length = 0.0L;
  long double startRadius = 0.0L;  // clothoid
  long double endRadius = 0.0L;    // clothoid; for an arc its radius
  long double parameterA = 0.0L;
  bool left = false;
};

// A designed route: its pieces, the pose at each piece's start and the final pose.
struct DesignedRoute {
  std::vector<DesignPiece> pieces;
  std::vector<RefPose> poses;  // pieces.size() + 1
  long double totalLength() const {
    long double total = 0.0L;
    for (const auto& piece : pieces) total += piece.length;
    return total;
  }
};

inline long double curvature(long double radius, bool left) {
  return radius == 0.0L ? 0.0L : (left ? 1.0L : -1.0L) / radius;
}

// The curvature at a piece's start and end.
inline std::pair<long double, long double> curvatures(const DesignPiece& piece) {
  return {curvature(piece.type == 'A' ? piece.startRadius : piece.endRadius, piece.left),
          curvature(piece.type == 'S' ? 0.0L : piece.endRadius, piece.left)};
}

// The pose `s` along a designed route (0 ≤ s ≤ its length).
inline RefPose poseAt(const DesignedRoute& route, long double s) {
  std::size_t i = 0;
  for (; i + 1 < route.pieces.size() && s > route.pieces[i].length; ++i) s -= route.pieces[i].length;
  const auto [k0, k1] = curvatures(route.pieces[i]);
  return advance(route.poses[i], k0, k0 + (k1 - k0) * s / route.pieces[i].length, s);
}

inline DesignedRoute design(const std::vector<DesignPiece>& pieces, RefPose start) {
  DesignedRoute route;
  route.pieces = pieces;
  route.poses.push_back(start);
  for (const auto& piece : pieces) {
    const auto [k0, k1] = curvatures(piece);
    route.poses.push_back(advance(route.poses.back(), k0, k1, piece.length));
  }
  return route;
}

// A random realistic route: straights of 40–300 m and curves of radius 50–2000 m, each a
// clothoid (A 30–800) – arc – clothoid group, turning left or right at random.
inline DesignedRoute randomRoute(std::mt19937_64& random, int curves) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  auto between = [&](double low, double high) { return low + (high - low) * unit(random); };
  std::vector<DesignPiece> pieces;
  pieces.push_back({'S', between(40, 300), 0, 0, 0, false});
  for (int c = 0; c < curves; ++c) {
    const long double radius = std::exp(between(std::log(50.0), std::log(2000.0)));
    // A realistic parameter: R/3 ≤ A ≤ R (and within 30–800, R/A > 0.56).
    const double lowA = std::max(30.0, static_cast<double>(radius) / 3.0);
    const double highA = std::min({800.0, static_cast<double>(radius), static_cast<double>(radius) / 0.6});
    const long double a1 = between(lowA, std::max(lowA, highA));
    const long double a2 = between(lowA, std::max(lowA, highA));
    const bool left = unit(random) < 0.5;
    pieces.push_back({'A', a1 * a1 / radius, 0, radius, a1, left});
    pieces.push_back({'R', between(10, 150), 0, radius, 0, left});
    pieces.push_back({'A', a2 * a2 / radius, radius, 0, a2, left});
    pieces.push_back({'S', between(40, 300), 0, 0, 0, false});
  }
  const RefPose start{between(-20000, 20000), between(-20000, 20000), between(0, 2 * std::numbers::pi)};
  return design(pieces, start);
}

// The route's element list as the route import fills it: one element per piece, in drawing
// coordinates, then the open element of the last route point.
inline GrowingArray<EntityData> routeElements(const DesignedRoute& route) {
  GrowingArray<EntityData> elements;
  for (std::size_t i = 0; i < route.pieces.size(); ++i) {
    const DesignPiece& piece = route.pieces[i];
    EntityData e;
    e.Type = std::string(1, piece.type);
    std::tie(e.StartPointX, e.StartPointY, e.EndPointX, e.EndPointY) =
        std::tuple(fixed12(route.poses[i].x), fixed12(route.poses[i].y),
                   fixed12(route.poses[i + 1].x), fixed12(route.poses[i + 1].y));
    e.Pitch = 100.0;
    const std::string sign = piece.left ? "-" : "";
    if (piece.type != 'S') e.Rotation = piece.left ? "L" : "R";
    if (piece.type == 'R') e.Radius = sign + fixed12(piece.endRadius);
    if (piece.type == 'A') {
      e.ParameterA = fixed12(piece.parameterA);
      e.RadiusStart = piece.startRadius == 0.0L ? "0" : sign + fixed12(piece.startRadius);
      e.RadiusEnd = piece.endRadius == 0.0L ? "0" : sign + fixed12(piece.endRadius);
    }
    elements.append(e);
  }
  EntityData open;
  std::tie(open.Type, open.StartPointX, open.StartPointY, open.Pitch) =
      std::tuple("S", fixed12(route.poses.back().x), fixed12(route.poses.back().y), 100.0);
  elements.append(open);
  return elements;
}

}  // namespace kestrel::testing
