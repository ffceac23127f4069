// Shared helpers of the query functions (projection, intersection, offsets, moves).
// Records are read into a small value type here, in one place, and written back the same way.
#ifndef KESTREL_GEOMETRY_QUERIES_INTERNAL_H
#define KESTREL_GEOMETRY_QUERIES_INTERNAL_H

#include <cstdint>
#include <cstring>

#include "kestrel/geometry_elements.h"
#include "kestrel/geometry_primitives.h"
#include "kestrel/geometry_queries.h"
#include "kestrel/geometry_types.h"
#include "geometry_common.h"

namespace kestrel::geometry::queries {

using detail::kAngleQuantum;
using detail::kHalfPi;
using detail::kLengthQuantum;
using detail::kPi;
using detail::kTwoPi;
using detail::Point;

inline constexpr int16_t kStraight = 1;
inline constexpr int16_t kArc = 2;
inline constexpr int16_t kClothoid = 3;

inline double dot(Point a, Point b) {
  return a.x * b.x + a.y * b.y;
}
inline double cross(Point a, Point b) {
  return a.x * b.y - a.y * b.x;
}
double norm(Point a);

// A record as plain numbers: field[1] .. field[14] as in the record, field[0] unused.
struct Element {
  int16_t kind = 0;
  double field[15] = {};

  Point start() const { return {field[1], field[2]}; }
  Point end() const { return {field[3], field[4]}; }
  void setStart(Point p) { field[1] = p.x, field[2] = p.y; }
  void setEnd(Point p) { field[3] = p.x, field[4] = p.y; }
};

Element readRecord(const Calelm& record);
// True when the fields the queries read for the record's kind are finite numbers.
bool finiteRecord(const Element& element);
void writeRecord(const Element& element, Calelm* record);

// Surveyor <-> computation frame: the second coordinate negated, angles by ali_CExAng.
inline Point otherFrame(Point p) {
  return {p.x, -p.y};
}

double roundLength(double value);
Point roundPoint(Point p);
// An angle brought into [0, 2*pi).
double normalAngle(double angle);

// Placement of a clothoid record: the mapping between its own frame (origin at infinite
// radius, x along the main tangent, y toward the inside) and the computation frame, built the
// way the point-at-distance evaluation places it so that every member agrees with ali_onlA.
struct ClothoidFrame {
  double A = 0.0;
  double u1 = 0.0;      // distance of the normalised start from the origin
  double length = 0.0;  // u2 - u1 > 0
  bool reversed = false;
  bool mirrored = false;
  Point ownStart;     // own-frame point at u1
  Point placedStart;  // computation-frame start of the normalised record (mirrored if so)
  double rotation = 0.0;
  double cosRotation = 1.0;
  double sinRotation = 0.0;

  // Distance from the origin of the point at distance s along the record's own direction.
  double uAt(double s) const { return reversed ? u1 + (length - s) : u1 + s; }
  double sAt(double u) const { return reversed ? length - (u - u1) : u - u1; }
  Point ownToComputation(Point own) const;
  Point computationToOwn(Point p) const;
  // Computation-frame point and unit tangent (in the record's direction) at distance s.
  Point pointAt(double s) const;
  Point tangentAt(double s) const;
  // Tangent angle in the computation frame at distance s, as ali_onlA reports it.
  double tangentAngleAt(double s) const;
};

// False when the record is not a clothoid of positive length.
bool makeClothoidFrame(const Element& surveyorRecord, ClothoidFrame* frame);
// Own-frame clothoid point at distance u from its origin.
Point ownClothoidPoint(double A, double u);

// An element as a curve in the computation frame, parametrised by distance from its start.
struct Curve {
  int16_t kind = 0;
  double length = 0.0;
  Point start;
  Point direction;  // straight: unit direction
  Point centre;     // arc
  double radius = 0.0;
  double sign = 1.0;
  ClothoidFrame clothoid;

  Point pointAt(double s) const;
  Point tangentAt(double s) const;
  // Largest turn of the tangent over the element (radians).
  double turning() const;
};

// False when the record is degenerate for its kind.
bool makeCurve(const Element& surveyorRecord, Curve* curve);

struct Crossing {
  double sFirst = 0.0;
  double sSecond = 0.0;
  Point point;  // computation frame
};

// A few crossings without allocation; one touch seen twice is kept once.
struct CrossingList {
  static constexpr int kCapacity = 8;
  Crossing item[kCapacity];
  int count = 0;
  void add(const Crossing& crossing);
  void sortAlongFirst();
};

// Crossings of two curves by chord bracketing and safeguarded Newton, ordered along the first.
// The chords live in buffers allocated for the call (std::bad_alloc when that fails).
CrossingList crossCurves(const Curve& first, const Curve& second);

// Writes up to two crossings (surveyor frame, rounded) and returns their count or -1.
int16_t writeCrossings(const CrossingList& crossings, double* x1, double* y1, double* s1First,
                       double* s1Second, double* x2, double* y2, double* s2First, double* s2Second);

}  // namespace kestrel::geometry::queries

#endif
