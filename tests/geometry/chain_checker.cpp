#include "chain_checker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <tuple>

#include "kestrel/geometry_elements.h"
#include "tests/support/gauss_legendre.h"

namespace kestrel::geometry::testing {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kAngleQuantum = 1.389e-6;

double curvatureOf(double sign, double radius) {
  return radius == 0.0 ? 0.0 : sign / radius;
}

void appendFault(std::string* report, std::size_t index, const char* what, double value,
                 double tolerance) {
  char line[160];
  std::snprintf(line, sizeof line, "element %zu: %s off by %.3g (tolerance %.3g)\n", index, what,
                value, tolerance);
  *report += line;
}

// ali_getl measures an arc from its rounded end points; near a half circle the chord hardly
// changes with the angle, so the same rounding moves the measured length by 1 / cos(phi / 2) more.
double lengthTolerance(const Calelm& e, double tolerance) {
  if (e.kind != CALELM_ARC || e.parameter == 0.0) return tolerance;
  const double phi = e.length / std::fabs(e.parameter);
  return tolerance / std::max(std::cos(phi / 2.0), 0.01);
}

}  // namespace

double startCurvature(const Calelm& element) {
  switch (element.kind) {
    case CALELM_ARC:
      return curvatureOf(element.turnSign, element.parameter);
    case CALELM_CLOTHOID:
      return curvatureOf(element.turnSign, element.startRadius);
    default:
      return 0.0;
  }
}

double endCurvature(const Calelm& element) {
  switch (element.kind) {
    case CALELM_ARC:
      return curvatureOf(element.turnSign, element.parameter);
    case CALELM_CLOTHOID:
      return curvatureOf(element.turnSign, element.endRadius);
    default:
      return 0.0;
  }
}

// Eight-point Gauss-Legendre rules on 32 panels; a left turn lowers the azimuth.
WalkEnd walk(double x, double y, double a0, double k0, double k1, double length) {
  const auto end = kestrel::testing::walkCurvature<double>({x, y, a0}, -k0, -k1, length, 8, 32);
  return {end.x, end.y, end.heading};
}

void referenceClothoidPoint(double parameter, double length, double* x, double* y) {
  std::tie(*x, *y) = kestrel::testing::clothoidLocalPoint<double>(parameter, length, 8, 32);
}

double angleDifference(double a, double b) {
  double d = std::fmod(std::fabs(a - b), 2.0 * kPi);
  return d > kPi ? 2.0 * kPi - d : d;
}

std::string checkChain(std::span<const Calelm> chain, ChainTolerances tolerances) {
  std::string report;
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const Calelm& e = chain[i];
    double libraryLength = 0.0;
    if (ali_getl(&e, &libraryLength) != 0) {
      appendFault(&report, i, "ali_getl status", 1.0, 0.0);
    } else if (std::fabs(libraryLength - e.length) > lengthTolerance(e, tolerances.length)) {
      appendFault(&report, i, "length against ali_getl", libraryLength - e.length,
                  lengthTolerance(e, tolerances.length));
    }
    if (e.kind == CALELM_ARC && std::fabs(e.parameter) > 0.0) {
      const double startOff = std::hypot(e.startX - e.extra1, e.startY - e.extra2) - e.parameter;
      const double endOff = std::hypot(e.endX - e.extra1, e.endY - e.extra2) - e.parameter;
      if (std::fabs(startOff) > tolerances.position)
        appendFault(&report, i, "start distance from centre", startOff, tolerances.position);
      if (std::fabs(endOff) > tolerances.position)
        appendFault(&report, i, "end distance from centre", endOff, tolerances.position);
    }
    // The element's own definition, walked from its start, must reach its end. Makers round some
    // direction fields to the angle quantum, which swings the far end by up to length * quantum.
    const double swing = e.length * kAngleQuantum;
    const WalkEnd end =
        walk(e.startX, e.startY, e.startAngle, startCurvature(e), endCurvature(e), e.length);
    const double miss = std::hypot(end.x - e.endX, end.y - e.endY);
    // Length is rounded to 1e-5 too, so allow one more quantum along the curve.
    if (miss > tolerances.position + 1e-5 + swing)
      appendFault(&report, i, "end point against its definition", miss,
                  tolerances.position + 1e-5 + swing);
    const double turn = angleDifference(end.azimuth, e.endAngle);
    if (turn > tolerances.direction + kAngleQuantum)
      appendFault(&report, i, "end angle against its definition", turn,
                  tolerances.direction + kAngleQuantum);

    if (i + 1 == chain.size()) continue;
    const Calelm& next = chain[i + 1];
    const double gap = std::hypot(next.startX - e.endX, next.startY - e.endY);
    if (gap > tolerances.position)
      appendFault(&report, i, "join position to the next element", gap, tolerances.position);
    const double kink = angleDifference(next.startAngle, e.endAngle);
    if (kink > tolerances.direction)
      appendFault(&report, i, "join direction to the next element", kink, tolerances.direction);
    if (e.kind == CALELM_CLOTHOID || next.kind == CALELM_CLOTHOID) {
      const double k0 = endCurvature(e), k1 = startCurvature(next);
      const double jump = std::fabs(k0 - k1);
      const double allowed = 1e-9 + 1e-7 * std::max(std::fabs(k0), std::fabs(k1));
      if (jump > allowed)
        appendFault(&report, i, "join curvature to the next element", jump, allowed);
    }
  }
  return report;
}

}  // namespace kestrel::geometry::testing
