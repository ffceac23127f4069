// Composite Gauss–Legendre quadrature, the tests' independent way to follow a curve: the plane
// point reached by walking a heading that changes along the way is the integral of its cosine and
// sine. The code under test uses series and closed forms, never this.
#pragma once

#include <cfloat>
#include <cmath>
#include <utility>
#include <vector>

namespace kestrel::testing {

// Nodes and weights of the n-point rule on [-1, 1].
struct GaussLegendreRule {
  std::vector<long double> node;
  std::vector<long double> weight;
};

// The n-point rule (1 ≤ n ≤ 64), by Newton's method on the Legendre polynomial P_n in long double;
// made once per n.
inline const GaussLegendreRule& gaussLegendreRule(int points) {
  static std::vector<GaussLegendreRule> rules(65);
  GaussLegendreRule& rule = rules.at(static_cast<std::size_t>(points));
  if (!rule.node.empty()) return rule;
  const long double pi = std::acos(-1.0L);
  for (int i = 0; i < points; ++i) {
    long double z = std::cos(pi * (i + 0.75L) / (points + 0.5L));
    long double derivative = 1.0L;
    for (int iteration = 0; iteration < 100; ++iteration) {
      long double p0 = 1.0L, p1 = z;
      for (int k = 2; k <= points; ++k) {
        const long double p2 = ((2.0L * k - 1.0L) * z * p1 - (k - 1.0L) * p0) / k;
        p0 = p1;
        p1 = p2;
      }
      derivative = points * (z * p1 - p0) / (z * z - 1.0L);
      const long double step = p1 / derivative;
      z -= step;
      if (std::fabs(step) <= 4.0L * LDBL_EPSILON) break;
    }
    rule.node.push_back(z);
    rule.weight.push_back(2.0L / ((1.0L - z * z) * derivative * derivative));
  }
  return rule;
}

// (∫ cos θ(t) dt, ∫ sin θ(t) dt) over [0, length], by the n-point rule on `panels` equal panels,
// summed in Real.
template <typename Real, typename Heading>
std::pair<Real, Real> integrateHeading(Heading heading, Real length, int points, int panels) {
  const GaussLegendreRule& rule = gaussLegendreRule(points);
  const Real panel = length / panels;
  Real sumCos = 0, sumSin = 0;
  for (int p = 0; p < panels; ++p) {
    const Real middle = (p + Real(0.5)) * panel;
    for (int k = 0; k < points; ++k) {
      const Real t = middle + static_cast<Real>(rule.node[k]) * panel / 2;
      const Real angle = heading(t);
      const Real weight = static_cast<Real>(rule.weight[k]) * panel / 2;
      sumCos += weight * std::cos(angle);
      sumSin += weight * std::sin(angle);
    }
  }
  return {sumCos, sumSin};
}

// Local clothoid coordinates at length L from its origin: x along the main tangent, y toward the
// inside, the integral of cos and sin of t^2 / (2 A^2).
template <typename Real>
std::pair<Real, Real> clothoidLocalPoint(Real parameter, Real length, int points, int panels) {
  const Real twoASquared = 2 * parameter * parameter;
  return integrateHeading<Real>([&](Real t) { return t * t / twoASquared; }, length, points, panels);
}

// A pose after `length` along a curve whose signed curvature changes linearly from k0 to k1,
// positive turning toward a growing heading.
template <typename Real>
struct CurvePose {
  Real x = 0, y = 0, heading = 0;
};
template <typename Real>
CurvePose<Real> walkCurvature(CurvePose<Real> pose, Real k0, Real k1, Real length, int points,
                              int panels) {
  if (length <= 0) return pose;
  const Real b = (k1 - k0) / (2 * length);
  const auto [dx, dy] = integrateHeading<Real>(
      [&](Real t) { return pose.heading + k0 * t + b * t * t; }, length, points, panels);
  return {pose.x + dx, pose.y + dy, pose.heading + k0 * length + b * length * length};
}

}  // namespace kestrel::testing
