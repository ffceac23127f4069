// Routes of types 2, 3 and 7 become horizontal alignments of the civil model.
#pragma once

#include <cstdint>
#include <string>

#include "sima/import_run.h"

namespace kestrel {

// The application name of the extended data that marks the drawing entities of an alignment.
inline constexpr const char* kAlignmentXDataApplication = "KESTREL_ALIGNMENT";

// Builds the alignment of a finished route in the run's site: cleans the element list, adds one
// fixed entity per element and draws the result; lists and counts it in the run when made.
// Returns the alignment's object id, 0 when none was made (also for a route of fewer than two
// points). Civil errors end the build silently.
uint32_t buildAlignment(ImportRun& run, const SimaAlignment& route);

// Clothoid length from the texts of A and the two radii: |A²/|Re| − A²/|Rs||, 0 for a radius 0.
double spiralLength(const EntityData& element);

// Computes the element's TangentIntersection: where the clothoid's start and end tangents meet
// (the origin when they are parallel).
void computeTangentIntersection(EntityData& element);

// The element list the builder adds entities for: the open last element dropped, zero-length
// elements dropped, straight runs within 1° merged.
GrowingArray<EntityData> cleanedElements(const GrowingArray<EntityData>& elements);

// The name of the alignment with that object id (empty when there is none or the civil model
// cannot be reached).
std::string alignmentNameOf(int32_t objectId);

}  // namespace kestrel
