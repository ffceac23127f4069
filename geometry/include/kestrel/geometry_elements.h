/* Element records, clothoid evaluation and the small evaluation helpers built on them.
 * Clothoid functions take the parameter A first; arc helpers work in the computation frame;
 * the length functions and ali_makS take surveyor-frame records. */
#ifndef KESTREL_GEOMETRY_ELEMENTS_H
#define KESTREL_GEOMETRY_ELEMENTS_H

#include "kestrel/geometry_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Clothoid formulas ---- */

/* Local clothoid point with tangent angle tau (x on the main tangent); (0, 0) below the angle quantum. Returns 0. */
KGEOM_API int16_t CDAcalxy(double A, double tau, double* x, double* y);
/* Local clothoid point of radius R; (0, 0) when R = 0. Returns 0. */
KGEOM_API int16_t CDRcalxy(double A, double R, double* x, double* y);
/* Local clothoid point at length L from the origin; (0, 0) when L < 1e-5. Returns 0. */
KGEOM_API int16_t CDLcalxy(double A, double L, double* x, double* y);
/* Clothoid length from the origin to radius R: A^2/R; 0 when R = 0. */
KGEOM_API double CDRlen(double A, double R);
/* Tangent angle at radius R: A^2/(2R^2); 0 when R = 0. */
KGEOM_API double CDRang(double A, double R);
/* Tangent angle at length L: L^2/(2A^2); 0 when L < 1e-5. */
KGEOM_API double CDLang(double A, double L);
/* Radius at tangent angle tau: sqrt(A^2/(2 tau)); 0 below the angle quantum. */
KGEOM_API double CDAngR(double A, double tau);
/* tau, circle shift dR and centre abscissa X_M at radius R; all 0 when |R| <= 1e-5. Returns 0. */
KGEOM_API int16_t AelmAtri(double A, double R, double* tau, double* shift, double* centerAbscissa);
/* Seven characteristic values at radius R (long tangent, short tangent, normal foot, normal
 * length, long chord, X_M, Y_M) into values[0..6]; all 0 when R = 0. Returns 0. */
KGEOM_API int16_t CDcharLmA(double A, double R, double values[7]);
/* 0 when radius R may end a clothoid of parameter A; -1 when A = 0 or R != 0 and R/A <= 0.56. */
KGEOM_API int16_t CDchkAR(double A, double R);
/* 0 when a computation-frame arc record is a valid minor arc, else -1. */
KGEOM_API int16_t CDvalidArc(const Calelm* arc);

/* ---- Arc and line evaluation (computation frame) ---- */

/* Arc centre at distance R from the start point, left of the tangent for sign +1. Returns 0. */
KGEOM_API int16_t ali_KEnPntc(double sign, double startX, double startY, double startAngle,
                              double R, double* centerX, double* centerY);
/* Arc end point: the start rotated about the centre by +phi (sign +1) or -phi. Returns 0. */
KGEOM_API int16_t ali_KEnPntb(double sign, double centerX, double centerY, double startX,
                              double startY, double phi, double* endX, double* endY);
/* Centre of the minor arc of radius R through both points, left of the chord for sign +1. Returns 0. */
KGEOM_API int16_t ali_KEnCen(double startX, double startY, double endX, double endY, double sign,
                             double R, double* centerX, double* centerY);
/* Start and end tangent angles, central angle and arc length of an arc. Returns 0. */
KGEOM_API int16_t ali_KEnAng(double startX, double startY, double endX, double endY, double sign,
                             double R, double centerX, double centerY, double* startAngle,
                             double* endAngle, double* phi, double* length);
/* Arc length from point 1 to point 2 about the centre in the element's turning sense. Returns 0. */
KGEOM_API int16_t ali_KEnPncl(double sign, double R, double centerX, double centerY, double x1,
                              double y1, double x2, double y2, double* length);
/* Normalised coefficients of the line a*x - b*y = k through two points. Returns 0. */
KGEOM_API int16_t ali_KCalCst(double x1, double y1, double x2, double y2, double* a, double* b,
                              double* k);
/* Direction angle from point 1 to point 2 in [0, 2*pi); 0 when the points are identical. */
KGEOM_API double ali_KGetAng(double x1, double y1, double x2, double y2);
/* Point at distance d from point 1 toward point 2, and the direction; -1 on coincident points,
 * d < 0, or (clamp != 0) d beyond point 2; else 0. */
KGEOM_API int16_t ali_KGetPnt(double x1, double y1, double x2, double y2, double distance,
                              int16_t clamp, double* x, double* y, double* angle);
/* (x + d cos a, y + d sin a). Returns 0. */
KGEOM_API int16_t ali_KMovPnt(double x, double y, double distance, double angle, double* outX,
                              double* outY);
/* Point P rotated about M by theta. Returns 0. */
KGEOM_API int16_t ali_KRotPnt(double px, double py, double centerX, double centerY, double theta,
                              double* outX, double* outY);
/* Angle brought into [0, 2*pi] by whole turns (exactly 2*pi stays). Returns 0. */
KGEOM_API int16_t ali_KAdjAng(double angle, double* adjusted);

/* ---- Common checks and conversions ---- */

/* Euclidean distance between two points. */
KGEOM_API double ali_CDist2P(double x1, double y1, double x2, double y2);
/* 0 when both coordinate differences are below 1e-5, else 1. */
KGEOM_API int16_t ali_CSamePoint(double x1, double y1, double x2, double y2);
/* 0 when both coordinate differences are below the tolerance, else -1. */
KGEOM_API int16_t gc_samePoint(double x1, double y1, double x2, double y2, double tolerance);
/* 0 when two angles differ by less than one second of arc, else -1. */
KGEOM_API int16_t chk_CSameAng(double angle1, double angle2);
/* Value rounded to the length quantum 1e-5. */
KGEOM_API double ali_CAroundNum(double value);
/* Angle rounded to the angle quantum 1.389e-6. */
KGEOM_API double ali_CAroundAng(double angle);
/* The point in the other frame: (X, -Y). Returns 0. */
KGEOM_API int16_t ali_CExCoord(double X, double Y, double* x, double* y);
/* The angle in the other frame: 0 when |a| < 1e-5, -a when a <= 0, else 2*pi - a. */
KGEOM_API double ali_CExAng(double angle);
/* Clears a record (kind 0, every field 0.0) and returns it. */
KGEOM_API Calelm* initCalelm(Calelm* element);

/* ---- Element lengths (surveyor-frame records) ---- */

/* Length of a straight record; -1 (length 0) when its end points coincide, else 0. */
KGEOM_API int16_t ali_getlS(const Calelm* straight, double* length);
/* Length of an arc record; -1 on R = 0 or a bad sign, 1 with 2*pi*R for a full circle, else 0. */
KGEOM_API int16_t ali_getlR(const Calelm* arc, double* length);
/* Length of a clothoid record |A^2/R1 - A^2/R2|. Returns 0. */
KGEOM_API int16_t ali_getlA(const Calelm* clothoid, double* length);
/* Length of any record by its kind; a full circle gives 0 with status 1; -1 on another kind. */
KGEOM_API int16_t ali_getl(const Calelm* element, double* length);
/* Distance between two points rounded to 1e-5; -1.0 when they coincide. */
KGEOM_API double ali_getlPP(double x1, double y1, double x2, double y2);

/* ---- Straight maker ---- */

/* Completes a straight record from its end points (fields 1-4); -1 when they coincide, else 0. */
KGEOM_API int16_t ali_makS(Calelm* straight);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KESTREL_GEOMETRY_ELEMENTS_H */
