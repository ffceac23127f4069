// Element makers: complete a straight, arc or clothoid record from the values that define it.
// Each converts to the computation frame on entry and back before it returns.
#include <cmath>

#include "kestrel/geometry_makers.h"
#include "makers_detail.h"

namespace kestrel::geometry::makers_detail {

Pose advanceOnArc(Pose pose, double sign, double radius, double phi) {
  // The centre is on the turning side of the heading; the chord subtends phi.
  const double chord = 2.0 * radius * std::sin(phi / 2.0);
  const double chordHeading = pose.heading + sign * phi / 2.0;
  return {pose.x + chord * std::cos(chordHeading), pose.y + chord * std::sin(chordHeading),
          pose.heading + sign * phi};
}

Pose advanceOnClothoid(Pose pose, double sign, double parameter, double fromRadius,
                       double toRadius) {
  double fromX = 0.0, fromY = 0.0, toX = 0.0, toY = 0.0;
  CDRcalxy(parameter, fromRadius, &fromX, &fromY);
  CDRcalxy(parameter, toRadius, &toX, &toY);
  const double fromTau = clothoidTau(parameter, fromRadius);
  const double toTau = clothoidTau(parameter, toRadius);
  // Toward the smaller radius the walk follows the clothoid's own sense; toward the larger one it
  // runs backward, which mirrors the turning side and reverses the heading.
  const bool towardOrigin = toTau < fromTau;
  const double mirror = towardOrigin ? -sign : sign;
  const double frameRotation = pose.heading - mirror * fromTau - (towardOrigin ? kPi : 0.0);
  const double localX = toX - fromX;
  const double localY = mirror * (toY - fromY);
  const double c = std::cos(frameRotation), s = std::sin(frameRotation);
  return {pose.x + c * localX - s * localY, pose.y + s * localX + c * localY,
          pose.heading + mirror * (toTau - fromTau)};
}

int16_t makeArcFromStart(Calelm* arc) {
  const double sign = arc->turnSign;
  const double radius = arc->parameter;
  const double length = arc->length;
  if (!isUnitSign(sign) || radius == 0.0 || length == 0.0) return -1;
  if (!allFinite({arc->startX, arc->startY, arc->startAngle, radius, length})) return -1;
  const double startX = arc->startX, startY = -arc->startY;
  const double startAngle = ali_CExAng(arc->startAngle);
  double centerX = 0.0, centerY = 0.0;
  ali_KEnPntc(sign, startX, startY, startAngle, radius, &centerX, &centerY);
  const double phi = length / radius;
  double endX = 0.0, endY = 0.0;
  ali_KEnPntb(sign, centerX, centerY, startX, startY, phi, &endX, &endY);
  double unusedStartAngle = 0.0, endAngle = 0.0, unusedPhi = 0.0, unusedLength = 0.0;
  ali_KEnAng(startX, startY, endX, endY, sign, radius, centerX, centerY, &unusedStartAngle,
             &endAngle, &unusedPhi, &unusedLength);
  arc->parameter = ali_CAroundAng(radius);
  arc->startRadius = 0.0;
  arc->endRadius = 0.0;
  arc->startX = ali_CAroundNum(arc->startX);
  arc->startY = ali_CAroundNum(arc->startY);
  arc->endX = ali_CAroundNum(endX);
  arc->endY = ali_CAroundNum(-endY);
  arc->length = ali_CAroundNum(length);
  arc->startAngle = ali_CExAng(ali_CAroundAng(startAngle));
  arc->endAngle = ali_CExAng(endAngle);
  arc->extra1 = ali_CAroundNum(centerX);
  arc->extra2 = ali_CAroundNum(-centerY);
  arc->extra3 = phi;
  return 0;
}

}  // namespace kestrel::geometry::makers_detail

