// Intersections of elements: closed forms for straights and arcs, chord bracketing with a
// safeguarded Newton refinement wherever a clothoid takes part.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

// Refinement target, and the gap still accepted as a crossing where a clothoid takes part.
// Elements of an alignment meet at their ends, but the evaluated curves reach their rounded
// end points only within about two length quanta (an arc rotates its rounded start point; a
// clothoid's series stops at 1e-4 per term), so a crossing at an end closes only that far.
constexpr double kNewtonTolerance = 1e-8;
constexpr double kAcceptedResidual = 3e-5;
// Largest tangent turn of one chord; keeps the chord within 1/400 of its length of the curve.
constexpr double kChordTurn = 0.02;
constexpr int kMaxChords = 256;

struct Box {
  double minX, minY, maxX, maxY;
};

struct Chords {
  std::vector<double> parameter;
  std::vector<Point> point;
  std::vector<Box> box;
};

// At least four chords, at most kMaxChords; clamped while still a double, since only a count in
// that range may become an int (a turning beyond INT_MAX * kChordTurn, or NaN, may not).
int chordCount(const Curve& curve) {
  if (curve.kind == kStraight) return 1;
  const double wanted = std::ceil(curve.turning() / kChordTurn);
  if (!(wanted > 4.0)) return 4;
  if (wanted >= kMaxChords) return kMaxChords;
  return static_cast<int>(wanted);
}

// A clothoid that turns further than the chords can follow is no element: every valid one turns
// by less than about 1.6 rad, far below kMaxChords * kChordTurn.
bool withinChordReach(const Curve& curve) {
  return curve.kind != kClothoid || curve.turning() <= kMaxChords * kChordTurn;
}

Chords chordsOf(const Curve& curve) {
  const int count = chordCount(curve);
  Chords chords;
  chords.parameter.resize(count + 1);
  chords.point.resize(count + 1);
  chords.box.resize(count);
  for (int k = 0; k <= count; ++k) {
    chords.parameter[k] = curve.length * k / count;
    chords.point[k] = curve.pointAt(chords.parameter[k]);
  }
  double turnPerChord = curve.turning() / count;
  for (int k = 0; k < count; ++k) {
    Point a = chords.point[k];
    Point b = chords.point[k + 1];
    // The curve piece stays within its sagitta of the chord; twice that plus a hair is safe.
    double margin = norm(b - a) * turnPerChord / 4.0 + 1e-6;
    chords.box[k] = {std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin,
                     std::max(a.x, b.x) + margin, std::max(a.y, b.y) + margin};
  }
  return chords;
}

bool overlap(const Box& a, const Box& b) {
  return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

// Start of the refinement: where the two chords' lines cross, kept inside the chords.
void initialGuess(Point a0, Point a1, Point b0, Point b1, double* ta, double* tb) {
  Point da = a1 - a0;
  Point db = b1 - b0;
  double det = cross(da, db);
  *ta = 0.5;
  *tb = 0.5;
  if (std::fabs(det) > 1e-14 * (dot(da, da) + dot(db, db))) {
    Point w = b0 - a0;
    *ta = std::clamp(cross(w, db) / det, 0.0, 1.0);
    *tb = std::clamp(cross(w, da) / det, 0.0, 1.0);
  }
}

// Newton on first(s) - second(t) = 0, each parameter kept on its element; a step that does
// not reduce the residual is halved.
bool refine(const Curve& first, const Curve& second, double* s, double* t) {
  Point residual = first.pointAt(*s) - second.pointAt(*t);
  double size = norm(residual);
  for (int iteration = 0; iteration < 60 && size > kNewtonTolerance; ++iteration) {
    Point tangentFirst = first.tangentAt(*s);
    Point tangentSecond = second.tangentAt(*t);
    double det = -cross(tangentFirst, tangentSecond);
    if (std::fabs(det) < 1e-14) break;
    Point minusResidual = -1.0 * residual;
    double ds = cross(minusResidual, -1.0 * tangentSecond) / det;
    double dt = cross(tangentFirst, minusResidual) / det;
    bool improved = false;
    for (int halving = 0; halving < 30; ++halving) {
      double nextS = std::clamp(*s + ds, 0.0, first.length);
      double nextT = std::clamp(*t + dt, 0.0, second.length);
      Point nextResidual = first.pointAt(nextS) - second.pointAt(nextT);
      double nextSize = norm(nextResidual);
      if (nextSize < size) {
        *s = nextS;
        *t = nextT;
        residual = nextResidual;
        size = nextSize;
        improved = true;
        break;
      }
      ds *= 0.5;
      dt *= 0.5;
    }
    if (!improved) break;
  }
  return size <= kAcceptedResidual;
}

// Where two curves barely touch, refinements from neighbouring chords stop at slightly
// different places of the same touch; points within a millimetre are one crossing.
bool sameCrossing(const Crossing& a, const Crossing& b) {
  return norm(a.point - b.point) < 1e-3 ||
         (std::fabs(a.sFirst - b.sFirst) < 1e-5 && std::fabs(a.sSecond - b.sSecond) < 1e-5);
}

}  // namespace

