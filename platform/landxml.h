// The civil document as LandXML 1.2: saved for other civil software, opened back into the model.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/civil_model.h"

class OvDbDatabase;

namespace ovcivil {

// Writes the document as LandXML 1.2 with that date ("YYYY-MM-DD") and time ("hh:mm:ss").
// Alignment and point names the schema wants unique or non-empty get a stable suffix or a made-up
// name here; the document keeps its own names.
void writeLandXml(const CivilDocument& document, std::ostream& out, const std::string& date,
                  const std::string& time);

// Outcome of reading LandXML: ok, or what was wrong and the byte offset where the parser stopped.
struct LandXmlReadResult {
  bool ok = false;
  std::string description;
  std::ptrdiff_t offset = 0;
  explicit operator bool() const { return ok; }
};

// Adds the sites, alignments and points of a LandXML text to the document and takes over its
// date and time. The document is unchanged when the text is rejected.
LandXmlReadResult readLandXml(std::string_view text, CivilDocument& document);

// Saves the document atomically (temporary file, then rename). The date and time are those of the
// file the document was opened from while it is unchanged, else the present local time.
bool saveLandXml(const CivilDocument& document, const std::string& path, std::string* error);

// Opens a LandXML file into the document; false with "path: reason" when it cannot.
bool openLandXml(const std::string& path, CivilDocument& document, std::string* error);

// The coordinate points of a drawing: every point entity carrying a "JSIMA_V3_Point" record of
// type "座標", with its number and name.
std::vector<CogoPoint> drawingCogoPoints(const OvDbDatabase& drawing);

}  // namespace ovcivil
