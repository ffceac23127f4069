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

Point computationPoint(double X, double Y) { return {X, -Y}; }

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
  return parameter != 0.0 && radius != 0.0 && CDchkAR(parameter, radius) == 0;
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
  if (!(radius > 0.0)) return -1;
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
  if (firstParameter == 0.0 || secondParameter == 0.0) return -1;
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
  if (!placeClothoidPair(legs, firstParameter, commonRadius, secondParameter, &centre,
                         &firstOrigin, &secondOrigin)) {
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

}  // extern "C"
