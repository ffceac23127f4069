/* Questions about finished elements: points at a distance, projection, offsets, cross lines,
 * intersections, rigid moves and monitoring distances.
 *
 * Records are Calelm in the surveyor frame (X north, Y east, azimuths clockwise from north).
 * Distances along an element are measured from its start point. Statuses are int16_t:
 * 0 success, negative failure, other codes as listed. Nothing here allocates, except
 * ali_intpAA and ali_intpRA (chord buffers, freed before they return).
 *
 * Own frame of a clothoid: origin at the point of infinite radius, x along the main tangent,
 * y toward the inside of the curve (right-handed); "u" is the distance from that origin.
 *
 * Monitoring table (Calc_moni):
 *
 *   byte 0        8                                        48
 *        +--------+----------------------------------------+----- ...
 *        | count  | entry 0: five doubles f1 f2 f3 f4 f5    | entry 1 ...
 *        | int16  |          f2, f3 = X, Y (read)           |
 *        | +6 pad |          f4 = distance (written)        |
 *        +--------+----------------------------------------+----- ...
 *
 * Polygon (chk_on_tangent, chk_tangent): entries of seven doubles; fields 2 and 3 are X, Y.
 */
#ifndef KESTREL_GEOMETRY_QUERIES_H
#define KESTREL_GEOMETRY_QUERIES_H

#include <stdint.h>

#include "kestrel/geometry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Points at a distance: point and tangent azimuth at distance s; 0, or -1 off the element. */

/* Point and azimuth at distance s along a straight. */
KGEOM_API int16_t ali_onlS(const Calelm* element, double s, double* x, double* y, double* angle);
/* Point and tangent azimuth at distance s along an arc. */
KGEOM_API int16_t ali_onlR(const Calelm* element, double s, double* x, double* y, double* angle);
/* Point and tangent azimuth at distance s along a clothoid. */
KGEOM_API int16_t ali_onlA(const Calelm* element, double s, double* x, double* y, double* angle);
/* Dispatches on the kind to ali_onlS, ali_onlR or ali_onlA; -1 for any other kind. */
KGEOM_API int16_t ali_onl(const Calelm* element, double s, double* x, double* y, double* angle);

/* ---- Projection: foot of P and its distance along the element; 0 on the element, -1 off it. */

/* Foot of (px, py) on a straight. */
KGEOM_API int16_t ali_projS(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY);
/* Foot of (px, py) on an arc. */
KGEOM_API int16_t ali_projR(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY);
/* Foot of (px, py) on a clothoid, found by bisection to 0.001. */
KGEOM_API int16_t ali_projA(const Calelm* element, double px, double py, double* s, double* footX,
                            double* footY);
/* Dispatches on the kind; -1 for any other kind. */
KGEOM_API int16_t ali_proj(const Calelm* element, double px, double py, double* s, double* footX,
                           double* footY);

/* ---- Offsets: the point at s moved by d toward azimuth (tangent azimuth - theta). */

/* Offset point from a straight (theta = pi/2, d > 0: to the left). */
KGEOM_API int16_t ali_oflS(const Calelm* element, double s, double theta, double d, double* x,
                           double* y);
/* Offset point from an arc. */
KGEOM_API int16_t ali_oflR(const Calelm* element, double s, double theta, double d, double* x,
                           double* y);
/* Offset point from a clothoid. */
KGEOM_API int16_t ali_oflA(const Calelm* element, double s, double theta, double d, double* x,
                           double* y);

/* ---- Cross lines: the straight from offset (s, theta, -d) to offset (s, theta, +d). */

/* Cross line of a straight. */
KGEOM_API int16_t ali_SmakS(const Calelm* element, double s, double theta, double d, Calelm* line);
/* Cross line of an arc. */
KGEOM_API int16_t ali_SmakR(const Calelm* element, double s, double theta, double d, Calelm* line);
/* Cross line of a clothoid. */
KGEOM_API int16_t ali_SmakA(const Calelm* element, double s, double theta, double d, Calelm* line);
/* Dispatches on the kind; -1 for any other kind. */
KGEOM_API int16_t ali_Smak(const Calelm* element, double s, double theta, double d, Calelm* line);

/* ---- Translation by distance d toward azimuth a; 0. */

