/* IP-method element making: element makers, IP setters and chain makers. Pure C; usable from C++.
 *
 * Records are in the surveyor frame (X north, Y east, azimuths clockwise from north) on entry and
 * on exit. Every function returns a 16-bit status: 0 success, -1 invalid input or no solution,
 * other codes where a function says so. Nothing allocates, throws or keeps state.
 */
#ifndef KESTREL_GEOMETRY_MAKERS_H
#define KESTREL_GEOMETRY_MAKERS_H

#include <stdint.h>

#include "kestrel/geometry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * One intersection point (IP) of an alignment polygon with the curve set at it. 112 bytes:
 *
 *  byte    0            8        16       24          26             32
 *         +------------+--------+--------+-----------+--------------+
 *         | unused (8) |   x    |   y    | curveType | reserved (6) |
 *         +------------+--------+--------+-----------+--------------+
 *  byte   32 .. 72   parameters[5]    curve parameters in chain order (in)
 *         72         backAzimuth      azimuth previous IP -> this IP (out)
 *         80         forwardAzimuth   azimuth this IP -> next IP (out)
 *         88         intersectionAngle IA in [0, pi] (out)
 *         96         startTangent     IP to the start of the curve (out; in for curve type 7)
 *        104         endTangent       IP to the end of the curve (out; in for curve type 8)
 *        112        (end)
 *
 * parameters: ali_IPsetR R; ali_IPsetAA A1, A2; ali_IPsetARA A1, R, A2;
 * ali_IPsetARARA A1, R1, A2, R2, A3.
 */
typedef struct IpRecord {
  uint8_t unused[8];
  double x;
  double y;
  int16_t curveType;
  uint8_t reserved[6];
  double parameters[5];
  double backAzimuth;
  double forwardAzimuth;
  double intersectionAngle;
  double startTangent;
  double endTangent;
} IpRecord;

/* ali_IPsetARARA curve types: which tangent length is given. */
#define IPREC_ARARA_START_TANGENT_GIVEN 7
#define IPREC_ARARA_END_TANGENT_GIVEN 8

/* ---- Element makers (record by pointer; -1 invalid definition) ---- */

/* (record, mode 0/1/2): the maker of that kind (1, 2, 3) and mode; -1 for another kind or mode. */
KGEOM_API int16_t ali_mak(Calelm* element, int16_t mode);
/* (arc: start, end, sign, R): completes length, angles, centre and central angle; minor arc. */
KGEOM_API int16_t ali_makR(Calelm* arc);
/* (clothoid: start, end, sign, A, radii): fits the clothoid by turning its standard form onto the
   chord; fills length, angles, tau/dR/X_M; 2 when the end point had to be moved onto the curve. */
KGEOM_API int16_t ali_makA(Calelm* clothoid);
/* (straight, mode 1 from start point and field 10, mode 2 from end point and field 11, length
   field 9 > 0): places the other end point, both angles and the line coefficients. */
KGEOM_API int16_t ali_makangS(Calelm* straight, int16_t mode);
/* (arc, mode 1 from start point and start angle, mode 2 from end point and end angle; sign, R,
   length): places the other end, centre and angles by rotating about the centre. */
KGEOM_API int16_t ali_makangR(Calelm* arc, int16_t mode);
/* (clothoid, mode 1 from start point and start angle, mode 2 from end point and end angle; sign,
   A, radii): places the standard clothoid at the point, turned to the given tangent. */
KGEOM_API int16_t ali_makangA(Calelm* clothoid, int16_t mode);

/* ---- IP setters (previous IP, IP record, next IP, output records in chain order; 0 or -1) ---- */

/* One arc of radius parameters[0]: both legs shifted inward by R meet in the centre. */
KGEOM_API int16_t ali_IPsetR(double previousX, double previousY, IpRecord* ip, double nextX,
                             double nextY, Calelm* arc);
/* Two clothoids A1, A2 meeting at the common radius sqrt((A1^2 + A2^2) / (2 IA)). */
KGEOM_API int16_t ali_IPsetAA(double previousX, double previousY, IpRecord* ip, double nextX,
                              double nextY, Calelm* firstClothoid, Calelm* secondClothoid);
