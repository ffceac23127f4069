// The CgPoint and Parcel lines of a LandXML file, streamed from where the points and lots are
// kept.
#pragma once

#include <ostream>
#include <vector>

#include "platform/civil/landxml.h"

namespace ovcivil {

// Writes one CgPoint line per point, the document's and then the source's, in the bytes pugixml
// would print for them at depth 2. A name that repeats an earlier one gets " (2)", " (3)", …; an
// empty one becomes "P" and the point's number.
void writeCgPointLines(const std::vector<CogoPoint>& points, const CogoPointSource* more,
                       std::ostream& out);

// Writes one Parcel per lot at depth 2: name (unique as the CgPoint names are; an empty one
// becomes the lot's number), number, type and file, the area of a closed lot, and a CoordGeom of
// lines from vertex to vertex, back to the first for a closed lot. LandXML has no flag for a
// chain left open: the Feature "kestrel" says "closed" true or false.
void writeParcelLines(const ParcelSource& parcels, std::ostream& out);

}  // namespace ovcivil