namespace kestrel::geometry::queries {

void CrossingList::add(const Crossing& crossing) {
  for (int k = 0; k < count; ++k)
    if (sameCrossing(item[k], crossing)) return;
  if (count < kCapacity) item[count++] = crossing;
}

// Insertion sort: a handful of entries at most.
void CrossingList::sortAlongFirst() {
  for (int i = 1; i < count; ++i) {
    Crossing moving = item[i];
    int j = i;
    for (; j > 0 && item[j - 1].sFirst > moving.sFirst; --j) item[j] = item[j - 1];
    item[j] = moving;
  }
}

}  // namespace kestrel::geometry::queries

namespace {

// Arc length from the arc's start to a point of its circle, 0 for a point a hair before the
// start (the turning-sense measure would give almost a full circle there).
double arcDistanceTo(const Curve& arc, Point p) {
  double distance = 0.0;
  ali_KEnPncl(arc.sign, arc.radius, arc.centre.x, arc.centre.y, arc.start.x, arc.start.y, p.x, p.y,
              &distance);
  if (distance > kTwoPi * std::fabs(arc.radius) - kLengthQuantum) distance = 0.0;
  return distance;
}

bool onArc(const Curve& arc, double distance) {
  return roundLength(distance) <= roundLength(arc.length);
}

bool onStraight(const Curve& straight, double distance, double slack) {
  return distance >= -slack && distance <= straight.length + slack;
}

// Reads and checks both records; false when either is degenerate for its kind.
bool curvesOf(const Calelm* first, int16_t firstKind, const Calelm* second, int16_t secondKind,
              Curve* firstCurve, Curve* secondCurve) {
  if (first == nullptr || second == nullptr) return false;
  Element a = readRecord(*first);
  Element b = readRecord(*second);
  if (a.kind != firstKind || b.kind != secondKind) return false;
  return makeCurve(a, firstCurve) && makeCurve(b, secondCurve);
}

// Signed distance of the own-frame clothoid point at u from the line, and its derivative.
struct LineCrossingFunction {
  double A;
  Point origin;
  Point normal;
  double value(double u) const { return dot(ownClothoidPoint(A, u) - origin, normal); }
  double slope(double u) const {
    double tau = u * u / (2.0 * A * A);
    return dot(Point{std::cos(tau), std::sin(tau)}, normal);
  }
};

// Root of f in [low, high] where f(low) and f(high) differ in sign: Newton steps, bisection
// whenever a step leaves the bracket.
double bracketedRoot(const LineCrossingFunction& f, double low, double high) {
  double valueLow = f.value(low);
  double u = 0.5 * (low + high);
  for (int iteration = 0; iteration < 200; ++iteration) {
    double value = f.value(u);
    if (std::fabs(value) < kNewtonTolerance * 1e-2) return u;
    if ((value < 0.0) == (valueLow < 0.0)) {
      low = u;
      valueLow = value;
    } else {
      high = u;
    }
    if (high - low < 1e-12) return 0.5 * (low + high);
    double slope = f.slope(u);
    double next = slope != 0.0 ? u - value / slope : low;
    if (!(next > low && next < high)) next = 0.5 * (low + high);
    u = next;
  }
  return u;
}

}  // namespace

