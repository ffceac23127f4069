#include "platform/civil/civil_model.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace ovcivil {

namespace {

constexpr double kTolerance = 1e-10;  // the host geometry's point tolerance
// How far beyond either end a station still counts as on the alignment (rounding of stations).
constexpr double kStationSlack = 1e-9;

double normalized(double angle) {
  angle = std::fmod(angle, 2.0 * std::numbers::pi);
  return angle < 0.0 ? angle + 2.0 * std::numbers::pi : angle;
}

double distance(PlanPoint a, PlanPoint b) { return std::hypot(b.x - a.x, b.y - a.y); }

// ∫₀ʰ exp(i(u·t/h + v·t²/h²)) dt / h for small |u| + |v|, by the Taylor series of the integrand:
// with f = Σ d_k (t/h)^k, f' = i(u + 2v t/h) f / h gives (k + 1) d_{k+1} = i(u d_k + 2v d_{k-1}).
std::complex<double> unitChord(double u, double v) {
  // Real and imaginary parts kept apart: multiplying by i swaps them with a sign.
  double previousRe = 0.0, previousIm = 0.0;
  double currentRe = 1.0, currentIm = 0.0;
  double sumRe = 1.0, sumIm = 0.0;
  for (int k = 0; k < 60; ++k) {
    const double re = u * currentRe + 2.0 * v * previousRe;
    const double im = u * currentIm + 2.0 * v * previousIm;
    const double nextRe = -im / double(k + 1);
    const double nextIm = re / double(k + 1);
    sumRe += nextRe / double(k + 2);
    sumIm += nextIm / double(k + 2);
    previousRe = currentRe;
    previousIm = currentIm;
    currentRe = nextRe;
    currentIm = nextIm;
    // The sum is about 1; terms below a tenth of the double epsilon no longer change it.
    if (std::abs(currentRe) + std::abs(currentIm) + std::abs(previousRe) + std::abs(previousIm) < 1e-17)
      break;
  }
  return {sumRe, sumIm};
}

// ∫₀ˢ exp(i(a t + b t²)) dt: the chord of a curve whose direction turns by a t + b t². The range
// is cut into pieces turning by at most half a radian each, so every series converges in about
// fifteen terms to full double precision.
std::complex<double> chord(double a, double b, double s) {
  if (s <= 0.0) return {0.0, 0.0};
  const double turn = std::abs(a) * s + std::abs(b) * s * s;
  const int pieces = std::max(1, static_cast<int>(std::ceil(turn / 0.5)));
  const double h = s / pieces;
  std::complex<double> total(0.0, 0.0);
  for (int piece = 0; piece < pieces; ++piece) {
    const double s0 = piece * h;
    const double phase = a * s0 + b * s0 * s0;
    const double slope = a + 2.0 * b * s0;
    total += std::polar(h, phase) * unitChord(slope * h, b * h * h);
  }
  return total;
}

void spiralAt(const AlignmentEntity& spiral, double along, PlanPoint& point, double& direction) {
  const double a = spiral.startCurvature;
  const double b = (spiral.endCurvature - spiral.startCurvature) / (2.0 * spiral.length);
  const std::complex<double> c = std::polar(1.0, spiral.startDirection) * chord(a, b, along);
  point = PlanPoint{spiral.start.x + c.real(), spiral.start.y + c.imag()};
  direction = normalized(spiral.startDirection + a * along + b * along * along);
}

double curvatureOf(double radius, bool turnsLeft) {
  if (std::isinf(radius)) return 0.0;
  return (turnsLeft ? 1.0 : -1.0) / radius;
}

// How far along a spiral lies the foot of the perpendicular from p nearest to it. The tangential
// part f(s) = (p − C(s))·T(s) vanishes there; f'(s) = κ(s)·(p − C(s))·N(s) − 1 with N the left
// normal. Samples a few metres apart find the nearest stretch, Newton's method the root in it.
double spiralFoot(const AlignmentEntity& spiral, PlanPoint p) {
  const int pieces = std::clamp(static_cast<int>(std::ceil(spiral.length / 4.0)), 16, 4000);
  std::vector<double> alongs;
  alongs.reserve(static_cast<std::size_t>(pieces) + 1);
  for (int k = 0; k <= pieces; ++k) alongs.push_back(spiral.length * k / pieces);
  const std::vector<PlanPoint> samples = spiral.samplePoints(alongs);
  std::size_t nearest = 0;
  for (std::size_t k = 1; k < samples.size(); ++k)
    if (distance(samples[k], p) < distance(samples[nearest], p)) nearest = k;
  const double low = alongs[nearest == 0 ? 0 : nearest - 1];
  const double high = alongs[std::min(nearest + 1, alongs.size() - 1)];
  const double growth = (spiral.endCurvature - spiral.startCurvature) / spiral.length;
  double along = alongs[nearest];
  for (int iteration = 0; iteration < 20; ++iteration) {
    PlanPoint at;
    double direction = 0.0;
    spiral.evaluate(along, at, direction);
    const double dx = p.x - at.x, dy = p.y - at.y;
    const double tangential = dx * std::cos(direction) + dy * std::sin(direction);
    const double normal = -dx * std::sin(direction) + dy * std::cos(direction);
    const double slope = (spiral.startCurvature + growth * along) * normal - 1.0;
    if (slope >= 0.0) break;  // beyond the centre of curvature: the sample is as near as it gets
    const double next = std::clamp(along - tangential / slope, low, high);
    const bool settled = std::abs(next - along) < 1e-12;
    along = next;
    if (settled) break;
  }
  return along;
}

// How far along an entity lies its place nearest to p (an end when the perpendicular misses it).
double footAlong(const AlignmentEntity& entity, PlanPoint p) {
  switch (entity.kind) {
    case EntityKind::Line: {
      if (entity.length <= 0.0) return 0.0;
      const double ux = (entity.end.x - entity.start.x) / entity.length;
      const double uy = (entity.end.y - entity.start.y) / entity.length;
      return std::clamp((p.x - entity.start.x) * ux + (p.y - entity.start.y) * uy, 0.0,
                        entity.length);
    }
    case EntityKind::Curve: {
      const double sign = entity.turnsLeft ? 1.0 : -1.0;
      const double startPolar =
          std::atan2(entity.start.y - entity.centre.y, entity.start.x - entity.centre.x);
      const double polar = std::atan2(p.y - entity.centre.y, p.x - entity.centre.x);
      const double swept = normalized(sign * (polar - startPolar));  // from the start, onward
      const double along = swept * entity.radius;
      if (along <= entity.length) return along;
      // Off the arc: the nearer end by the angle either way round.
      const double pastEnd = along - entity.length;
      const double beforeStart = 2.0 * std::numbers::pi * entity.radius - along;
      return pastEnd < beforeStart ? entity.length : 0.0;
    }
    case EntityKind::Spiral:
      return spiralFoot(entity, p);
  }
  return 0.0;
}

// The model admits no entity winding round more than once; the cap on polyline points is a
// guard only.
constexpr std::size_t kMostPoints = 1000000;

// Distances along a spiral at which to place polyline points so that every chord stays within
// `chordError` of the curve.
std::vector<double> spiralAlongs(const AlignmentEntity& spiral, double chordError) {
  // A chord of length h on a curve of curvature at most k rises at most k·h²/8 above it. Along a
  // clothoid |k| changes linearly, so each step takes the largest h with
  // h²·(k_here + growth·h) = 8·chordError, found by Newton's method from above.
  const double startSize = std::abs(spiral.startCurvature);
  const double endSize = std::abs(spiral.endCurvature);
  const double growth = (endSize - startSize) / spiral.length;  // d|k|/ds
  const double target = 8.0 * chordError;
  std::vector<double> alongs{0.0};
  double along = 0.0;
  double previousStep = spiral.length;
  while (along < spiral.length && alongs.size() < kMostPoints) {
    const double here = startSize + growth * along;
    double step = spiral.length - along;
    if (growth > 0.0 && alongs.size() == 1) {
      // The first step: Newton's method from an upper bound, monotonically down to the root.
      step = std::min(step, std::cbrt(target / growth));
      if (here > 0.0) step = std::min(step, std::sqrt(target / here));
      for (int i = 0; i < 8; ++i) {
        const double f = here * step * step + growth * step * step * step - target;
        if (f <= 0.0) break;
        step -= f / (2.0 * here * step + 3.0 * growth * step * step);
      }
    } else if (growth > 0.0) {
      // Steps shrink as |k| grows: bounding |k| by its value one previous step ahead is safe.
      step = std::min({step, previousStep, std::sqrt(target / (here + growth * previousStep))});
    } else if (here > 0.0) {
      step = std::min(step, std::sqrt(target / here));
    }
    step = std::max(step, 1e-6);
    previousStep = step;
    along = std::min(spiral.length, along + step);
    alongs.push_back(along);
  }
  return alongs;
}

}  // namespace

