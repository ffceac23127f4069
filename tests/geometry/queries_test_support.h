// Element records built from first principles for the query tests: every reference point comes
// from plain trigonometry or from a Gauss-Legendre quadrature of the clothoid, not from the
// library's series or placement.
#pragma once

#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

#include "kestrel/geometry_queries.h"
#include "tests/support/gauss_legendre.h"

namespace queries_test {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kTwoPi = 6.283185307179586;

struct Point {
  double x = 0.0;
  double y = 0.0;
};

inline double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
inline double roundLength(double v) { return std::floor(v / 1e-5 + 0.5) * 1e-5; }
inline double wrap(double angle) {
  angle = std::fmod(angle, kTwoPi);
  return angle < 0.0 ? angle + kTwoPi : angle;
}
// Smallest difference between two azimuths.
inline double angleGap(double a, double b) {
  const double d = std::fabs(wrap(a) - wrap(b));
  return std::min(d, kTwoPi - d);
}

inline Calelm blankRecord() {
  Calelm record;
  std::memset(&record, 0, sizeof record);
  return record;
}

// Field n (1 to 14) of a record, as the library's documentation numbers them.
inline constexpr double Calelm::*kFields[14] = {
    &Calelm::startX,   &Calelm::startY,     &Calelm::endX,        &Calelm::endY,
    &Calelm::turnSign, &Calelm::parameter,  &Calelm::startRadius, &Calelm::endRadius,
    &Calelm::length,   &Calelm::startAngle, &Calelm::endAngle,    &Calelm::extra1,
    &Calelm::extra2,   &Calelm::extra3};
inline double& field(Calelm& record, int n) { return record.*kFields[n - 1]; }
inline double field(const Calelm& record, int n) { return record.*kFields[n - 1]; }

// Sets the kind and fields 1, 2, ... of a record in the library's numbering.
inline void setFields(Calelm& record, int16_t kind, std::initializer_list<double> values) {
  record.kind = kind;
  int n = 1;
  for (double value : values) field(record, n++) = value;
}

// A point moved by d toward azimuth a (surveyor frame: X north, Y east).
inline Point toward(Point p, double d, double azimuth) {
  return {p.x + d * std::cos(azimuth), p.y + d * std::sin(azimuth)};
}

// An element with its exact geometry: point and tangent azimuth at any distance along it.
struct Reference {
  Calelm record = blankRecord();
  double length = 0.0;
  virtual ~Reference() = default;
  virtual Point pointAt(double s) const = 0;
  virtual double azimuthAt(double s) const = 0;
  // The record of kind `kind` from the rounded end points and the exact geometry.
  void fill(int16_t kind, double sign, double parameter, double r1, double r2,
            std::initializer_list<double> extra = {}) {
    const Point a = pointAt(0.0), b = pointAt(length);
    setFields(record, kind,
              {roundLength(a.x), roundLength(a.y), roundLength(b.x), roundLength(b.y), sign,
               parameter, r1, r2, roundLength(length), azimuthAt(0.0), azimuthAt(length)});
    int n = 12;
    for (double value : extra) field(record, n++) = value;
  }
};

struct StraightReference : Reference {
  Point start;
  double azimuth = 0.0;
  // From a rounded start toward an azimuth; the record's azimuth is that of the rounded ends.
  StraightReference(Point from, double direction, double total)
      : start{roundLength(from.x), roundLength(from.y)} {
    Point end = toward(start, total, direction);
    end = {roundLength(end.x), roundLength(end.y)};
    length = distance(start, end);
    azimuth = std::atan2(end.y - start.y, end.x - start.x);
    setFields(record, 1,
              {start.x, start.y, end.x, end.y, 1.0, 0, 0, 0, roundLength(length), azimuth, azimuth});
  }
  // From one point to the other, both taken as they are.
  StraightReference(Point from, Point to) : StraightReference(from, 0.0, 1.0) {
    azimuth = std::atan2(to.y - from.y, to.x - from.x);
    length = distance(from, to);
    setFields(record, 1, {field(record, 1), field(record, 2), to.x, to.y, 1.0, 0, 0, 0,
                          roundLength(length), azimuth, azimuth});
  }
  Point pointAt(double s) const override { return toward(start, s, azimuth); }
  double azimuthAt(double) const override { return wrap(azimuth); }
};

// Arc about a centre; sign +1 turns left on the map, so the radial azimuth decreases.
struct ArcReference : Reference {
  Point centre;
  double radius, sign, startRadial;
  ArcReference(Point middle, double r, double turnSign, double startRadialAzimuth, double sweep)
      : centre(middle), radius(r), sign(turnSign), startRadial(startRadialAzimuth) {
    length = r * sweep;
    fill(2, sign, r, 0, 0, {centre.x, centre.y, sweep});
  }
  double radialAt(double s) const { return startRadial - sign * s / radius; }
  Point pointAt(double s) const override { return toward(centre, radius, radialAt(s)); }
  double azimuthAt(double s) const override { return wrap(radialAt(s) - sign * kPi / 2.0); }
};

// Own-frame clothoid point at distance u from its origin, by 20-point Gauss-Legendre quadrature
// of cos and sin of t^2 / (2 A^2) on 16 panels.
inline Point clothoidOwnPoint(double A, double u) {
  const auto [x, y] = kestrel::testing::clothoidLocalPoint<double>(A, u, 20, 16);
  return {x, y};
}

// Clothoid placed by its origin and main-tangent azimuth, turning left (+1) or right (-1) as u
// grows, traversed from uFrom to uTo (either way round).
struct ClothoidReference : Reference {
  double A;
  Point origin;
  double mainAzimuth, turn, uFrom, uTo;
  ClothoidReference(double parameter, Point o, double azimuth, double turnSign, double from,
                    double to)
      : A(parameter), origin(o), mainAzimuth(azimuth), turn(turnSign), uFrom(from), uTo(to) {
    length = std::fabs(to - from);
    fill(3, to > from ? turn : -turn, A, from > 0.0 ? A * A / from : 0.0,
         to > 0.0 ? A * A / to : 0.0);
  }
  double uAt(double s) const { return uTo > uFrom ? uFrom + s : uFrom - s; }
  // The inside of a left turn lies toward azimuth - pi/2.
  Point ownToSurveyor(Point own) const {
    return toward(toward(origin, own.x, mainAzimuth), own.y, mainAzimuth - turn * kPi / 2.0);
  }
  Point pointAt(double s) const override { return ownToSurveyor(clothoidOwnPoint(A, uAt(s))); }
  double azimuthAt(double s) const override {
    const double u = uAt(s), forward = mainAzimuth - turn * u * u / (2.0 * A * A);
    return wrap(uTo > uFrom ? forward : forward + kPi);
  }
};

// Random clothoid of length at least 5 m with tangent angles below 1.5 rad.
inline ClothoidReference randomClothoid(std::mt19937& random, Point near, double spread) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double A = 30.0 + 470.0 * unit(random), uMax = A * std::sqrt(2.0 * 1.5);
  const double uLow = unit(random) < 0.3 ? 0.0 : uMax * 0.6 * unit(random);
  const double uHigh = uLow + 5.0 + (uMax - uLow - 5.0) * unit(random);
  const bool forward = unit(random) < 0.5;
  const Point origin{near.x + spread * (unit(random) - 0.5), near.y + spread * (unit(random) - 0.5)};
  return ClothoidReference(A, origin, kTwoPi * unit(random), unit(random) < 0.5 ? 1.0 : -1.0,
                           forward ? uLow : uHigh, forward ? uHigh : uLow);
}