namespace kestrel::geometry::queries {

CrossingList crossCurves(const Curve& first, const Curve& second) {
  Chords a = chordsOf(first);
  Chords b = chordsOf(second);
  CrossingList found;
  for (std::size_t i = 0; i < a.box.size(); ++i) {
    for (std::size_t j = 0; j < b.box.size(); ++j) {
      if (!overlap(a.box[i], b.box[j])) continue;
      double ta = 0.0;
      double tb = 0.0;
      initialGuess(a.point[i], a.point[i + 1], b.point[j], b.point[j + 1], &ta, &tb);
      Crossing crossing;
      crossing.sFirst = a.parameter[i] + ta * (a.parameter[i + 1] - a.parameter[i]);
      crossing.sSecond = b.parameter[j] + tb * (b.parameter[j + 1] - b.parameter[j]);
      if (!refine(first, second, &crossing.sFirst, &crossing.sSecond)) continue;
      crossing.point = first.pointAt(crossing.sFirst);
      found.add(crossing);
    }
  }
  found.sortAlongFirst();
  return found;
}

}  // namespace kestrel::geometry::queries

extern "C" {

KGEOM_API int16_t gc_intpSS(double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, double* x, double* y) {
  return CDlincros(x1, y1, x2 - x1, y2 - y1, x3, y3, x4 - x3, y4 - y3, x, y);
}

KGEOM_API int16_t ali_intpSS(const Calelm* first, const Calelm* second, double* x, double* y,
                             double* sFirst, double* sSecond) {
  if (first == nullptr || second == nullptr) return -3;
  Element a = readRecord(*first);
  Element b = readRecord(*second);
  Point a0 = otherFrame(a.start());
  Point a1 = otherFrame(a.end());
  Point b0 = otherFrame(b.start());
  Point b1 = otherFrame(b.end());
  if (ali_CSamePoint(a0.x, a0.y, a1.x, a1.y) == 0 || ali_CSamePoint(b0.x, b0.y, b1.x, b1.y) == 0)
    return -3;
  Point da = a1 - a0;
  Point db = b1 - b0;
  if (std::fabs(cross(da, db)) < kLengthQuantum) {
    // Parallel: the unit line coefficients tell one line from two.
    double ka[3];
    double kb[3];
    ali_KCalCst(a0.x, a0.y, a1.x, a1.y, &ka[0], &ka[1], &ka[2]);
    ali_KCalCst(b0.x, b0.y, b1.x, b1.y, &kb[0], &kb[1], &kb[2]);
    double orientation = ka[0] * kb[0] + ka[1] * kb[1] >= 0.0 ? 1.0 : -1.0;
    return std::fabs(ka[2] - orientation * kb[2]) < kLengthQuantum ? -1 : -2;
  }
  double t = cross(b0 - a0, db) / cross(da, db);
  Point crossing = roundPoint(a0 + t * da);
  // Between the end points, judged on the straight's main axis (X unless nearly vertical);
  // the rounded point is compared with the end points rounded the same way.
  auto between = [&](Point p0, Point p1) {
    p0 = roundPoint(p0);
    p1 = roundPoint(p1);
    bool useX = std::fabs(p1.x - p0.x) >= kLengthQuantum;
    double lo = useX ? std::min(p0.x, p1.x) : std::min(p0.y, p1.y);
    double hi = useX ? std::max(p0.x, p1.x) : std::max(p0.y, p1.y);
    double v = useX ? crossing.x : crossing.y;
    return v >= lo - 1e-9 && v <= hi + 1e-9;
  };
  auto signedDistance = [&](Point p0, Point p1) {
    Point offset = crossing - p0;
    double distance = norm(offset);
    return roundLength(dot(offset, p1 - p0) < 0.0 ? -distance : distance);
  };
  Point surveyor = otherFrame(crossing);
  *x = surveyor.x;
  *y = surveyor.y;
  *sFirst = signedDistance(a0, a1);
  *sSecond = signedDistance(b0, b1);
  bool onFirst = between(a0, a1);
  bool onSecond = between(b0, b1);
  if (onFirst && onSecond) return 0;
  if (!onFirst && onSecond) return 1;
  if (onFirst && !onSecond) return 2;
  return 3;
}

KGEOM_API int16_t ali_intpSR(const Calelm* straight, const Calelm* arc, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second) {
  Curve line;
  Curve circle;
  if (!curvesOf(straight, kStraight, arc, kArc, &line, &circle)) return -2;
  double radius = std::fabs(circle.radius);
  Point toCentre = circle.centre - line.start;
  double along = dot(toCentre, line.direction);
  double across = cross(line.direction, toCentre);
  double halfChordSquared = radius * radius - across * across;
  // A line that grazes the circle within the length quantum touches it once.
  if (halfChordSquared < 0.0) {
    if (std::fabs(across) - radius > kLengthQuantum) return -1;
    halfChordSquared = 0.0;
  }
  double halfChord = std::sqrt(halfChordSquared);
  CrossingList found;
  for (double t : {along - halfChord, along + halfChord}) {
    if (!onStraight(line, t, kLengthQuantum)) continue;
    Crossing crossing;
    crossing.sFirst = std::clamp(t, 0.0, line.length);
    crossing.point = line.pointAt(crossing.sFirst);
    crossing.sSecond = arcDistanceTo(circle, crossing.point);
    if (!onArc(circle, crossing.sSecond)) continue;
    found.add(crossing);
  }
  found.sortAlongFirst();
  return writeCrossings(found, x1, y1, s1First, s1Second, x2, y2, s2First, s2Second);
}

KGEOM_API int16_t ali_intpRR(const Calelm* first, const Calelm* second, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second) {
  Curve a;
  Curve b;
  if (!curvesOf(first, kArc, second, kArc, &a, &b)) return -1;
  double ra = std::fabs(a.radius);
  double rb = std::fabs(b.radius);
  Point between = b.centre - a.centre;
  if (std::fabs(between.x) < kLengthQuantum && std::fabs(between.y) < kLengthQuantum)
    return std::fabs(ra - rb) < kLengthQuantum ? -2 : -3;
  double d = norm(between);
  if (roundLength(ra + rb) < roundLength(d)) return -1;
  // Radical line: distance of the common chord from the first centre, half the chord length.
  double along = (d * d + ra * ra - rb * rb) / (2.0 * d);
  double halfChordSquared = ra * ra - along * along;
  if (halfChordSquared < 0.0) {
    if (std::fabs(along) - ra > kLengthQuantum) return -1;
    halfChordSquared = 0.0;
  }
  double halfChord = std::sqrt(halfChordSquared);
  Point unit = (1.0 / d) * between;
  Point normal{-unit.y, unit.x};
  CrossingList found;
  for (double side : {-1.0, 1.0}) {
    Point p = a.centre + along * unit + (side * halfChord) * normal;
    double offCircle = norm(p - a.centre) - ra;
    if (offCircle * offCircle >= kLengthQuantum * kLengthQuantum) continue;
    Crossing crossing;
    crossing.point = p;
    crossing.sFirst = arcDistanceTo(a, p);
    crossing.sSecond = arcDistanceTo(b, p);
    if (!onArc(a, crossing.sFirst) || !onArc(b, crossing.sSecond)) continue;
    found.add(crossing);
  }
  found.sortAlongFirst();
  return writeCrossings(found, x1, y1, s1First, s1Second, x2, y2, s2First, s2Second);
}

KGEOM_API int16_t CDAcrosS(double A, double u1, double u2, double x0, double y0, double ux,
                           double uy, double* uFirst, double* uSecond) {
  double directionLength = std::hypot(ux, uy);
  if (!(A > 0.0) || !(u1 >= 0.0) || !(u2 > u1) || !(directionLength > 0.0)) return -1;
  for (double value : {A, u2, x0, y0, directionLength})
    if (!std::isfinite(value)) return -1;
  Point direction{ux / directionLength, uy / directionLength};
  LineCrossingFunction f{A, {x0, y0}, {-direction.y, direction.x}};
  // The signed distance turns only where the tangent is parallel to the line; splitting there
  // leaves monotone pieces, each crossing at most once.
  double lineAngle = std::atan2(direction.y, direction.x);
  // A valid clothoid turns by less than pi, so there is at most one such point; the arrays
  // leave room for a little more.
  constexpr int kMaxKnots = 6;
  double knots[kMaxKnots];
  int knotCount = 0;
  knots[knotCount++] = u1;
  double tau1 = u1 * u1 / (2.0 * A * A);
  double tau2 = u2 * u2 / (2.0 * A * A);
  // The parallels are tau = lineAngle + k pi; k counts on from an integer step, because far
  // along a clothoid (k past 2^53) adding 1.0 to a double k no longer changes it. Only the first
  // can fall at or below tau1 by rounding; a later one there means pi no longer moves tau, and
  // more parallels than the knots hold mean a tangent turning by several half turns. Neither is
  // a clothoid: refused.
  const double firstTurn = std::ceil((tau1 - lineAngle) / kPi);
  for (int step = 0;; ++step) {
    double tau = lineAngle + (firstTurn + step) * kPi;
    if (!(tau < tau2)) break;
    if (tau <= tau1) {
      if (step > 0) return -1;
      continue;
    }
    if (knotCount == kMaxKnots - 1) return -1;
    knots[knotCount++] = A * std::sqrt(2.0 * tau);
  }
  knots[knotCount++] = u2;
  double roots[kMaxKnots + 2];
  int rootCount = 0;
  for (int k = 0; k + 1 < knotCount; ++k) {
    double low = knots[k];
    double high = knots[k + 1];
    double valueLow = f.value(low);
    double valueHigh = f.value(high);
    if (valueLow != 0.0 && valueHigh != 0.0 && (valueLow < 0.0) != (valueHigh < 0.0))
      roots[rootCount++] = bracketedRoot(f, low, high);
    else if (valueLow == 0.0)
      roots[rootCount++] = low;
  }
  // An end of the clothoid this close to the line counts as a crossing unless one was already
  // found right there.
  for (double end : {u1, u2}) {
    bool near = std::fabs(f.value(end)) <= kAcceptedResidual;
    for (int k = 0; k < rootCount; ++k) near = near && std::fabs(roots[k] - end) > 1e-4;
    if (near) roots[rootCount++] = end;
  }
  for (int i = 1; i < rootCount; ++i)
    for (int j = i; j > 0 && roots[j - 1] > roots[j]; --j) std::swap(roots[j - 1], roots[j]);
  if (rootCount > 0) *uFirst = roots[0];
  if (rootCount > 1) *uSecond = roots[1];
  return static_cast<int16_t>(std::min(rootCount, 2));
}

KGEOM_API int16_t ali_intpSA(const Calelm* straight, const Calelm* clothoid, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second) {
  Curve line;
  Curve curve;
  if (!curvesOf(straight, kStraight, clothoid, kClothoid, &line, &curve)) return -2;
  const ClothoidFrame& frame = curve.clothoid;
  Point ownLineStart = frame.computationToOwn(line.start);
  Point ownLineEnd = frame.computationToOwn(line.start + line.length * line.direction);
  Point ownDirection = ownLineEnd - ownLineStart;
  double u[2] = {0.0, 0.0};
  int16_t count = CDAcrosS(frame.A, frame.u1, frame.u1 + frame.length, ownLineStart.x,
                           ownLineStart.y, ownDirection.x, ownDirection.y, &u[0], &u[1]);
  if (count < 0) return -2;
  CrossingList found;
  for (int16_t k = 0; k < count; ++k) {
    Crossing crossing;
    crossing.sSecond = std::clamp(frame.sAt(u[k]), 0.0, frame.length);
    crossing.point = frame.pointAt(crossing.sSecond);
    double along = dot(crossing.point - line.start, line.direction);
    if (!onStraight(line, along, kAcceptedResidual)) continue;
    crossing.sFirst = std::clamp(along, 0.0, line.length);
    found.add(crossing);
  }
  found.sortAlongFirst();
  return writeCrossings(found, x1, y1, s1First, s1Second, x2, y2, s2First, s2Second);
}

KGEOM_API int16_t ali_intpRA(const Calelm* arc, const Calelm* clothoid, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second) {
  Curve circle;
  Curve curve;
  if (!curvesOf(arc, kArc, clothoid, kClothoid, &circle, &curve) || !withinChordReach(curve))
    return -2;
  try {
    return writeCrossings(crossCurves(circle, curve), x1, y1, s1First, s1Second, x2, y2, s2First,
                          s2Second);
  } catch (const std::bad_alloc&) {
    return -4;
  }
}

KGEOM_API int16_t ali_intpAA(const Calelm* first, const Calelm* second, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second) {
  Curve a;
  Curve b;
  if (!curvesOf(first, kClothoid, second, kClothoid, &a, &b) || !withinChordReach(a) ||
      !withinChordReach(b))
    return -2;
  try {
    return writeCrossings(crossCurves(a, b), x1, y1, s1First, s1Second, x2, y2, s2First, s2Second);
  } catch (const std::bad_alloc&) {
    return -4;
  }
}

KGEOM_API int16_t ali_intp(const Calelm* first, const Calelm* second, double* x1, double* y1,
                           double* s1First, double* s1Second, double* x2, double* y2,
                           double* s2First, double* s2Second) {
  if (first == nullptr || second == nullptr) return -1;
  int16_t firstKind = readRecord(*first).kind;
  int16_t secondKind = readRecord(*second).kind;
  auto validKind = [](int16_t kind) { return kind >= kStraight && kind <= kClothoid; };
  if (!validKind(firstKind) || !validKind(secondKind)) return -1;
  if (firstKind == kStraight && secondKind == kStraight)
    return ali_intpSS(first, second, x1, y1, s1First, s1Second) == 0 ? 0 : -1;

  using Member = int16_t (*)(const Calelm*, const Calelm*, double*, double*, double*, double*,
                             double*, double*, double*, double*);
  static constexpr Member kMembers[3][3] = {{nullptr, ali_intpSR, ali_intpSA},
                                            {nullptr, ali_intpRR, ali_intpRA},
                                            {nullptr, nullptr, ali_intpAA}};
  bool swapped = firstKind > secondKind;
  const Calelm* low = swapped ? second : first;
  const Calelm* high = swapped ? first : second;
  int16_t lowKind = std::min(firstKind, secondKind);
  int16_t highKind = std::max(firstKind, secondKind);
  double px[2] = {0.0, 0.0};
  double py[2] = {0.0, 0.0};
  double sLow[2] = {0.0, 0.0};
  double sHigh[2] = {0.0, 0.0};
  int16_t status = kMembers[lowKind - 1][highKind - 1](
      low, high, &px[0], &py[0], &sLow[0], &sHigh[0], &px[1], &py[1], &sLow[1], &sHigh[1]);
  if (status != 1 && status != 2) return status;
  const double* sFirst = swapped ? sHigh : sLow;
  const double* sSecond = swapped ? sLow : sHigh;
  // Points follow the caller's first element.
  int order[2] = {0, 1};
  if (status == 2 && sFirst[1] < sFirst[0]) std::swap(order[0], order[1]);
  *x1 = px[order[0]];
  *y1 = py[order[0]];
  *s1First = sFirst[order[0]];
  *s1Second = sSecond[order[0]];
  if (status == 2) {
    *x2 = px[order[1]];
    *y2 = py[order[1]];
    *s2First = sFirst[order[1]];
    *s2Second = sSecond[order[1]];
  }
  return status == 1 ? 0 : 1;
}

}  // extern "C"
