// The alignments of a civil document as routes of type 3 (centre line): one route per alignment,
// named after it and numbered from 1 in document order, with the alignment's starting station.
//
// The route points are the element boundaries, written as A points: a point of the export within
// 0.1 µm of a boundary (the coordinates' own rounding) is used as it is, else a point without
// elevation is added, numbered after the highest in use and named by its place:
//   BP and EP                 the start and the end;
//   IP<n>                     two straights meet (a bend without curve);
//   BC<n>, EC<n>              a straight meets an arc at the start, at the end of curve n;
//   KA<n>-<k>                 a clothoid meets a straight (or, at an inflection, another clothoid
//                             turning the other way: curve n ends, the next begins there);
//   KE<n>-<k>                 a clothoid meets an arc or another clothoid (egg shape);
//   CC<n>-<k>                 two arcs of different radius meet;
//   SP<n>-<k>                 inside an arc of more than 170°, written as equal arcs (two points
//                             and a radius give the minor arc only, and near 180° not reliably);
// curves numbered from 1 along the alignment, k counting each name within its curve.
//
// Arcs become C01 lines (radius negative for a left turn), clothoids C02 lines (A and both radii,
// negative for a left turn, 0 at a straight end). A spiral that is not a clothoid, or an element
// that starts more than a millimetre from where the one before it ends, refuses the export.
#pragma once

#include "platform/civil/civil_model.h"
#include "sima_export/sima_data.h"

namespace kestrel::sima_export {

void addAlignments(const ovcivil::CivilDocument& civil, SimaData& data, Findings& findings);

}  // namespace kestrel::sima_export
