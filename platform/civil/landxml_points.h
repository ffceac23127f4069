// The CgPoint lines of a LandXML file, streamed from where the points are kept.
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

}  // namespace ovcivil