/* Clothoid A1, arc R, clothoid A2; legs shifted by R + dR of each clothoid. */
KGEOM_API int16_t ali_IPsetARA(double previousX, double previousY, IpRecord* ip, double nextX,
                               double nextY, Calelm* firstClothoid, Calelm* arc,
                               Calelm* secondClothoid);
/* Clothoid A1, arc R1, clothoid A2 (R1 to R2), arc R2, clothoid A3 (elements[0..4]); curve type 7
   takes startTangent, type 8 endTangent; the arcs' angle split by a bracketed root search. */
KGEOM_API int16_t ali_IPsetARARA(double previousX, double previousY, IpRecord* ip, double nextX,
                                 double nextY, Calelm elements[5]);

/* ---- Chain makers (given records first, then the records made, in chain order) ----
 * Given elements are read as full circles and lines and are cut (or extended) to the joins: the
 * first given element keeps its start, the last keeps its end; an arc may not exceed a half
 * circle and a straight may not be turned around. Radii, parameters and turn signs of made
 * elements come from their records where a function says so. Nothing is written on failure
 * (-1, also when no solution exists). Root searches are bracketed and bounded (Brent's method,
 * 100 steps) and return -1 rather than an inexact chain.
 */

/* (straight toward the corner, straight away from it, arc with R in field 6): arc tangent to both;
   the straights are shortened to the tangent points. */
KGEOM_API int16_t ali_RmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* arc);

/* (arc, arc, straight out): straight tangent to both circles, leaving the first arc and entering
   the second in their senses; closed form. */
KGEOM_API int16_t ali_SmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* straight);
/* (straight, arc, new arc with R and sign): arc tangent to the straight and to the arc; centre by
   line-circle intersection. Chain: straight, new arc, arc. */
KGEOM_API int16_t ali_RmakSR(Calelm* straight, Calelm* arc, Calelm* newArc);
/* (arc, arc, new arc with R and sign): arc tangent to both; centre by circle-circle intersection;
   the shortest valid new arc. Chain: arc, new arc, arc. */
KGEOM_API int16_t ali_RmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* newArc);
/* (straight, straight, clothoid A1, clothoid A2): two clothoids at the straights' corner as
   ali_IPsetAA. Chain: straight, A1, A2, straight. */
KGEOM_API int16_t ali_AAmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* firstClothoid,
                              Calelm* secondClothoid);
/* (straight, straight, clothoid A1, arc R, clothoid A2): as ali_IPsetARA at the corner; -1 when
   the arc would vanish. */
KGEOM_API int16_t ali_ARAmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* firstClothoid,
                               Calelm* arc, Calelm* secondClothoid);
/* (arc, arc, straight out, clothoid A): straight tangent to the first circle and to the second
   widened by the clothoid's shift, then the clothoid into the second arc; closed form. */
KGEOM_API int16_t ali_SAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* straight,
                              Calelm* clothoid);
/* (arc, arc, clothoid A1, straight out, clothoid A2): clothoid out of the first arc, straight,
   clothoid into the second; closed form on the widened circles. */
KGEOM_API int16_t ali_ASAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid,
                               Calelm* straight, Calelm* secondClothoid);
/* (arc, arc, clothoid A, new arc R): clothoid from the first arc to a new arc tangent to the
   second; circle-circle intersection of centres. Chain: arc, A, new arc, arc. */
KGEOM_API int16_t ali_ARmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* clothoid,
                              Calelm* newArc);
/* (arc, arc, clothoid A1, new arc R, clothoid A2): same-sense arcs joined by A1, R, A2; R must
   differ from both given radii by 1e-5; circle-circle intersection of centres. */
KGEOM_API int16_t ali_ARAmakRR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid,
                               Calelm* newArc, Calelm* secondClothoid);
/* (straight, arc, new arc R, clothoid A): arc tangent to the straight, then the clothoid into the
   arc; line-circle intersection of centres. Chain: straight, R, A, arc. */
KGEOM_API int16_t ali_RAmakSR(Calelm* straight, Calelm* arc, Calelm* newArc, Calelm* clothoid);
/* (straight, arc, clothoid out): the clothoid from the straight into the arc; A solves
   Y_M(A, R) = offset of the centre from the straight (scan, then Brent's method). */
