// The civil document as LandXML 1.2: saved for other civil software, opened back into the model.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "io/result.h"
#include "platform/civil/civil_model.h"

namespace ovcivil {

// Writes the document as LandXML 1.2 with that date ("YYYY-MM-DD") and time ("hh:mm:ss").
// Alignment and point names the schema wants unique or non-empty get a stable suffix or a made-up
// name here; the document keeps its own names.
void writeLandXml(const CivilDocument& document, std::ostream& out, const std::string& date,
                  const std::string& time);

// Adds the sites, alignments and points of a LandXML text to the document and takes over its
// date and time. A rejected text leaves the document unchanged; the result says why and, for
// text the XML parser stopped in, at which byte.
kestrel::io::Result readLandXml(std::string_view text, CivilDocument& document);

// Saves the document through an atomic file. The date and time are those of the file the document
// was opened from while it is unchanged, else the present local time.
kestrel::io::Result saveLandXml(const CivilDocument& document, const std::string& path);

// Opens a LandXML file into the document.
kestrel::io::Result openLandXml(const std::string& path, CivilDocument& document);

}  // namespace ovcivil
