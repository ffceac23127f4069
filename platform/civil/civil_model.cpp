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
