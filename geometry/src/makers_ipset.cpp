// IP setters: the curve elements at one intersection point of an alignment polygon.
// Work in the computation frame; the records are written in the surveyor frame.
#include <cmath>

#include "kestrel/geometry_makers.h"
#include "makers_detail.h"

namespace {

using namespace kestrel::geometry::makers_detail;

// The two legs at an IP, their deflection and the side the polygon turns to.
struct Legs {
  StdLine back;
  StdLine forward;
  double backAngle;
  double forwardAngle;
  double intersectionAngle;
  double sign;
  Point backInward;
  Point forwardInward;
  Point ip;
};

Point unit(double x, double y) {
  const double length = std::hypot(x, y);
  return {x / length, y / length};
}

// Legs P0->P1 and P1->P2 (computation frame); false when a leg is degenerate or the legs are
// collinear (no side to turn to).
bool makeLegs(Point p0, Point p1, Point p2, Legs* legs) {
  if (!allFinite({p0.x, p0.y, p1.x, p1.y, p2.x, p2.y})) return false;
  if (CDlinstd(p0.x, p0.y, p1.x, p1.y, &legs->back) != 0) return false;
  if (CDlinstd(p1.x, p1.y, p2.x, p2.y, &legs->forward) != 0) return false;
  const StdLine& b = legs->back;
  const StdLine& f = legs->forward;
  CDlineang(b.x0, b.y0, b.ux, b.uy, &legs->backAngle);
  CDlineang(f.x0, f.y0, f.ux, f.uy, &legs->forwardAngle);
  double deflection = CDbtwang(p0.x, p0.y, p1.x, p1.y, p1.x, p1.y, p2.x, p2.y);
  if (deflection > kPi) deflection = kTwoPi - deflection;
  legs->intersectionAngle = deflection;
  legs->sign = CDbtwang(p1.x, p1.y, p0.x, p0.y, p1.x, p1.y, p2.x, p2.y) > kPi ? 1.0 : -1.0;
  legs->ip = p1;

  // Each leg's inward normal points from the foot of the other leg's midpoint toward it.
  const Point forwardMid{(p1.x + p2.x) / 2.0, (p1.y + p2.y) / 2.0};
  const Point backMid{(p0.x + p1.x) / 2.0, (p0.y + p1.y) / 2.0};
  Point foot{};
  CDpojpoi(b.x0, b.y0, b.ux, b.uy, forwardMid.x, forwardMid.y, &foot.x, &foot.y);
  if (distance(foot, forwardMid) < 1e-9) return false;
  legs->backInward = unit(forwardMid.x - foot.x, forwardMid.y - foot.y);
  CDpojpoi(f.x0, f.y0, f.ux, f.uy, backMid.x, backMid.y, &foot.x, &foot.y);
  if (distance(foot, backMid) < 1e-9) return false;
  legs->forwardInward = unit(backMid.x - foot.x, backMid.y - foot.y);
  return true;
}

// Centre of the circle whose distances from the back and forward legs are the two shifts, and the
// feet of that centre on both legs.
bool shiftedCentre(const Legs& legs, double backShift, double forwardShift, Point* centre,
                   Point* backFoot, Point* forwardFoot) {
  const StdLine& b = legs.back;
  const StdLine& f = legs.forward;
  if (CDlincros(b.x0 + backShift * legs.backInward.x, b.y0 + backShift * legs.backInward.y, b.ux,
                b.uy, f.x0 + forwardShift * legs.forwardInward.x,
                f.y0 + forwardShift * legs.forwardInward.y, f.ux, f.uy, &centre->x,
                &centre->y) != 0) {
    return false;
  }
  CDpojpoi(b.x0, b.y0, b.ux, b.uy, centre->x, centre->y, &backFoot->x, &backFoot->y);
  CDpojpoi(f.x0, f.y0, f.ux, f.uy, centre->x, centre->y, &forwardFoot->x, &forwardFoot->y);
  return true;
}

void writeLegOutputs(const Legs& legs, Point curveStart, Point curveEnd, IpRecord* ip) {
  ip->backAzimuth = ali_CExAng(legs.backAngle);
  ip->forwardAzimuth = ali_CExAng(legs.forwardAngle);
  ip->intersectionAngle = legs.intersectionAngle;
  ip->startTangent = distance(legs.ip, curveStart);
  ip->endTangent = distance(legs.ip, curveEnd);
}

Point computationPoint(double X, double Y) {
  return {X, -Y};
}

// Clothoid from the origin on the back leg (infinite radius) to radius R.
int16_t enteringClothoid(Point origin, const Legs& legs, double parameter, double radius,
                         Calelm* clothoid) {
  initCalelm(clothoid);
  clothoid->kind = CALELM_CLOTHOID;
  clothoid->startX = origin.x;  // rounded by the maker, with the far end
  clothoid->startY = -origin.y;
  clothoid->startAngle = ali_CExAng(legs.backAngle);
  clothoid->turnSign = legs.sign;
  clothoid->parameter = parameter;
  clothoid->startRadius = 0.0;
  clothoid->endRadius = radius;
  return ali_makangA(clothoid, 1);
}

// Clothoid from radius R to the origin on the forward leg.
int16_t leavingClothoid(Point origin, const Legs& legs, double parameter, double radius,
                        Calelm* clothoid) {
  initCalelm(clothoid);
  clothoid->kind = CALELM_CLOTHOID;
  clothoid->endX = origin.x;
  clothoid->endY = -origin.y;
  clothoid->endAngle = ali_CExAng(legs.forwardAngle);
  clothoid->turnSign = legs.sign;
  clothoid->parameter = parameter;
  clothoid->startRadius = radius;
  clothoid->endRadius = 0.0;
  return ali_makangA(clothoid, 2);
}

// Clothoids A1 and A2 ending at radius R: legs shifted by Y_M = R cos(tau) + y, origins X_M before
// the back foot and beyond the forward foot.
bool placeClothoidPair(const Legs& legs, double firstParameter, double radius,
                       double secondParameter, Point* centre, Point* firstOrigin,
                       Point* secondOrigin) {
  double firstX = 0.0, firstY = 0.0, secondX = 0.0, secondY = 0.0;
  CDRcalxy(firstParameter, radius, &firstX, &firstY);
  CDRcalxy(secondParameter, radius, &secondX, &secondY);
  const double firstTau = clothoidTau(firstParameter, radius);
  const double secondTau = clothoidTau(secondParameter, radius);
  const double firstShift = radius * std::cos(firstTau) + firstY;
  const double secondShift = radius * std::cos(secondTau) + secondY;
  const double firstAbscissa = firstX - radius * std::sin(firstTau);
  const double secondAbscissa = secondX - radius * std::sin(secondTau);
  Point backFoot{}, forwardFoot{};
  if (!shiftedCentre(legs, firstShift, secondShift, centre, &backFoot, &forwardFoot)) return false;
  *firstOrigin = {backFoot.x - firstAbscissa * legs.back.ux,
                  backFoot.y - firstAbscissa * legs.back.uy};
  *secondOrigin = {forwardFoot.x + secondAbscissa * legs.forward.ux,
                   forwardFoot.y + secondAbscissa * legs.forward.uy};
  return true;
}

bool validClothoidEnd(double parameter, double radius) {
  return parameter != 0.0 && radius != 0.0 && allFinite({parameter, radius}) &&
         CDchkAR(parameter, radius) == 0;
}

// Arc record of radius R leaving the pose through the central angle phi; a zero-length arc when
// the angle is too small to carry a length quantum.
int16_t arcFromPose(Pose pose, double sign, double radius, double phi, Calelm* arc) {
  initCalelm(arc);
  arc->kind = CALELM_ARC;
  arc->startX = pose.x;
  arc->startY = -pose.y;
  arc->startAngle = ali_CExAng(normalisedAngle(pose.heading));
  arc->turnSign = sign;
  arc->parameter = radius;
  arc->length = radius * phi;
  if (radius * phi >= kLengthQuantum) return makeArcFromStart(arc);
  arc->startX = ali_CAroundNum(arc->startX);
  arc->startY = ali_CAroundNum(arc->startY);
  arc->endX = arc->startX;
  arc->endY = arc->startY;
  arc->endAngle = arc->startAngle;
  arc->length = 0.0;
  arc->extra1 = ali_CAroundNum(pose.x - sign * radius * std::sin(pose.heading));
  arc->extra2 = ali_CAroundNum(-(pose.y + sign * radius * std::cos(pose.heading)));
  return 0;
}

int16_t clothoidFromPose(Pose pose, double sign, double parameter, double startRadius,
                         double endRadius, Calelm* clothoid) {
  initCalelm(clothoid);
  clothoid->kind = CALELM_CLOTHOID;
  clothoid->startX = pose.x;
  clothoid->startY = -pose.y;
  clothoid->startAngle = ali_CExAng(normalisedAngle(pose.heading));
  clothoid->turnSign = sign;
  clothoid->parameter = parameter;
  clothoid->startRadius = startRadius;
  clothoid->endRadius = endRadius;
  return ali_makangA(clothoid, 1);
}

// Clothoid A1, arc R1, clothoid A2 (R1 to R2), arc R2, clothoid A3 from the point at the given
// tangent length on the back leg. The arcs share what the clothoids leave of IA; the split is the
// root of the end point's signed distance from the forward leg, found by Brent's method on
// [0, that angle] to 1e-13 rad within 100 steps. -1 when the clothoids alone exceed IA or no split
// puts the end on the forward leg.
int16_t solveFiveElements(Point p0, Point p1, Point p2, const double parameters[5],
                          double startTangent, Calelm elements[5], Legs* legsOut) {
  const double a1 = parameters[0], r1 = parameters[1], a2 = parameters[2];
  const double r2 = parameters[3], a3 = parameters[4];
  if (!validClothoidEnd(a1, r1) || !validClothoidEnd(a2, r1) || !validClothoidEnd(a2, r2) ||
      !validClothoidEnd(a3, r2)) {
    return -1;
  }
  if (std::fabs(CDRlen(a2, r1) - CDRlen(a2, r2)) < kLengthQuantum || !(startTangent > 0.0) ||
      !std::isfinite(startTangent)) {
    return -1;
  }
  Legs& legs = *legsOut;
  if (!makeLegs(p0, p1, p2, &legs)) return -1;
  const double sign = legs.sign;
  const double arcsAngle = legs.intersectionAngle - clothoidTau(a1, r1) -
                           std::fabs(clothoidTau(a2, r2) - clothoidTau(a2, r1)) -
                           clothoidTau(a3, r2);
  if (arcsAngle < 0.0) return -1;
  const Pose start{p1.x - startTangent * legs.back.ux, p1.y - startTangent * legs.back.uy,
                   legs.backAngle};
  // The clothoids do not change with the split: each is walked once from a zero pose and then
  // applied as a rigid step (rotated by the heading it starts with).
  const Pose zero{0.0, 0.0, 0.0};
  const Pose steps[3] = {advanceOnClothoid(zero, sign, a1, 0.0, r1),
                         advanceOnClothoid(zero, sign, a2, r1, r2),
                         advanceOnClothoid(zero, sign, a3, r2, 0.0)};
  auto apply = [](Pose pose, const Pose& step) {
    const double c = std::cos(pose.heading), s = std::sin(pose.heading);
    return Pose{pose.x + c * step.x - s * step.y, pose.y + s * step.x + c * step.y,
                pose.heading + step.heading};
  };
  // Poses at the start of each element for a given first arc angle.
  auto walkChain = [&](double firstArcAngle, Pose poses[6]) {
    poses[0] = start;
    poses[1] = apply(poses[0], steps[0]);
    poses[2] = advanceOnArc(poses[1], sign, r1, firstArcAngle);
    poses[3] = apply(poses[2], steps[1]);
    poses[4] = advanceOnArc(poses[3], sign, r2, arcsAngle - firstArcAngle);
    poses[5] = apply(poses[4], steps[2]);
  };
  auto offsetFromForwardLeg = [&](double firstArcAngle) {
    Pose poses[6];
    walkChain(firstArcAngle, poses);
    return (poses[5].x - p1.x) * -legs.forward.uy + (poses[5].y - p1.y) * legs.forward.ux;
  };
  double firstArcAngle = 0.0;
  if (!findRoot(offsetFromForwardLeg, 0.0, arcsAngle, 1e-13, 100, &firstArcAngle)) return -1;
  Pose poses[6];
  walkChain(firstArcAngle, poses);
  if (clothoidFromPose(poses[0], sign, a1, 0.0, r1, &elements[0]) != 0 ||
      arcFromPose(poses[1], sign, r1, firstArcAngle, &elements[1]) != 0 ||
      clothoidFromPose(poses[2], sign, a2, r1, r2, &elements[2]) != 0 ||
      arcFromPose(poses[3], sign, r2, arcsAngle - firstArcAngle, &elements[3]) != 0 ||
      clothoidFromPose(poses[4], sign, a3, r2, 0.0, &elements[4]) != 0) {
    return -1;
  }
  return 0;
}

// The same arc run the other way: ends swapped, sign negated, tangents turned by pi.
void reverseArc(Calelm* arc) {
  const Calelm original = *arc;
  arc->startX = original.endX;
  arc->startY = original.endY;
  arc->endX = original.startX;
  arc->endY = original.startY;
  arc->startAngle = normalisedAngle(original.endAngle + kPi);
  arc->endAngle = normalisedAngle(original.startAngle + kPi);
  arc->turnSign = -original.turnSign;
}

}  // namespace