void AlignmentEntity::evaluate(double along, PlanPoint& point, double& direction) const {
  along = std::clamp(along, 0.0, length);
  switch (kind) {
    case EntityKind::Line: {
      const double t = length > 0.0 ? along / length : 0.0;
      point = PlanPoint{start.x + t * (end.x - start.x), start.y + t * (end.y - start.y)};
      direction = startDirection;
      return;
    }
    case EntityKind::Curve: {
      const double sign = turnsLeft ? 1.0 : -1.0;
      const double polar = std::atan2(start.y - centre.y, start.x - centre.x) + sign * along / radius;
      point = PlanPoint{centre.x + radius * std::cos(polar), centre.y + radius * std::sin(polar)};
      direction = normalized(polar + sign * std::numbers::pi / 2.0);
      return;
    }
    case EntityKind::Spiral:
      spiralAt(*this, along, point, direction);
      return;
  }
}

std::vector<PlanPoint> AlignmentEntity::samplePoints(const std::vector<double>& alongs) const {
  std::vector<PlanPoint> points;
  points.reserve(alongs.size());
  if (kind != EntityKind::Spiral) {
    for (double along : alongs) {
      PlanPoint point;
      double direction = 0.0;
      evaluate(along, point, direction);
      points.push_back(point);
    }
    return points;
  }
  // March from one station to the next: each short piece's series needs only a few terms.
  const double a = startCurvature;
  const double b = (endCurvature - startCurvature) / (2.0 * length);
  double previous = 0.0;
  PlanPoint at = start;
  for (double along : alongs) {
    along = std::clamp(along, 0.0, length);
    const double h = along - previous;
    if (h > 0.0) {
      const std::complex<double> step =
          std::polar(h, startDirection + a * previous + b * previous * previous) *
          unitChord((a + 2.0 * b * previous) * h, b * h * h);
      at = PlanPoint{at.x + step.real(), at.y + step.imag()};
    } else if (h < 0.0) {
      double direction = 0.0;
      evaluate(along, at, direction);
    }
    points.push_back(at);
    previous = along;
  }
  return points;
}

