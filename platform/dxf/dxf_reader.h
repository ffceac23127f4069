// Opening a DXF drawing (R2000 to R2018, ASCII) as the base of a drawing database.
#pragma once

#include <string>
#include <string_view>

#include "io/result.h"
#include "platform/drawing/drawing_database.h"

// Opens a DXF file into a database: its layer table becomes the layers (in table order), $CLAYER
// the current layer, every entity a model-space entity kept as read, every other section, table
// entry, block and object kept for writing back, and extended data under an object-data table's
// name a record of that table again. On failure (binary DXF, version outside R2000-R2018,
// undecodable text, broken structure) says what was wrong and where, and leaves the database as
// it was.
kestrel::io::Result openDxf(const std::string& path, OvDbDatabase& out);

// The same from bytes in memory (the result names no file).
kestrel::io::Result readDxf(std::string_view bytes, OvDbDatabase& out);