namespace {

using namespace kestrel::geometry::makers_detail;

// The clothoid of parameter A between radii R1 and R2 in its own frame: origin at (0, 0), main
// tangent along +x, turning left; the same record as the validated one would be, unplaced.
bool standardClothoid(const Calelm& normalised, Calelm* standard) {
  const double parameter = normalised.parameter;
  const double startRadius = normalised.startRadius;
  const double endRadius = normalised.endRadius;
  if (parameter == 0.0 || !allFinite({parameter, startRadius, endRadius})) return false;
  if (startRadius != 0.0 && !(startRadius / parameter > kMinimumRadiusToParameter)) return false;
  if (endRadius != 0.0 && !(endRadius / parameter > kMinimumRadiusToParameter)) return false;
  const double startLength = CDRlen(parameter, startRadius);
  const double endLength = CDRlen(parameter, endRadius);
  if (std::fabs(endLength - startLength) < kLengthQuantum) return false;

  initCalelm(standard);
  standard->kind = CALELM_CLOTHOID;
  standard->turnSign = 1.0;
  standard->parameter = parameter;
  standard->startRadius = startRadius;
  standard->endRadius = endRadius;
  standard->length = std::fabs(endLength - startLength);
  CDRcalxy(parameter, startRadius, &standard->startX, &standard->startY);
  CDRcalxy(parameter, endRadius, &standard->endX, &standard->endY);
  const double endTau = clothoidTau(parameter, endRadius);
  standard->startAngle = clothoidTau(parameter, startRadius);
  standard->endAngle = endTau;
  standard->extra1 = endTau;
  standard->extra2 = endRadius * std::cos(endTau) + standard->endY - endRadius;
  standard->extra3 = standard->endX - endRadius * std::sin(endTau);
  return true;
}

void copyShapeFields(const Calelm& from, Calelm* to) {
  to->length = from.length;
  to->startAngle = from.startAngle;
  to->endAngle = from.endAngle;
  to->extra1 = from.extra1;
  to->extra2 = from.extra2;
  to->extra3 = from.extra3;
}

bool samePointWithinQuantum(double x1, double y1, double x2, double y2) {
  return std::fabs(x1 - x2) < kLengthQuantum && std::fabs(y1 - y2) < kLengthQuantum;
}

}  // namespace