/* Straight translated; coefficients remade. */
KGEOM_API int16_t ali_pmovS(const Calelm* element, double d, double a, Calelm* moved);
/* Arc translated with its centre. */
KGEOM_API int16_t ali_pmovR(const Calelm* element, double d, double a, Calelm* moved);
/* Clothoid translated. */
KGEOM_API int16_t ali_pmovA(const Calelm* element, double d, double a, Calelm* moved);
/* Dispatches on the kind; -1 for any other kind. */
KGEOM_API int16_t ali_pmov(const Calelm* element, double d, double a, Calelm* moved);

/* ---- Rotation about (cx, cy) by theta, clockwise on the map (azimuths grow by theta); 0. */

/* Straight rotated; coefficients remade. */
KGEOM_API int16_t ali_tmovS(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved);
/* Arc rotated with its centre. */
KGEOM_API int16_t ali_tmovR(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved);
/* Clothoid rotated. */
KGEOM_API int16_t ali_tmovA(const Calelm* element, double cx, double cy, double theta,
                            Calelm* moved);
/* Dispatches on the kind; -1 for any other kind. */
KGEOM_API int16_t ali_tmov(const Calelm* element, double cx, double cy, double theta,
                           Calelm* moved);

/* ali_pmov on each of n records in place (a failing record is kept); returns 1. */
KGEOM_API int16_t many_ali_pmov(int16_t n, Calelm* elements, double d, double a);
/* ali_tmov on each of n records in place (a failing record is kept); returns 1. */
KGEOM_API int16_t many_ali_tmov(int16_t n, Calelm* elements, double cx, double cy, double theta);
/* The straight moved parallel to itself by d (d > 0: to the left of its direction). */
KGEOM_API int16_t ali_paraS(const Calelm* element, double d, Calelm* moved);
/* The concentric arc offset by d (d > 0: to the left); -1 when the radius would vanish. */
KGEOM_API int16_t para_pmovr(const Calelm* arc, double d, Calelm* moved);

/* ---- Intersections. Points rounded to 1e-5; distances from each start, rounded to 1e-5. */

/* Two straights: 0 on both, 1 off the first only, 2 off the second only, 3 off both;
 * -1 same line, -2 parallel, -3 a degenerate straight. Distances are negative behind a start. */
KGEOM_API int16_t ali_intpSS(const Calelm* first, const Calelm* second, double* x, double* y,
                             double* sFirst, double* sSecond);
/* Straight and arc: 1 or 2 points, ordered along the straight; -1 none; -2 degenerate record. */
KGEOM_API int16_t ali_intpSR(const Calelm* straight, const Calelm* arc, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second);
/* Straight and clothoid: 1 or 2 points, ordered along the straight; -1 none; -2 degenerate. */
KGEOM_API int16_t ali_intpSA(const Calelm* straight, const Calelm* clothoid, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second);
/* Two arcs: 1 or 2 points, ordered along the first; -1 none (or a degenerate record);
 * -2 same circle; -3 concentric. */
KGEOM_API int16_t ali_intpRR(const Calelm* first, const Calelm* second, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second);
/* Arc and clothoid: 1 or 2 points, ordered along the arc; -1 none; -2 degenerate record;
 * -4 no memory for the scratch buffers. */
KGEOM_API int16_t ali_intpRA(const Calelm* arc, const Calelm* clothoid, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second);
/* Two clothoids: 1 or 2 points, ordered along the first; -1 none; -2 degenerate record;
 * -4 no memory for the scratch buffers. */
KGEOM_API int16_t ali_intpAA(const Calelm* first, const Calelm* second, double* x1, double* y1,
                             double* s1First, double* s1Second, double* x2, double* y2,
                             double* s2First, double* s2Second);
/* Any two elements: 0 one point, 1 two points (ordered along the first), negative none. */
KGEOM_API int16_t ali_intp(const Calelm* first, const Calelm* second, double* x1, double* y1,
                           double* s1First, double* s1Second, double* x2, double* y2,
                           double* s2First, double* s2Second);

/* Intersection of the infinite lines through (x1,y1)-(x2,y2) and (x3,y3)-(x4,y4); 1 parallel. */
KGEOM_API int16_t gc_intpSS(double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, double* x, double* y);
/* 0 when P is at most t from the line AB (height by Heron's formula), else -1. */
KGEOM_API int16_t gc_poionl(double px, double py, double ax, double ay, double bx, double by,
                            double t);
