/* The alignment geometry library: everything it exports.
 *
 * Two frames, one plane. Survey data is (X, Y) with X north and Y east, and a direction is an
 * azimuth: from north (+X) toward east (+Y), clockwise on a map, in [0, 2*pi). That is the
 * SURVEYOR FRAME. The COMPUTATION FRAME is the same plane with Y negated, (x, y) = (X, -Y):
 * ordinary mathematical axes, angles counter-clockwise from +x. An element's turn sign is +1 for a
 * counter-clockwise turn in the computation frame, which is a left turn on the map.
 *
 * Surveyor frame: everything that takes or gives element records (Calelm), IP records or points
 *   along elements: the element, IP and chain makers (ali_mak*, ali_IPset*, ali_*mak*, alimake_*,
 *   ARmakRR, setAOR_P), the lengths of records (ali_getlS, ali_getlR, ali_getlA, ali_getl), and
 *   the queries (ali_onl*, ali_proj*, ali_ofl*, ali_Smak*, ali_pmov*, ali_tmov*, many_ali_*,
 *   ali_paraS, para_pmovr, ali_intp*, cplnrm, moveR_dl0_*, chk_on_tangent, chk_tangent,
 *   get_moniDist, Calc_moni, CDgetOrgA, CDsameA).
 * Computation frame: the plane primitives of geometry_primitives.h (CDlinstd to CDreverA: lines,
 *   segments, angles, and the moves of whole records), CDvalidArc, and the arc and line helpers
 *   ali_KEnPntc to ali_KAdjAng of geometry_elements.h.
 * A clothoid's own frame (origin where the radius is infinite, x along the main tangent, y toward
 *   the inside of the curve): CDAcalxy, CDRcalxy, CDLcalxy, CDAinAbs, CDSinAbs, CDRinAbs, CDAcrosS,
 *   chk_ang; CDPinAbs and CDP2Cal take a point from the surveyor frame into it and back.
 * No frame (lengths, radii, angles as numbers, or any frame as long as all points share it):
 *   CDRlen, CDRang, CDLang, CDAngR, AelmAtri, CDcharLmA, CDchkAR, CDOODistForRAR, CDsetAToRAR,
 *   ali_CDist2P, ali_CSamePoint, ali_CAroundNum, ali_CAroundAng, ali_getlPP, gc_samePoint,
 *   gc_intpSS, gc_poionl, chk_CSameAng, initCalelm.
 * Between the two frames: CDchgSpace (a record), ali_CExCoord (a point), ali_CExAng (an angle);
 *   each is its own inverse.
 */
#ifndef KESTREL_GEOMETRY_H
#define KESTREL_GEOMETRY_H

#include "kestrel/geometry_types.h"
#include "kestrel/geometry_primitives.h"
#include "kestrel/geometry_elements.h"

#if defined(__has_include)
#if __has_include("kestrel/geometry_makers.h")
#include "kestrel/geometry_makers.h"
#endif
#if __has_include("kestrel/geometry_queries.h")
#include "kestrel/geometry_queries.h"
#endif
#endif

#endif /* KESTREL_GEOMETRY_H */