std::vector<PlanPoint> AlignmentEntity::polylinePoints(double chordError) const {
  std::vector<double> alongs;
  if (kind == EntityKind::Spiral) {
    alongs = spiralAlongs(*this, chordError);
  } else {
    std::size_t pieces = 1;
    if (kind == EntityKind::Curve && radius > 0.0 && chordError > 0.0) {
      // A chord spanning the angle θ of a circle of radius R rises R·(1 − cos(θ/2)) above it.
      const double widest = 2.0 * std::acos(std::max(-1.0, 1.0 - chordError / radius));
      const double needed = std::ceil(length / radius / widest);
      pieces = needed >= double(kMostPoints) ? kMostPoints
                                             : std::max<std::size_t>(1, std::size_t(needed));
    }
    for (std::size_t i = 0; i <= pieces; ++i) alongs.push_back(length * double(i) / double(pieces));
  }
  std::vector<PlanPoint> points = samplePoints(alongs);
  // A spiral's points are marched from its start, as drawings have always had them; a straight's
  // or a curve's ends are the entity's own.
  if (kind != EntityKind::Spiral) {
    points.front() = start;
    points.back() = end;
  }
  return points;
}

double Alignment::length() const {
  double total = 0.0;
  for (const auto& entity : entities) total += entity.length;
  return total;
}

const std::vector<double>& Alignment::entityEnds() const {
  if (ends_.size() != entities.size() || endsOf_ != entities.data()) {
    ends_.clear();
    double total = 0.0;
    for (const auto& entity : entities) ends_.push_back(total += entity.length);
    endsOf_ = entities.data();
  }
  return ends_;
}

int Alignment::pointAtStation(double station, double offset, PlanPoint& point) const {
  double direction = 0.0;
  return pointAndDirectionAtStation(station, offset, point, direction);
}

int Alignment::pointAndDirectionAtStation(double station, double offset, PlanPoint& point,
                                          double& direction) const {
  if (entities.empty() || !std::isfinite(station) || !std::isfinite(offset))
    return kOutsideAlignment;
  double along = station - startingStation;
  const std::vector<double>& ends = entityEnds();
  if (along < -kStationSlack || along > ends.back() + kStationSlack) return kOutsideAlignment;
  // The first entity that ends at or beyond the station (the last one for a station past the
  // end), found by bisection: many results along a long alignment cost n·log n, not n².
  const std::size_t index = static_cast<std::size_t>(
      std::lower_bound(ends.begin(), ends.end() - 1, along) - ends.begin());
  if (index > 0) along -= ends[index - 1];
  PlanPoint onLine;
  entities[index].evaluate(along, onLine, direction);
  // Right of the direction of travel is the direction turned clockwise by a right angle.
  point = PlanPoint{onLine.x + offset * std::sin(direction), onLine.y - offset * std::cos(direction)};
  return kOk;
}