extern "C" {

// Single arc: the legs shifted inward by R meet in the centre; its feet are the tangent points.
int16_t ali_IPsetR(double previousX, double previousY, IpRecord* ip, double nextX, double nextY,
                   Calelm* arc) {
  if (ip == nullptr || arc == nullptr) return -1;
  const double radius = ip->parameters[0];
  Legs legs{};
  if (!makeLegs(computationPoint(previousX, previousY), computationPoint(ip->x, ip->y),
                computationPoint(nextX, nextY), &legs)) {
    return -1;
  }
  if (!(radius > 0.0) || !std::isfinite(radius)) return -1;
  Point centre{}, start{}, end{};
  if (!shiftedCentre(legs, radius, radius, &centre, &start, &end)) return -1;
  writeLegOutputs(legs, start, end, ip);

  initCalelm(arc);
  arc->kind = CALELM_ARC;
  arc->startX = ali_CAroundNum(start.x);
  arc->startY = ali_CAroundNum(-start.y);
  arc->endX = ali_CAroundNum(end.x);
  arc->endY = ali_CAroundNum(-end.y);
  arc->parameter = radius;
  arc->startRadius = radius;
  arc->endRadius = radius;
  arc->turnSign = legs.sign;
  ali_makR(arc);
  return 0;
}

// Two clothoids meeting at the common radius Rc where tau1 + tau2 = IA.
int16_t ali_IPsetAA(double previousX, double previousY, IpRecord* ip, double nextX, double nextY,
                    Calelm* firstClothoid, Calelm* secondClothoid) {
  if (ip == nullptr || firstClothoid == nullptr || secondClothoid == nullptr) return -1;
  const double firstParameter = ip->parameters[0];
  const double secondParameter = ip->parameters[1];
  if (firstParameter == 0.0 || secondParameter == 0.0 ||
      !allFinite({firstParameter, secondParameter})) {
    return -1;
  }
  Legs legs{};
  if (!makeLegs(computationPoint(previousX, previousY), computationPoint(ip->x, ip->y),
                computationPoint(nextX, nextY), &legs)) {
    return -1;
  }
  const double commonRadius =
      std::sqrt((firstParameter * firstParameter + secondParameter * secondParameter) /
                (2.0 * legs.intersectionAngle));
  if (!validClothoidEnd(firstParameter, commonRadius) ||
      !validClothoidEnd(secondParameter, commonRadius)) {
    return -1;
  }
  Point centre{}, firstOrigin{}, secondOrigin{};
  if (!placeClothoidPair(legs, firstParameter, commonRadius, secondParameter, &centre, &firstOrigin,
                         &secondOrigin)) {
    return -1;
  }
  writeLegOutputs(legs, firstOrigin, secondOrigin, ip);
  if (enteringClothoid(firstOrigin, legs, firstParameter, commonRadius, firstClothoid) != 0 ||
      leavingClothoid(secondOrigin, legs, secondParameter, commonRadius, secondClothoid) != 0) {
    return -1;
  }
  return 0;
}

// Clothoid, arc of the given radius, clothoid; the arc takes what the clothoids leave of IA.
int16_t ali_IPsetARA(double previousX, double previousY, IpRecord* ip, double nextX, double nextY,
                     Calelm* firstClothoid, Calelm* arc, Calelm* secondClothoid) {
  if (ip == nullptr || firstClothoid == nullptr || arc == nullptr || secondClothoid == nullptr) {
    return -1;
  }
  const double firstParameter = ip->parameters[0];
  const double radius = ip->parameters[1];
  const double secondParameter = ip->parameters[2];
  if (!validClothoidEnd(firstParameter, radius) || !validClothoidEnd(secondParameter, radius)) {
    return -1;
  }
  Legs legs{};
  if (!makeLegs(computationPoint(previousX, previousY), computationPoint(ip->x, ip->y),
                computationPoint(nextX, nextY), &legs)) {
    return -1;
  }
  const double arcAngle = legs.intersectionAngle - clothoidTau(firstParameter, radius) -
                          clothoidTau(secondParameter, radius);
  Point centre{}, firstOrigin{}, secondOrigin{};
  if (!placeClothoidPair(legs, firstParameter, radius, secondParameter, &centre, &firstOrigin,
                         &secondOrigin)) {
    return -1;
  }
  writeLegOutputs(legs, firstOrigin, secondOrigin, ip);
  if (enteringClothoid(firstOrigin, legs, firstParameter, radius, firstClothoid) != 0 ||
      leavingClothoid(secondOrigin, legs, secondParameter, radius, secondClothoid) != 0) {
    return -1;
  }

  initCalelm(arc);
  arc->kind = CALELM_ARC;
  arc->turnSign = legs.sign;
  arc->parameter = radius;
  arc->extra1 = ali_CAroundNum(centre.x);
  arc->extra2 = ali_CAroundNum(-centre.y);
  arc->startX = firstClothoid->endX;
  arc->startY = firstClothoid->endY;
  arc->startAngle = firstClothoid->endAngle;
  if (arcAngle < kLengthQuantum) {
    // The clothoids meet (or overlap): a zero-length arc marks where.
    arc->endX = arc->startX;
    arc->endY = arc->startY;
    arc->endAngle = arc->startAngle;
    return arcAngle < 0.0 ? -1 : 0;
  }
  arc->endX = secondClothoid->startX;
  arc->endY = secondClothoid->startY;
  ali_makR(arc);
  arc->length = ali_CAroundNum(radius * arcAngle);
  arc->extra3 = arcAngle;
  arc->startAngle = firstClothoid->endAngle;
  arc->endAngle = secondClothoid->startAngle;
  return 0;
}

// Five elements at one IP. Type 7 starts from the given start tangent; type 8 solves the reversed
// polygon from the given end tangent as type 7 and turns every element around.
int16_t ali_IPsetARARA(double previousX, double previousY, IpRecord* ip, double nextX, double nextY,
                       Calelm elements[5]) {
  if (ip == nullptr || elements == nullptr) return -1;
  const Point previous = computationPoint(previousX, previousY);
  const Point here = computationPoint(ip->x, ip->y);
  const Point next = computationPoint(nextX, nextY);
  Legs legs{};
  if (ip->curveType == IPREC_ARARA_START_TANGENT_GIVEN) {
    if (solveFiveElements(previous, here, next, ip->parameters, ip->startTangent, elements,
                          &legs) != 0) {
      return -1;
    }
    writeLegOutputs(legs, here, here, ip);
    ip->startTangent = distance(here, computationPoint(elements[0].startX, elements[0].startY));
    ip->endTangent = distance(here, computationPoint(elements[4].endX, elements[4].endY));
    return 0;
  }
  if (ip->curveType != IPREC_ARARA_END_TANGENT_GIVEN) return -1;
  const double reversedParameters[5] = {ip->parameters[4], ip->parameters[3], ip->parameters[2],
                                        ip->parameters[1], ip->parameters[0]};
  Calelm reversed[5];
  Legs reversedLegs{};
  if (solveFiveElements(next, here, previous, reversedParameters, ip->endTangent, reversed,
                        &reversedLegs) != 0) {
    return -1;
  }
  for (int i = 0; i < 5; ++i) {
    Calelm element = reversed[4 - i];
    if (element.kind == CALELM_CLOTHOID) {
      CDreverA(&element, 1);
      if (ali_makA(&element) < 0) return -1;
    } else {
      reverseArc(&element);
      if (element.length > 0.0 && ali_makR(&element) != 0) return -1;
    }
    elements[i] = element;
  }
  if (!makeLegs(previous, here, next, &legs)) return -1;
  writeLegOutputs(legs, here, here, ip);
  ip->startTangent = distance(here, computationPoint(elements[0].startX, elements[0].startY));
  ip->endTangent = distance(here, computationPoint(elements[4].endX, elements[4].endY));
  return 0;
}

}  // extern "C"