/* 0 and the first polygon side i (entries i, i+1) carrying P within t; -1 none or n < 2. */
KGEOM_API int16_t chk_on_tangent(int16_t n, const double* polygon, double px, double py,
                                 int16_t* index, double t);
/* Side index of each of m points (pairs X, Y) or -1; 0 when every point lies on a side. */
KGEOM_API int16_t chk_tangent(int16_t n, const double* polygon, int16_t m, const double* points,
                              double t, int16_t* sides);

/* ---- Monitoring. */

/* Distance from P to its foot on the first of n elements that accepts it; 1, or -1 and -1.0. */
KGEOM_API int16_t get_moniDist(double px, double py, int16_t n, const Calelm* elements,
                               double* distance);
/* Fills the distance of every entry of a monitoring table; returns 1. */
KGEOM_API int16_t Calc_moni(void* table, int16_t n, const Calelm* elements);

/* Station and signed offset of P (positive to the left), the inverse of the offsets at pi/2. */
KGEOM_API int16_t cplnrm(const Calelm* element, double px, double py, double* s, double* offset);

/* ---- Chain repairs: an arc is translated until the clothoid(s) next to it (parameter A from
 * the clothoid records) join it without a gap; the neighbours are trimmed and every record of
 * the chain is remade. 0 success, -1 invalid chain, -2 no such join (records then unchanged). */

/* Arc, clothoid, straight: the arc moves square to the fixed straight. */
KGEOM_API int16_t moveR_dl0_rfAsf(Calelm* arc, Calelm* clothoid, Calelm* straight);
/* Arc, clothoid, arc of the same turn (egg shape): the second arc moves along the centre line. */
KGEOM_API int16_t moveR_dl0_rfArf(Calelm* firstArc, Calelm* clothoid, Calelm* secondArc);
/* Arc, clothoid, clothoid, arc of opposite turns (S shape through an inflection point): the
 * second arc moves along the centre line. */
KGEOM_API int16_t moveR_dl0_rfAArf(Calelm* firstArc, Calelm* firstClothoid, Calelm* secondClothoid,
                                   Calelm* secondArc);

/* ---- Clothoid own frame. */

/* Origin and main-tangent azimuth of a clothoid (surveyor frame); 0, or -1 invalid. */
KGEOM_API int16_t CDgetOrgA(const Calelm* clothoid, double* x, double* y, double* angle);
/* The clothoid in its own frame (sign +1, larger radius first); 1 when that reversed it. */
KGEOM_API int16_t CDAinAbs(const Calelm* clothoid, Calelm* own);
/* A surveyor point in the clothoid's own frame; 0, or -1 invalid clothoid. */
KGEOM_API int16_t CDPinAbs(const Calelm* clothoid, double px, double py, double* x, double* y);
/* An own-frame point back in the surveyor frame; 0, or -1 invalid clothoid. */
KGEOM_API int16_t CDP2Cal(const Calelm* clothoid, double x, double y, double* px, double* py);
/* A straight's end points, direction and unit line a*x + b*y = k in the clothoid's own frame. */
KGEOM_API int16_t CDSinAbs(const Calelm* clothoid, const Calelm* straight, Calelm* own);
/* An arc's end points, centre, turn sign and tangent angles in the clothoid's own frame. */
KGEOM_API int16_t CDRinAbs(const Calelm* clothoid, const Calelm* arc, Calelm* own);
/* Crossings of the own-frame clothoid between u1 and u2 with the line (x0, y0, ux, uy), an
 * end within 3e-5 of the line included: returns the count 0, 1 or 2 (increasing u), -1 invalid. */
KGEOM_API int16_t CDAcrosS(double A, double u1, double u2, double x0, double y0, double ux,
                           double uy, double* uFirst, double* uSecond);
/* Test of an own-frame point P against the curve point at u: 0 on it (within 0.001),
 * 1 perpendicular (|cos| <= 0.0001), 2 foot ahead, 3 foot behind; distance through d. */
KGEOM_API int16_t chk_ang(double A, double u, double px, double py, double* d);
/* 0 when two clothoid records are the same element (same points and azimuths along them),
 * -1 when not, -2 when either is not a valid clothoid. */
KGEOM_API int16_t CDsameA(const Calelm* first, const Calelm* second);

#ifdef __cplusplus
}
#endif

#endif
