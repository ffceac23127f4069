// The clothoid series against an independent reference: the local coordinates
//   x(L) = integral_0^L cos(t^2 / (2 A^2)) dt,  y(L) = integral_0^L sin(t^2 / (2 A^2)) dt
// by composite Gauss-Legendre quadrature, over A from 30 to 5000 and tau from the angle
// quantum to 1.59. The series stops when a term moves x and y by less than 1e-4, so that is
// the tolerance; the worst error found is printed and recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kestrel/geometry.h"
#include "tests/support/gauss_legendre.h"

namespace {

constexpr double kSeriesTolerance = 1e-4;
constexpr double kAngleQuantum = 1.389e-6;
constexpr int kNodes = 24;
constexpr int kPanels = 6;

struct Point {
  double x, y;
};

Point referencePoint(double A, double length) {
  const auto [x, y] = kestrel::testing::clothoidLocalPoint<double>(A, length, kNodes, kPanels);
  return {x, y};
}

// The reference at a tangent angle, with the quantum rule: (0, 0) below 1.389e-6.
Point expectedAtAngle(double A, double tau) {
  if (tau < kAngleQuantum) return {0.0, 0.0};
  return referencePoint(A, A * std::sqrt(2.0 * tau));
}

std::vector<double> parameterGrid() { return {30, 41, 75, 100, 180, 333, 600, 1000, 2200, 3600, 5000}; }

std::vector<double> angleGrid() {
  std::vector<double> angles;
  const int count = 60;
  for (int i = 0; i < count; ++i) {
    angles.push_back(kAngleQuantum * std::pow(1.59 / kAngleQuantum, double(i) / (count - 1)));
  }
  angles.push_back(0.5);
  return angles;
}

// The largest error of one function over the grid, printed and recorded as a test property.
struct WorstError {
  double error = 0.0, A = 0.0, tau = 0.0;
  void note(double e, double a, double t) {
    if (e > error) *this = {e, a, t};
  }
  void report(const char* what) const {
    std::printf("worst |error| of %s: %.3e at A = %g, tau = %.6g\n", what, error, A, tau);
    ::testing::Test::RecordProperty(what, std::to_string(error));
  }
};

TEST(ClothoidReference, QuadratureSelfCheck) {
  // The rule integrates a polynomial of degree 2n-1 exactly: integral_0^2 t^5 dt = 64/6.
  const auto& rule = kestrel::testing::gaussLegendreRule(kNodes);
  long double sum = 0.0L;
  for (int i = 0; i < kNodes; ++i) sum += rule.weight[i] * std::pow(1.0L + rule.node[i], 5);
  EXPECT_NEAR(sum, 64.0 / 6.0, 1e-12);
}

TEST(ClothoidReference, CoordinatesByAngleRadiusAndLength) {
  WorstError byAngle, byRadius, byLength;
  for (double A : parameterGrid()) {
    for (double tau : angleGrid()) {
      const double length = A * std::sqrt(2.0 * tau);
      const double radius = A / std::sqrt(2.0 * tau);
      const Point expected = referencePoint(A, length);
      double x = 0, y = 0;
      ASSERT_EQ(CDAcalxy(A, tau, &x, &y), 0);
      const double angleError = std::max(std::fabs(x - expected.x), std::fabs(y - expected.y));
      EXPECT_LT(angleError, kSeriesTolerance) << "CDAcalxy A=" << A << " tau=" << tau;
      byAngle.note(angleError, A, tau);
      // Back from R or L the angle may land just under the quantum, where the point is (0, 0).
      const Point fromRadius = expectedAtAngle(A, A * A / (2.0 * radius * radius));
      CDRcalxy(A, radius, &x, &y);
      const double radiusError = std::max(std::fabs(x - fromRadius.x), std::fabs(y - fromRadius.y));
      EXPECT_LT(radiusError, kSeriesTolerance) << "CDRcalxy A=" << A << " tau=" << tau;
      byRadius.note(radiusError, A, tau);
      const Point fromLength = expectedAtAngle(A, length * length / (2.0 * A * A));
      CDLcalxy(A, length, &x, &y);
      const double lengthError = std::max(std::fabs(x - fromLength.x), std::fabs(y - fromLength.y));
      EXPECT_LT(lengthError, kSeriesTolerance) << "CDLcalxy A=" << A << " tau=" << tau;
      byLength.note(lengthError, A, tau);
    }
  }
  byAngle.report("CDAcalxy");
  byRadius.report("CDRcalxy");
  byLength.report("CDLcalxy");
}

TEST(ClothoidReference, KnownPointAndQuantum) {
  double x = 0, y = 0;
  CDAcalxy(100, 0.5, &x, &y);
  const Point expected = referencePoint(100, 100);
  EXPECT_NEAR(x, 97.529, 1e-3);
  EXPECT_NEAR(y, 16.371, 1e-3);
  EXPECT_NEAR(x, expected.x, kSeriesTolerance);
  EXPECT_NEAR(y, expected.y, kSeriesTolerance);
  CDAcalxy(100, kAngleQuantum * 0.999, &x, &y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
}

TEST(ClothoidReference, ShiftValuesAndCharacteristicValues) {
  WorstError shiftWorst, characteristicWorst, characteristicRaw;
  for (double A : parameterGrid()) {
    for (double tau : angleGrid()) {
      const double R = A / std::sqrt(2.0 * tau);
      const double angle = A * A / (2.0 * R * R);
      const Point p = expectedAtAngle(A, angle);
      const double shift = p.y + R * std::cos(angle) - R;
      const double centerAbscissa = p.x - R * std::sin(angle);
      const double centerOrdinate = R + shift;
      double gotTau = 0, gotShift = 0, gotAbscissa = 0;
      AelmAtri(A, R, &gotTau, &gotShift, &gotAbscissa);
      EXPECT_NEAR(gotTau, tau, 1e-12 * tau);
      const double shiftError =
          std::max(std::fabs(gotShift - shift), std::fabs(gotAbscissa - centerAbscissa));
      EXPECT_LT(shiftError, kSeriesTolerance) << "AelmAtri A=" << A << " tau=" << tau;
      shiftWorst.note(shiftError, A, tau);

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
        const double error = std::fabs(values[i] - expected[i]);
        const double allowed =
            kSeriesTolerance * magnification + 1e-13 * R * magnification;
        EXPECT_LT(error, allowed) << "CDcharLmA output " << i << " A=" << A << " tau=" << tau;
        characteristicWorst.note(error / allowed * kSeriesTolerance, A, tau);
        characteristicRaw.note(error, A, tau);
      }
    }
  }
  shiftWorst.report("AelmAtri");
  characteristicWorst.report("CDcharLmA relative to its magnified tolerance, times 1e-4");
  characteristicRaw.report("CDcharLmA");
}

}  // namespace