int Alignment::stationAndOffsetOf(PlanPoint point, double& station, double& offset) const {
  if (entities.empty() || !std::isfinite(point.x) || !std::isfinite(point.y))
    return kOutsideAlignment;
  double bestDistance = INFINITY, bestAlong = 0.0, bestDirection = 0.0, startOfEntity = 0.0;
  std::size_t bestIndex = 0;
  PlanPoint bestFoot;
  for (std::size_t index = 0; index < entities.size(); ++index) {
    const AlignmentEntity& entity = entities[index];
    const double along = footAlong(entity, point);
    PlanPoint foot;
    double direction = 0.0;
    entity.evaluate(along, foot, direction);
    const double d = distance(foot, point);
    if (d < bestDistance) {
      bestDistance = d;
      bestIndex = index;
      bestAlong = startOfEntity + along;
      bestFoot = foot;
      bestDirection = direction;
    }
    startOfEntity += entity.length;
  }
  const double dx = point.x - bestFoot.x, dy = point.y - bestFoot.y;
  const double tangential = dx * std::cos(bestDirection) + dy * std::sin(bestDirection);
  // Nearest to an end of the whole alignment and off it along its direction: no perpendicular.
  const double slack = 1e-9 * std::max(1.0, bestDistance);
  if ((bestIndex == 0 && bestAlong <= 0.0 && tangential < -slack) ||
      (bestIndex + 1 == entities.size() && bestAlong >= startOfEntity && tangential > slack))
    return kOutsideAlignment;
  station = startingStation + bestAlong;
  offset = dx * std::sin(bestDirection) - dy * std::cos(bestDirection);
  return kOk;
}

const AlignmentEntity* Alignment::findEntity(int32_t objectId) const {
  // From the end: the entity asked for is nearly always the one added last (a spiral follows it).
  for (auto entity = entities.rbegin(); entity != entities.rend(); ++entity)
    if (entity->objectId == objectId) return &*entity;
  return nullptr;
}

CivilDocument::CivilDocument() = default;

Site* CivilDocument::findSite(const std::string& name) {
  const auto found = firstSiteByName_.find(name);
  return found == firstSiteByName_.end() ? nullptr : found->second;
}

Site& CivilDocument::addSite(const std::string& name) {
  Site& site = sites_.emplace_back(Site{name, {}});
  firstSiteByName_.try_emplace(name, &site);
  return site;
}

Alignment& CivilDocument::addAlignment(Site& site, const std::string& name) {
  Alignment& alignment = site.alignments.emplace_back();
  alignment.objectId = nextId();
  alignment.name = name;
  alignmentById_[alignment.objectId] = &alignment;
  return alignment;
}

Alignment* CivilDocument::findAlignment(int32_t objectId) {
  auto it = alignmentById_.find(objectId);
  return it == alignmentById_.end() ? nullptr : it->second;
}

const Alignment* CivilDocument::findAlignment(int32_t objectId) const {
  auto it = alignmentById_.find(objectId);
  return it == alignmentById_.end() ? nullptr : it->second;
}

int CivilDocument::addFixedLine(Alignment& alignment, PlanPoint start, PlanPoint end,
                                AlignmentEntity*& made) {
  const double length = distance(start, end);
  if (!std::isfinite(length) || length <= kTolerance) return kInvalidInput;
  AlignmentEntity line;
  line.kind = EntityKind::Line;
  line.start = start;
  line.end = end;
  line.length = length;
  line.startDirection = line.endDirection = normalized(std::atan2(end.y - start.y, end.x - start.x));
  made = &appendEntity(alignment, line);
  return kOk;
}

