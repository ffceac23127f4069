/* Records exchanged across the geometry library's C interface. Pure C; usable from C++. */
#ifndef KESTREL_GEOMETRY_TYPES_H
#define KESTREL_GEOMETRY_TYPES_H

#include <stdint.h>

/* Marks the library's exported functions; everything else in the library stays hidden.
 * A build may define KGEOM_API itself beforehand. */
#ifndef KGEOM_API
#if defined(__GNUC__) || defined(__clang__)
#define KGEOM_API __attribute__((visibility("default")))
#else
#define KGEOM_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Element kinds stored in Calelm.kind. */
#define CALELM_STRAIGHT 1
#define CALELM_ARC 2
#define CALELM_CLOTHOID 3

/*
 * One alignment element: straight (kind 1), circular arc (kind 2) or clothoid (kind 3).
 * Callers allocate it and pass arrays of it, so the layout is fixed (stride 120 bytes):
 *
 *  byte   0      2                8
 *        +------+----------------+
 *        | kind |  reserved (6)  |   kind: int16_t
 *        +------+----------------+
 *  byte  field  member        straight (1)     arc (2)           clothoid (3)
 *    8     1    startX        start X          start X           start X
 *   16     2    startY        start Y          start Y           start Y
 *   24     3    endX          end X            end X             end X
 *   32     4    endY          end Y            end Y             end Y
 *   40     5    turnSign      1.0              +1.0 / -1.0       +1.0 / -1.0
 *   48     6    parameter     0                radius R          clothoid parameter A
 *   56     7    startRadius   0                0                 radius at start (0 = infinite)
 *   64     8    endRadius     0                0                 radius at end (0 = infinite)
 *   72     9    length        length           arc length        length along the curve
 *   80    10    startAngle    direction        tangent at start  tangent at start
 *   88    11    endAngle      direction        tangent at end    tangent at end
 *   96    12    extra1        coefficient a    centre X          tau at smaller-radius end
 *  104    13    extra2        coefficient b    centre Y          shift dR at that end
 *  112    14    extra3        coefficient k    central angle     centre abscissa X_M
 *  120   (end)
 *
 * "Field n" in the library's documentation is the n-th double above.
 */
typedef struct Calelm {
  int16_t kind;
  uint8_t reserved[6];
  double startX;
  double startY;
  double endX;
  double endY;
  double turnSign;
  double parameter;
  double startRadius;
  double endRadius;
  double length;
  double startAngle;
  double endAngle;
  double extra1;
  double extra2;
  double extra3;
} Calelm;

/* A line as a point on it and its unit direction; functions take it as four doubles. */
typedef struct StdLine {
  double x0;
  double y0;
  double ux;
  double uy;
} StdLine;

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
#include <cstddef>
static_assert(sizeof(Calelm) == 120, "Calelm is 120 bytes");
static_assert(offsetof(Calelm, kind) == 0, "Calelm.kind at byte 0");
static_assert(offsetof(Calelm, reserved) == 2, "Calelm.reserved at byte 2");
static_assert(offsetof(Calelm, startX) == 8, "field 1 at byte 8");
static_assert(offsetof(Calelm, startY) == 16, "field 2 at byte 16");
static_assert(offsetof(Calelm, endX) == 24, "field 3 at byte 24");
static_assert(offsetof(Calelm, endY) == 32, "field 4 at byte 32");
static_assert(offsetof(Calelm, turnSign) == 40, "field 5 at byte 40");
static_assert(offsetof(Calelm, parameter) == 48, "field 6 at byte 48");
static_assert(offsetof(Calelm, startRadius) == 56, "field 7 at byte 56");
static_assert(offsetof(Calelm, endRadius) == 64, "field 8 at byte 64");
static_assert(offsetof(Calelm, length) == 72, "field 9 at byte 72");
static_assert(offsetof(Calelm, startAngle) == 80, "field 10 at byte 80");
static_assert(offsetof(Calelm, endAngle) == 88, "field 11 at byte 88");
static_assert(offsetof(Calelm, extra1) == 96, "field 12 at byte 96");
static_assert(offsetof(Calelm, extra2) == 104, "field 13 at byte 104");
static_assert(offsetof(Calelm, extra3) == 112, "field 14 at byte 112");
static_assert(sizeof(StdLine) == 32, "StdLine is four doubles");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#include <stddef.h>
_Static_assert(sizeof(Calelm) == 120, "Calelm is 120 bytes");
_Static_assert(offsetof(Calelm, startX) == 8, "field 1 at byte 8");
_Static_assert(offsetof(Calelm, extra3) == 112, "field 14 at byte 112");
#endif

#endif /* KESTREL_GEOMETRY_TYPES_H */