// The same clothoid moved so that its point at distance s lies at p with tangent azimuth a.
inline ClothoidReference clothoidThrough(const ClothoidReference& shape, double s, Point p,
                                         double azimuth) {
  const double mainAzimuth = azimuth - (shape.azimuthAt(s) - shape.mainAzimuth);
  const ClothoidReference placed(shape.A, {0.0, 0.0}, mainAzimuth, shape.turn, shape.uFrom,
                                 shape.uTo);
  const Point atOrigin = placed.ownToSurveyor(clothoidOwnPoint(shape.A, shape.uAt(s)));
  return ClothoidReference(shape.A, {p.x - atOrigin.x, p.y - atOrigin.y}, mainAzimuth, shape.turn,
                           shape.uFrom, shape.uTo);
}

// Random elements of every kind, in every direction and turning sense, within `spread` of the
// origin: straights of length r[0] + r[1] u, arcs of radius r[2] + r[3] u sweeping r[4] + r[5] u
// (at most 3 rad), clothoids as randomClothoid makes them.
inline std::vector<std::unique_ptr<Reference>> randomElements(std::mt19937& random, int count,
                                                              double spread,
                                                              const std::array<double, 6>& r) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<std::unique_ptr<Reference>> elements;
  for (int i = 0; i < count; ++i) {
    const Point near{spread * (unit(random) - 0.5), spread * (unit(random) - 0.5)};
    if (i % 3 == 0) {
      elements.push_back(
          std::make_unique<StraightReference>(near, kTwoPi * unit(random), r[0] + r[1] * unit(random)));
    } else if (i % 3 == 1) {
      const double radius = r[2] + r[3] * unit(random);
      const double sweep = std::min(3.0, r[4] + r[5] * unit(random));
      elements.push_back(std::make_unique<ArcReference>(
          near, radius, unit(random) < 0.5 ? 1.0 : -1.0, kTwoPi * unit(random), sweep));
    } else {
      elements.push_back(std::make_unique<ClothoidReference>(randomClothoid(random, near, 0.0)));
    }
  }
  return elements;
}

}  // namespace queries_test
