/* IP-method element making: element makers, IP setters and chain makers. Pure C; usable from C++.
 *
 * Records are in the surveyor frame (X north, Y east, azimuths clockwise from north) on entry and on
 * exit. Every function returns a 16-bit status: 0 success, -1 invalid input or no solution, other
 * codes where a function says so. Nothing allocates, throws or keeps state.
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

/* (record, mode 0/1/2): dispatches on kind 1/2/3 to the maker of that mode; -1 for another kind or mode. */
KGEOM_API int16_t ali_mak(Calelm* element, int16_t mode);
/* (arc: start, end, sign, R): completes length, tangent angles, centre and central angle; minor arc. */
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
   takes startTangent, type 8 endTangent; the arc angle split is found by a bracketed root search. */
KGEOM_API int16_t ali_IPsetARARA(double previousX, double previousY, IpRecord* ip, double nextX,
                                 double nextY, Calelm elements[5]);

/* ---- Chain makers (given records first, then the records made, in chain order) ---- */

/* (straight toward the corner, straight away from it, arc with R in field 6): arc tangent to both;
   the straights are shortened to the tangent points. */
KGEOM_API int16_t ali_RmakSS(Calelm* firstStraight, Calelm* secondStraight, Calelm* arc);

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
_Static_assert(offsetof(IpRecord, parameters) == 32, "parameters at byte 32");
_Static_assert(offsetof(IpRecord, endTangent) == 104, "end tangent at byte 104");
#endif

#endif /* KESTREL_GEOMETRY_MAKERS_H */