KGEOM_API int16_t ali_makSAR(Calelm* straight, Calelm* arc, Calelm* clothoid);
/* (arc, arc, clothoid out): egg clothoid between nested same-sense arcs; A from CDsetAToRAR, then
   turned about the first centre onto the second. */
KGEOM_API int16_t ali_makRAR(Calelm* firstArc, Calelm* secondArc, Calelm* clothoid);
/* (arc, arc, clothoid, clothoid): two clothoids meeting at infinite radius (S or C shape); their
   records' parameters give the ratio A1:A2 (both 0: 1:1), the common scale is solved. */
KGEOM_API int16_t ali_makRAAR(Calelm* firstArc, Calelm* secondArc, Calelm* firstClothoid,
                              Calelm* secondClothoid);
/* (arc, arc, arc, clothoids[4]): ali_makRAAR between the first and middle arcs and between the
   middle and last; all or nothing. */
KGEOM_API int16_t ali_mak3R4A(Calelm* firstArc, Calelm* middleArc, Calelm* lastArc,
                              Calelm clothoids[4]);
/* (straight, arc, clothoid A1, new arc R with sign, clothoid A2, clothoid A3): A1 into R, A2 back
   to a straight direction, A3 into the given arc; the arc angle by a bracketed root search.
   Chain: straight, A1, R, A2, A3, arc. */
KGEOM_API int16_t ali_ARAAmakSR(Calelm* straight, Calelm* arc, Calelm* firstClothoid,
                                Calelm* newArc, Calelm* secondClothoid, Calelm* thirdClothoid);
/* (arc, arc, A, R, out centres[4]): candidate centres (X, Y pairs) of an arc R reached from the
   first arc by clothoid A and tangent to the second; returns their number, -1 on bad input. */
KGEOM_API int16_t ARmakRR(const Calelm* firstArc, const Calelm* secondArc, double parameter,
                          double radius, double centres[4]);
/* (A, R1, R2, out distance): distance between the centres of the two circles a clothoid A joins
   from R1 to R2 (both finite); -1 when A cannot join them. */
KGEOM_API int16_t CDOODistForRAR(double parameter, double r1, double r2, double* centreDistance);
/* (R1, R2, centre distance, out A): the smallest clothoid parameter whose circles lie that far
   apart (nested circles, distance below |R1 - R2|); scan then Brent's method; -1 when none. */
KGEOM_API int16_t CDsetAToRAR(double r1, double r2, double centreDistance, double* parameter);

/* ---- Chain makers ending at a point P (selector: 0 the shortest fitting chain, 1 next) ---- */

/* (P, selector, straight, arc R): arc tangent to the straight ending at P; line-circle. */
KGEOM_API int16_t ali_maksR_P(double px, double py, int16_t selector, Calelm* straight,
                              Calelm* arc);
/* (P, selector, arc, new arc R): arc leaving the given arc tangentially and ending at P;
   circle-circle intersection of centres. */
KGEOM_API int16_t ali_makrR_P(double px, double py, int16_t selector, Calelm* arc, Calelm* newArc);
/* (P, selector, arc, straight out): straight leaving the arc tangentially through P. */
KGEOM_API int16_t ali_makrS_P(double px, double py, int16_t selector, Calelm* arc,
                              Calelm* straight);
/* (P, selector, straight, clothoid A, arc R): clothoid from the straight into an arc ending at P;
   line-circle on the straight shifted by Y_M. */
KGEOM_API int16_t ali_maksAR_P(double px, double py, int16_t selector, Calelm* straight,
                               Calelm* clothoid, Calelm* arc);
/* (P, selector, arc, clothoid A, new arc R): clothoid from the arc into a new arc ending at P;
   circle-circle intersection of centres. */
KGEOM_API int16_t ali_makrAR_P(double px, double py, int16_t selector, Calelm* arc,
                               Calelm* clothoid, Calelm* newArc);
/* (P, selector, arc, clothoid A, straight out): clothoid out of the arc onto a straight through
   P; tangent from P to the circle widened by Y_M. */
