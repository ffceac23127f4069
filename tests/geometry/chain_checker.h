// Checks chains of element records made by the geometry library against an independent model:
// every element is walked from its start pose by its own definition (straight, circle, or clothoid
// integrated by Gauss-Legendre quadrature) and consecutive elements must join in position,
// direction and curvature.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <span>
#include <string>
#include <tuple>

#include "kestrel/geometry_elements.h"
#include "tests/support/gauss_legendre.h"

namespace kestrel::geometry::testing {

inline constexpr double kAngleQuantum = 1.389e-6;

// Where walking an element's definition from its start pose ends (surveyor frame).
struct WalkEnd {
  double x;
  double y;
  double azimuth;
};

// Curvature signed by the turn sign (left positive), 0 for a straight or an infinite radius.
inline double signedCurvature(const Calelm& e, bool atEnd) {
  const double radius = e.kind == CALELM_ARC        ? e.parameter
                        : e.kind == CALELM_CLOTHOID ? (atEnd ? e.endRadius : e.startRadius)
                                                    : 0.0;
  return radius == 0.0 ? 0.0 : e.turnSign / radius;
}
inline double startCurvature(const Calelm& e) { return signedCurvature(e, false); }
inline double endCurvature(const Calelm& e) { return signedCurvature(e, true); }

// Walks `length` along an element whose heading is a0 at the start and whose signed curvature
// changes linearly from k0 to k1, by eight-point rules on 32 panels (surveyor frame: a left turn
// lowers the azimuth).
inline WalkEnd walk(double x, double y, double a0, double k0, double k1, double length) {
  const auto end = kestrel::testing::walkCurvature<double>({x, y, a0}, -k0, -k1, length, 8, 32);
  return {end.x, end.y, end.heading};
}

// Local clothoid coordinates at length L from the origin: x along the main tangent, y inside.
inline void referenceClothoidPoint(double parameter, double length, double* x, double* y) {
  std::tie(*x, *y) = kestrel::testing::clothoidLocalPoint<double>(parameter, length, 8, 32);
}

// Difference of two azimuths folded into [0, pi].
inline double angleDifference(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 2.0 * std::numbers::pi);
  return d > std::numbers::pi ? 2.0 * std::numbers::pi - d : d;
}

// Empty when the chain is sound; otherwise one line per fault, naming the element index.
inline std::string checkChain(std::span<const Calelm> chain) {
  // Makers round coordinates to 1e-5 and directions to the angle quantum. A stored length is
  // held against ali_getl, which measures between rounded end points: two rounded points and two
  // roundings of the length.
  constexpr double kPosition = 2e-5, kDirection = 1e-5, kLength = 3e-5;
  std::string report;
  std::size_t i = 0;
  auto fault = [&](const char* what, double value, double tolerance) {
    if (std::fabs(value) <= tolerance) return;
    char line[160];
    std::snprintf(line, sizeof line, "element %zu: %s off by %.3g (tolerance %.3g)\n", i, what,
                  value, tolerance);
    report += line;
  };
  for (; i < chain.size(); ++i) {
    const Calelm& e = chain[i];
    // ali_getl measures an arc from its rounded end points; near a half circle the chord hardly
    // changes with the angle, so the same rounding moves the measured length by 1 / cos(phi / 2).
    const double lengthTolerance =
        e.kind == CALELM_ARC && e.parameter != 0.0
            ? kLength / std::max(std::cos(e.length / std::fabs(e.parameter) / 2.0), 0.01)
            : kLength;
    double libraryLength = 0.0;
    if (ali_getl(&e, &libraryLength) != 0)
      fault("ali_getl status", 1.0, 0.0);
    else
      fault("length against ali_getl", libraryLength - e.length, lengthTolerance);
    if (e.kind == CALELM_ARC && std::fabs(e.parameter) > 0.0) {
      fault("start distance from centre",
            std::hypot(e.startX - e.extra1, e.startY - e.extra2) - e.parameter, kPosition);
      fault("end distance from centre",
            std::hypot(e.endX - e.extra1, e.endY - e.extra2) - e.parameter, kPosition);
    }
    // The element's own definition, walked from its start, must reach its end. Makers round some
    // direction fields to the angle quantum, which swings the far end by up to length * quantum;
    // the length is rounded to 1e-5 too, one more quantum along the curve.
    const WalkEnd end =
        walk(e.startX, e.startY, e.startAngle, startCurvature(e), endCurvature(e), e.length);
    fault("end point against its definition", std::hypot(end.x - e.endX, end.y - e.endY),
          kPosition + 1e-5 + e.length * kAngleQuantum);
    fault("end angle against its definition", angleDifference(end.azimuth, e.endAngle),
          kDirection + kAngleQuantum);
    if (i + 1 == chain.size()) continue;
    const Calelm& next = chain[i + 1];
    fault("join position to the next element",
          std::hypot(next.startX - e.endX, next.startY - e.endY), kPosition);
    fault("join direction to the next element", angleDifference(next.startAngle, e.endAngle),
          kDirection);
    if (e.kind == CALELM_CLOTHOID || next.kind == CALELM_CLOTHOID) {
      const double k0 = endCurvature(e), k1 = startCurvature(next);
      fault("join curvature to the next element", k0 - k1,
            1e-9 + 1e-7 * std::max(std::fabs(k0), std::fabs(k1)));
    }
  }
  return report;
}

}  // namespace kestrel::geometry::testing
