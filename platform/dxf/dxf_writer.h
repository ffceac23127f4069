// Saving a drawing database as DXF R2013 (AC1027, UTF-8 text) through a sink.
#pragma once

#include <string>
#include <vector>

#include "io/atomic_file.h"
#include "io/result.h"
#include "platform/drawing/drawing_database.h"

// Writes the drawing as DXF into a sink; a failure carries the sink's reason.
kestrel::io::Result writeDxf(const OvDbDatabase& database, kestrel::io::ByteSink& sink);

// Saves the drawing as a DXF file through an atomic file: an earlier file at path stays as it was
// when anything fails.
kestrel::io::Result saveDxf(const OvDbDatabase& database, const std::string& path);

// The names layers (or applications) get in the file, by position: names from a base drawing as
// they were, others escaped (escapeDxfSymbolName), cut to 255 bytes, and made unique ignoring
// ASCII case with a "~2", "~3" ... suffix.
std::vector<std::string> dxfSymbolNames(const std::vector<OvDbSymbolRecord>& records);