int CivilDocument::addFixedCurve(Alignment& alignment, PlanPoint start, PlanPoint end,
                                 double radius, bool turnsLeft, AlignmentEntity*& made) {
  const double chordLength = distance(start, end);
  if (!std::isfinite(chordLength) || !std::isfinite(radius) || radius <= kTolerance ||
      chordLength <= kTolerance || chordLength > 2.0 * radius + kTolerance)
    return kInvalidInput;
  // The centre of the minor arc lies on the side the arc turns to, at h from the chord's middle.
  const double half = std::min(chordLength / 2.0, radius);
  const double h = std::sqrt(std::max(0.0, radius * radius - half * half));
  const double ux = (end.x - start.x) / chordLength;
  const double uy = (end.y - start.y) / chordLength;
  const double side = turnsLeft ? 1.0 : -1.0;
  AlignmentEntity curve;
  curve.kind = EntityKind::Curve;
  curve.start = start;
  curve.end = end;
  curve.radius = radius;
  curve.turnsLeft = turnsLeft;
  curve.centre = PlanPoint{(start.x + end.x) / 2.0 - side * h * uy, (start.y + end.y) / 2.0 + side * h * ux};
  const double sweep = 2.0 * std::asin(half / radius);
  curve.length = radius * sweep;
  const double startPolar = std::atan2(start.y - curve.centre.y, start.x - curve.centre.x);
  curve.startDirection = normalized(startPolar + side * std::numbers::pi / 2.0);
  curve.endDirection = normalized(curve.startDirection + side * sweep);
  made = &appendEntity(alignment, curve);
  return kOk;
}

int CivilDocument::addFixedSpiral(Alignment& alignment, int32_t before, PlanPoint start,
                                  PlanPoint tangentIntersection, double startRadius,
                                  double endRadius, double length, bool turnsLeft, int,
                                  AlignmentEntity*& made) {
  if (alignment.findEntity(before) == nullptr) return kNoSuchObject;
  const bool radiiValid = !(startRadius <= kTolerance) && !(endRadius <= kTolerance) &&
                          !std::isnan(startRadius) && !std::isnan(endRadius);
  if (!radiiValid || startRadius == endRadius || !std::isfinite(length) || length <= kTolerance ||
      distance(start, tangentIntersection) <= kTolerance)
    return kInvalidInput;
  // A clothoid turns by the mean curvature times its length; one that would wind round more than
  // a full turn is no road geometry (and would take unbounded work to evaluate and draw).
  const double turn = std::abs(curvatureOf(startRadius, true) + curvatureOf(endRadius, true)) / 2.0 * length;
  if (turn > 2.0 * std::numbers::pi) return kInvalidInput;
  AlignmentEntity spiral;
  spiral.kind = EntityKind::Spiral;
  spiral.start = start;
  spiral.length = length;
  spiral.turnsLeft = turnsLeft;
  spiral.startRadius = startRadius;
  spiral.endRadius = endRadius;
  spiral.startCurvature = curvatureOf(startRadius, turnsLeft);
  spiral.endCurvature = curvatureOf(endRadius, turnsLeft);
  spiral.startDirection = normalized(
      std::atan2(tangentIntersection.y - start.y, tangentIntersection.x - start.x));
  spiralAt(spiral, length, spiral.end, spiral.endDirection);
  // Where the tangents at both ends meet: start + t·(start direction).
  const double cx = std::cos(spiral.startDirection);
  const double cy = std::sin(spiral.startDirection);
  const double ex = std::cos(spiral.endDirection);
  const double ey = std::sin(spiral.endDirection);
  const double cross = cx * ey - cy * ex;
  if (std::abs(cross) > 1e-12) {
    const double t = ((spiral.end.x - start.x) * ey - (spiral.end.y - start.y) * ex) / cross;
    spiral.tangentIntersection = PlanPoint{start.x + t * cx, start.y + t * cy};
  } else {
    spiral.tangentIntersection = tangentIntersection;
  }
  made = &appendEntity(alignment, spiral);
  return kOk;
}

int CivilDocument::removeEntityAt(Alignment& alignment, long index) {
  if (index < 0 || index >= static_cast<long>(alignment.entities.size())) return kInvalidInput;
  alignment.entities.erase(alignment.entities.begin() + index);
  alignment.endsOf_ = nullptr;
  return kOk;
}

AlignmentEntity& CivilDocument::appendEntity(Alignment& alignment, const AlignmentEntity& entity) {
  AlignmentEntity& added = alignment.entities.emplace_back(entity);
  alignment.endsOf_ = nullptr;
  added.objectId = nextId();
  return added;
}

void CivilDocument::setFileStamp(std::string date, std::string time) {
  fileDate_ = std::move(date);
  fileTime_ = std::move(time);
}

void CivilDocument::markModified() {
  fileDate_.clear();
  fileTime_.clear();
}

bool CivilApplication::answersTo(const std::string& programmaticId) const {
  return programmaticId == kLandApplicationId || programmaticId == kRoadwayApplicationId;
}

CivilApplication& civilApplication() {
  static CivilApplication application;
  return application;
}

}  // namespace ovcivil