extern "C" {

// Arc through two points: centre and angles from the chord with the start moved to the origin,
// so that large coordinates do not cost precision.
int16_t ali_makR(Calelm* arc) {
  if (arc == nullptr) return -1;
  const double sign = arc->turnSign;
  const double radius = arc->parameter;
  if (samePointWithinQuantum(arc->startX, arc->startY, arc->endX, arc->endY)) return -1;
  if (radius == 0.0 || !isUnitSign(sign)) return -1;
  if (!allFinite({arc->startX, arc->startY, arc->endX, arc->endY, radius})) return -1;
  const double chordX = arc->endX - arc->startX;
  const double chordY = -(arc->endY - arc->startY);
  if (std::hypot(chordX, chordY) > 2.0 * radius) return -1;

  double centerX = 0.0, centerY = 0.0;
  ali_KEnCen(0.0, 0.0, chordX, chordY, sign, radius, &centerX, &centerY);
  double startAngle = 0.0, endAngle = 0.0, phi = 0.0, length = 0.0;
  ali_KEnAng(0.0, 0.0, chordX, chordY, sign, radius, centerX, centerY, &startAngle, &endAngle, &phi,
             &length);
  arc->length = ali_CAroundNum(length);
  arc->startRadius = 0.0;
  arc->endRadius = 0.0;
  arc->extra1 = ali_CAroundNum(arc->startX + centerX);
  arc->extra2 = ali_CAroundNum(arc->startY - centerY);
  arc->extra3 = phi;
  arc->startAngle = ali_CExAng(startAngle);
  arc->endAngle = ali_CExAng(endAngle);
  return 0;
}

// Clothoid through two points: the standard clothoid between the two radii is turned so that its
// chord lies along the given chord and moved onto the given start (after normalising the record
// to run toward the smaller radius); a right turn is fitted in the mirror image.
int16_t ali_makA(Calelm* clothoid) {
  if (clothoid == nullptr) return -1;
  Calelm given = *clothoid;
  given.kind = CALELM_CLOTHOID;
  given.length = 1.0;
  given.startAngle = kPi;
  given.endAngle = kPi;
  given.extra1 = 1.0;
  given.extra2 = 1.0;
  given.extra3 = 1.0;
  auto fail = [&]() -> int16_t {
    // The sentinels are frame-invariant (pi converts to pi), so they are written as set.
    copyShapeFields(given, clothoid);
    return -1;
  };

  Calelm work = otherFrame(given);
  const bool reversed = CDreverA(&work, 0) == 1;
  Calelm standard;
  if (!standardClothoid(work, &standard) || !isUnitSign(work.turnSign)) return fail();
  // Without a chord there is no direction to fit to.
  if (!allFinite({work.startX, work.startY, work.endX, work.endY}) ||
      samePointWithinQuantum(work.startX, work.startY, work.endX, work.endY)) {
    return fail();
  }

  const bool mirrored = work.turnSign == -1.0;
  Calelm target = work;
  if (mirrored) CDmirA(work, &target);
  const double theta = CDbtwang(standard.startX, standard.startY, standard.endX, standard.endY,
                                target.startX, target.startY, target.endX, target.endY);
  Calelm turned, placed;
  CDturnA(standard, &turned, theta);
  CDmoveA(turned, &placed, target.startX - turned.startX, target.startY - turned.startY);
  if (mirrored) {
    Calelm mirroredBack;
    CDmirA(placed, &mirroredBack);
    placed = mirroredBack;
  }

  int16_t status = 0;
  if (std::hypot(placed.endX - work.endX, placed.endY - work.endY) > kLengthQuantum) {
    status = 2;
    work.endX = placed.endX;
    work.endY = placed.endY;
  }
  copyShapeFields(placed, &work);
  if (reversed) CDreverA(&work, 1);
  const Calelm result = otherFrame(work);
  if (status == 2) {
    clothoid->startX = ali_CAroundNum(result.startX);
    clothoid->startY = ali_CAroundNum(result.startY);
    clothoid->endX = ali_CAroundNum(result.endX);
    clothoid->endY = ali_CAroundNum(result.endY);
  }
  copyShapeFields(result, clothoid);
  clothoid->length = ali_CAroundNum(clothoid->length);
  return status;
}

// Clothoid from one end point and its tangent angle: the standard clothoid (mirrored for a right
// turn) is moved onto the point and turned about it until the tangents agree.
int16_t ali_makangA(Calelm* clothoid, int16_t mode) {
  if (clothoid == nullptr) return -1;
  Calelm given = *clothoid;
  given.kind = CALELM_CLOTHOID;
  given.length = 1.0;
  given.extra1 = kPi;
  given.extra2 = 1.0;
  given.extra3 = 1.0;
  auto fail = [&]() -> int16_t {
    clothoid->length = given.length;
    clothoid->extra1 = given.extra1;
    clothoid->extra2 = given.extra2;
    clothoid->extra3 = given.extra3;
    return -1;
  };
  if (mode != 1 && mode != 2) return fail();

  Calelm work = otherFrame(given);
  const bool reversed = CDreverA(&work, 0) == 1;
  if (reversed) mode = static_cast<int16_t>(3 - mode);
  Calelm standard;
  if (!standardClothoid(work, &standard) || !isUnitSign(work.turnSign)) return fail();
  if (work.turnSign == -1.0) {
    Calelm mirrored;
    CDmirA(standard, &mirrored);
    standard = mirrored;
  }

  const bool givenFinite = mode == 1 ? allFinite({work.startX, work.startY, work.startAngle})
                                     : allFinite({work.endX, work.endY, work.endAngle});
  if (!givenFinite) return fail();
  Calelm moved, placed;
  if (mode == 1) {
    CDmoveA(standard, &moved, work.startX - standard.startX, work.startY - standard.startY);
    CDturnA(moved, &placed, work.startAngle - moved.startAngle);
    work.endX = placed.endX;
    work.endY = placed.endY;
    const double givenAngle = work.startAngle;
    copyShapeFields(placed, &work);
    work.startAngle = givenAngle;
  } else {
    CDmoveA(standard, &moved, work.endX - standard.endX, work.endY - standard.endY);
    CDturnAe(moved, &placed, work.endAngle - moved.endAngle);
    work.startX = placed.startX;
    work.startY = placed.startY;
    const double givenAngle = work.endAngle;
    copyShapeFields(placed, &work);
    work.endAngle = givenAngle;
  }
  if (reversed) CDreverA(&work, 1);
  const Calelm result = otherFrame(work);
  clothoid->startX = ali_CAroundNum(result.startX);
  clothoid->startY = ali_CAroundNum(result.startY);
  clothoid->endX = ali_CAroundNum(result.endX);
  clothoid->endY = ali_CAroundNum(result.endY);
  copyShapeFields(result, clothoid);
  clothoid->length = ali_CAroundNum(clothoid->length);
  return 0;
}

// Straight of a given length from one end point along the given azimuth.
int16_t ali_makangS(Calelm* straight, int16_t mode) {
  if (straight == nullptr || (mode != 1 && mode != 2)) return -1;
  const double length = straight->length;
  if (!(length > 0.0)) return -1;
  const double azimuth = mode == 1 ? straight->startAngle : straight->endAngle;
  const bool givenFinite = mode == 1 ? allFinite({straight->startX, straight->startY, azimuth})
                                     : allFinite({straight->endX, straight->endY, azimuth});
  if (!givenFinite || !std::isfinite(length)) return -1;
  // Azimuths run from +X toward +Y, so X takes the cosine.
  const double stepX = length * std::cos(azimuth);
  const double stepY = length * std::sin(azimuth);
  if (mode == 1) {
    straight->endX = ali_CAroundNum(straight->startX + stepX);
    straight->endY = ali_CAroundNum(straight->startY + stepY);
  } else {
    straight->startX = ali_CAroundNum(straight->endX - stepX);
    straight->startY = ali_CAroundNum(straight->endY - stepY);
  }
  if (ali_makS(straight) != 0) return -1;
  straight->length = ali_CAroundNum(length);
  straight->startAngle = azimuth;
  straight->endAngle = azimuth;
  return 0;
}

// Arc from one end point: mode 1 walks from the start; mode 2 walks the reversed arc from the end
// and turns the result around.
int16_t ali_makangR(Calelm* arc, int16_t mode) {
  if (arc == nullptr) return -1;
  if (mode == 1) return makeArcFromStart(arc);
  if (mode != 2 || !isUnitSign(arc->turnSign)) return -1;
  Calelm backward = *arc;
  backward.startX = arc->endX;
  backward.startY = arc->endY;
  backward.startAngle = normalisedAngle(arc->endAngle + kPi);
  backward.turnSign = -arc->turnSign;
  if (makeArcFromStart(&backward) != 0) return -1;
  Calelm forward = backward;
  forward.startX = backward.endX;
  forward.startY = backward.endY;
  forward.endX = backward.startX;
  forward.endY = backward.startY;
  forward.startAngle = normalisedAngle(backward.endAngle + kPi);
  forward.endAngle = normalisedAngle(backward.startAngle + kPi);
  forward.turnSign = arc->turnSign;
  *arc = forward;
  return 0;
}

// Mode 0 completes from both end points; modes 1 and 2 from the start or the end with its angle.
int16_t ali_mak(Calelm* element, int16_t mode) {
  if (element == nullptr || mode < 0 || mode > 2) return -1;
  switch (element->kind) {
    case CALELM_STRAIGHT:
      return mode == 0 ? ali_makS(element) : ali_makangS(element, mode);
    case CALELM_ARC:
      if (mode == 0) return ali_makR(element);
      return mode == 1 ? makeArcFromStart(element) : ali_makangR(element, 2);
    case CALELM_CLOTHOID:
      return mode == 0 ? ali_makA(element) : ali_makangA(element, mode);
    default:
      return -1;
  }
}

}  // extern "C"
