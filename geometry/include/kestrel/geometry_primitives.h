/* Plane primitives of the alignment geometry library. Points, lines and angles are in the
 * computation frame (x, y) = (X, -Y), angles counter-clockwise from +x in [0, 2*pi).
 * A line is passed as its four StdLine values (x0, y0, ux, uy) by value. */
#ifndef KESTREL_GEOMETRY_PRIMITIVES_H
#define KESTREL_GEOMETRY_PRIMITIVES_H

#include "kestrel/geometry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Line from point 1 toward point 2; 1 when the points are closer than 1e-7 (line untouched), else 0. */
KGEOM_API int16_t CDlinstd(double x1, double y1, double x2, double y2, StdLine* line);
/* Direction angle of a line in [0, 2*pi); returns 0. */
KGEOM_API int16_t CDlineang(double x0, double y0, double ux, double uy, double* angle);
/* Angle from direction 1->2 to direction 3->4 in [0, 2*pi); 0 within the angle quantum. */
KGEOM_API double CDbtwang(double x1, double y1, double x2, double y2, double x3, double y3,
                          double x4, double y4);
/* Intersection of lines a and b; 1 when parallel (|cross| < 1e-7), else 0. */
KGEOM_API int16_t CDlincros(double xa, double ya, double uxa, double uya, double xb, double yb,
                            double uxb, double uyb, double* x, double* y);
/* Intersection of segments 1-2 and 3-4: 0 inside both, 11/12 at start/end of segment 1,
 * 21/22 at start/end of segment 2, 1 degenerate or parallel, -1 no intersection. */
KGEOM_API int16_t CDsegcros(double x1, double y1, double x2, double y2, double x3, double y3,
                            double x4, double y4, double* x, double* y);
/* Position of a point on a segment's line: 1 start, 2 end, 0 strictly inside, -1 outside. */
KGEOM_API int16_t CDpoiinseg(double x1, double y1, double x2, double y2, double px, double py);
/* Whether a point lies on a segment: 1 at end point 1, 2 at end point 2, 0 on it, -1 off it. */
KGEOM_API int16_t CDpoionls(double px, double py, double x1, double y1, double x2, double y2);
/* Unsigned distance of a point from a line (0 below a squared distance of 1e-8); returns 0. */
KGEOM_API int16_t CDpldist(double x0, double y0, double ux, double uy, double px, double py,
                           double* distance);
/* Foot of the perpendicular from a point to a line; returns 0. */
KGEOM_API int16_t CDpojpoi(double x0, double y0, double ux, double uy, double px, double py,
                           double* footX, double* footY);
/* Adds (dx, dy) to both points in place; returns 0. */
KGEOM_API int16_t CDmove(double dx, double dy, double* x1, double* y1, double* x2, double* y2);
/* (x + dx, y + dy); returns 0. */
KGEOM_API int16_t CDmoveP(double x, double y, double dx, double dy, double* outX, double* outY);
/* Point rotated about a centre by the angle with the given cosine and sine; returns 0. */
KGEOM_API int16_t CDrotpoi(double centerX, double centerY, double cosTheta, double sinTheta,
                           double px, double py, double* outX, double* outY);
/* Direction mirrored across the second axis: pi - a, plus 2*pi when negative; returns 0. */
KGEOM_API int16_t CDmirAng(double angle, double* mirrored);
/* Element mirrored across the second axis (first coordinate negated); returns 0. */
KGEOM_API int16_t CDmirA(Calelm element, Calelm* result);
/* Element translated by (dx, dy); returns 0. */
KGEOM_API int16_t CDmoveA(Calelm element, Calelm* result, double dx, double dy);
/* Element turned by theta about its start point; returns 0. */
KGEOM_API int16_t CDturnA(Calelm element, Calelm* result, double theta);
/* Element turned by theta about its end point; returns 0. */
KGEOM_API int16_t CDturnAe(Calelm element, Calelm* result, double theta);
/* Element rotated by theta about (centerX, centerY); returns 0. */
KGEOM_API int16_t CDrot(Calelm element, Calelm* result, double centerX, double centerY,
                        double theta);
/* Reverses a clothoid when forced or when it runs toward the larger radius; 1 when reversed. */
KGEOM_API int16_t CDreverA(Calelm* clothoid, int16_t force);
/* The same element in the other frame (surveyor <-> computation); returns 0. */
KGEOM_API int16_t CDchgSpace(Calelm element, Calelm* result);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KESTREL_GEOMETRY_PRIMITIVES_H */
