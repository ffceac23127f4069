// Draws a civil alignment into the drawing, so that a plain DXF viewer shows the road.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/civil/civil_model.h"

namespace kestrel {

// Draws every entity of the alignment on the current layer: a LINE per straight, an ARC per
// curve, a polyline per spiral; each carries the alignment's name as extended data.
void drawAlignment(const ovcivil::Alignment& alignment);

}  // namespace kestrel