KGEOM_API int16_t ali_makrAS_P(double px, double py, int16_t selector, Calelm* arc,
                               Calelm* clothoid, Calelm* straight);
/* (P, selector, arc, clothoid A1, clothoid A2, new arc R): two clothoids through infinite radius
   from the arc into a new arc ending at P (either sense); circle-circle intersection. */
KGEOM_API int16_t ali_makrAAR_P(double px, double py, int16_t selector, Calelm* arc,
                                Calelm* firstClothoid, Calelm* secondClothoid, Calelm* newArc);
/* (P, selector, arc, new arc out, straight): arc through P tangent to the given arc and to the
   given straight (radius solved; a quartic in the tangent point, bracketed scan then Brent).
   Chain: arc, new arc, straight. */
KGEOM_API int16_t ali_makrR_P_S(double px, double py, int16_t selector, Calelm* arc, Calelm* newArc,
                                Calelm* straight);
/* (P, straight, R, out A): parameter of the clothoid from the straight's end into an arc R
   through P (the smallest root; scan then Brent's method); -1 when none. */
KGEOM_API int16_t setAOR_P(double px, double py, const Calelm* straight, double radius,
                           double* parameter);
/* (P, selector, straight, clothoid out, arc R): clothoid from the straight's end (its origin)
   into an arc ending at P; A by setAOR_P (selector 1: the next root). The straight is kept. */
KGEOM_API int16_t ali_makAOR_P(double px, double py, int16_t selector, Calelm* straight,
                               Calelm* clothoid, Calelm* arc);

/* ---- Array forms: given elements first and last, made ones between ---- */

/* (arc, clothoid out, arc): ali_makRAR. */
KGEOM_API int16_t alimake_rfArf(Calelm elements[3]);
/* (arc, clothoid out, clothoid out, arc; ratio A1 : A2, 0 for 1:1): ali_makRAAR. */
KGEOM_API int16_t alimake_rfAArf(Calelm elements[4], double ratio);
/* (arc, clothoid out, straight): the clothoid out of the arc onto the straight; ali_makSAR on the
   chain run backward. */
KGEOM_API int16_t alimake_rfAsf(Calelm elements[3]);

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
#include <cstddef>
static_assert(sizeof(IpRecord) == 112, "IpRecord is 112 bytes");
static_assert(offsetof(IpRecord, x) == 8, "IP X at byte 8");
static_assert(offsetof(IpRecord, y) == 16, "IP Y at byte 16");
static_assert(offsetof(IpRecord, curveType) == 24, "curve type at byte 24");
static_assert(offsetof(IpRecord, parameters) == 32, "parameters at byte 32");
static_assert(offsetof(IpRecord, backAzimuth) == 72, "back azimuth at byte 72");
static_assert(offsetof(IpRecord, forwardAzimuth) == 80, "forward azimuth at byte 80");
static_assert(offsetof(IpRecord, intersectionAngle) == 88, "IA at byte 88");
static_assert(offsetof(IpRecord, startTangent) == 96, "start tangent at byte 96");
static_assert(offsetof(IpRecord, endTangent) == 104, "end tangent at byte 104");
#else
#include <stddef.h>
_Static_assert(sizeof(IpRecord) == 112, "IpRecord is 112 bytes");
_Static_assert(offsetof(IpRecord, x) == 8, "IP X at byte 8");
_Static_assert(offsetof(IpRecord, y) == 16, "IP Y at byte 16");
_Static_assert(offsetof(IpRecord, curveType) == 24, "curve type at byte 24");
_Static_assert(offsetof(IpRecord, parameters) == 32, "parameters at byte 32");
_Static_assert(offsetof(IpRecord, backAzimuth) == 72, "back azimuth at byte 72");
_Static_assert(offsetof(IpRecord, forwardAzimuth) == 80, "forward azimuth at byte 80");
_Static_assert(offsetof(IpRecord, intersectionAngle) == 88, "IA at byte 88");
_Static_assert(offsetof(IpRecord, startTangent) == 96, "start tangent at byte 96");
_Static_assert(offsetof(IpRecord, endTangent) == 104, "end tangent at byte 104");
#endif

#endif /* KESTREL_GEOMETRY_MAKERS_H */
