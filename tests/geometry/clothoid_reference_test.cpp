// The clothoid series against an independent reference: the local coordinates
//   x(L) = integral_0^L cos(t^2 / (2 A^2)) dt,  y(L) = integral_0^L sin(t^2 / (2 A^2)) dt
// by composite Gauss-Legendre quadrature, over A from 30 to 5000 and tau from the angle
// quantum to 1.59. The series stops when a term moves x and y by less than 1e-4, so that is
// the tolerance; the worst error found is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "kestrel/geometry.h"
#include "tests/support/gauss_legendre.h"

namespace {

constexpr double kSeriesTolerance = 1e-4;
constexpr double kAngleQuantum = 1.389e-6;
constexpr int kNodes = 24;

struct Point {
  double x, y;
};

Point referencePoint(double A, double length) {
  const auto [x, y] = kestrel::testing::clothoidLocalPoint<double>(A, length, kNodes, 6);
  return {x, y};
}

// The reference at a tangent angle, with the quantum rule: (0, 0) below 1.389e-6.
Point expectedAtAngle(double A, double tau) {
  if (tau < kAngleQuantum) return {0.0, 0.0};
  return referencePoint(A, A * std::sqrt(2.0 * tau));
}

// Every A of the grid with every tau: 60 steps from the quantum to 1.59, and 0.5.
void overTheGrid(const std::function<void(double A, double tau)>& check) {
  for (double A : {30, 41, 75, 100, 180, 333, 600, 1000, 2200, 3600, 5000}) {
    for (int i = 0; i <= 60; ++i)
      check(A, i == 60 ? 0.5 : kAngleQuantum * std::pow(1.59 / kAngleQuantum, i / 59.0));
  }
}

TEST(ClothoidReference, QuadratureSelfCheck) {
  // The rule integrates a polynomial of degree 2n-1 exactly: integral_0^2 t^5 dt = 64/6.
  const auto& rule = kestrel::testing::gaussLegendreRule(kNodes);
  long double sum = 0.0L;
  for (int i = 0; i < kNodes; ++i) sum += rule.weight[i] * std::pow(1.0L + rule.node[i], 5);
  EXPECT_NEAR(sum, 64.0 / 6.0, 1e-12);
}

// By angle, radius and length; back from R or L the angle may land just under the quantum,
// where the point is (0, 0).
TEST(ClothoidReference, CoordinatesByAngleRadiusAndLength) {
  const struct {
    const char* name;
    int16_t (*function)(double, double, double*, double*);
    double (*argument)(double A, double tau);
    double (*angleOf)(double A, double argument);
  } functions[] = {
      {"CDAcalxy", CDAcalxy, [](double, double tau) { return tau; },
       [](double, double tau) { return tau; }},
      {"CDRcalxy", CDRcalxy, [](double A, double tau) { return A / std::sqrt(2.0 * tau); },
       [](double A, double R) { return A * A / (2.0 * R * R); }},
      {"CDLcalxy", CDLcalxy, [](double A, double tau) { return A * std::sqrt(2.0 * tau); },
       [](double A, double L) { return L * L / (2.0 * A * A); }},
  };
  for (const auto& f : functions) {
    double worst = 0.0;
    overTheGrid([&](double A, double tau) {
      const double argument = f.argument(A, tau);
      Point got{};
      f.function(A, argument, &got.x, &got.y);
      const Point expected = expectedAtAngle(A, f.angleOf(A, argument));
      const double error = std::max(std::fabs(got.x - expected.x), std::fabs(got.y - expected.y));
      EXPECT_LT(error, kSeriesTolerance) << f.name << " A=" << A << " tau=" << tau;
      worst = std::max(worst, error);
    });
    std::printf("worst |error| of %s: %.3e\n", f.name, worst);
  }
}

TEST(ClothoidReference, ShiftValuesAndCharacteristicValues) {
  overTheGrid([](double A, double tau) {
    const double R = A / std::sqrt(2.0 * tau);
    const double angle = A * A / (2.0 * R * R);
    const Point p = expectedAtAngle(A, angle);
    const double shift = p.y + R * std::cos(angle) - R;
    const double centerAbscissa = p.x - R * std::sin(angle);
    const double centerOrdinate = R + shift;
    double gotTau = 0, gotShift = 0, gotAbscissa = 0;
    AelmAtri(A, R, &gotTau, &gotShift, &gotAbscissa);
    EXPECT_NEAR(gotTau, tau, 1e-12 * tau);
    EXPECT_LT(std::max(std::fabs(gotShift - shift), std::fabs(gotAbscissa - centerAbscissa)),
              kSeriesTolerance) << "AelmAtri A=" << A << " tau=" << tau;

    // Closed forms of the seven values, from the reference point.
    const double expected[7] = {
        p.x - p.y / std::tan(angle),
        p.y / std::sin(angle),
        centerAbscissa + centerOrdinate * std::tan(angle),
        centerOrdinate / std::cos(angle) - R,
        std::hypot(p.x, p.y),
        centerAbscissa,
        centerOrdinate,
    };
    double values[7];
    ASSERT_EQ(CDcharLmA(A, R, values), 0);
    for (int i = 0; i < 7; ++i) {
      // Outputs 0 to 3 divide by sin, cos or tan of tau; the same error in x and y reaches
      // them magnified by that factor, and rounding of R-sized terms is magnified too.
      const double magnification =
          i < 4 ? 1.0 + std::fabs(1.0 / std::sin(angle)) + std::fabs(1.0 / std::cos(angle)) +
                      std::fabs(std::tan(angle))
                : 1.0;
      EXPECT_LT(std::fabs(values[i] - expected[i]),
                kSeriesTolerance * magnification + 1e-13 * R * magnification)
          << "CDcharLmA output " << i << " A=" << A << " tau=" << tau;
    }
  });
}

}  // namespace
