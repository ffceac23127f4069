// The civil document as LandXML 1.2: saved for other civil software, opened back into the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/result.h"
#include "platform/civil/civil_model.h"

namespace ovcivil {

// One survey point as a source hands it over; the name stays valid while the source lives.
struct CogoPointView {
  int32_t number = 0;
  std::string_view name;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// Survey points a file carries after the document's own, read where they are kept (a drawing)
// one at a time, so that a large set is never copied into the document.
class CogoPointSource {
 public:
  virtual ~CogoPointSource() = default;
  virtual std::size_t size() const = 0;
  // Point i, 0 <= i < size().
  virtual CogoPointView at(std::size_t i) const = 0;
};

// One lot as a source hands it over; the texts stay valid while the source lives.
struct ParcelView {
  int32_t number = 0;
  std::string_view name;
  std::string_view type;
  std::string_view fileName;
  bool closed = false;
};

// Lots a file carries, read where they are kept (a drawing) one at a time.
class ParcelSource {
 public:
  virtual ~ParcelSource() = default;
  virtual std::size_t size() const = 0;
  // Lot i, 0 <= i < size().
  virtual ParcelView at(std::size_t i) const = 0;
  // The vertices of lot i (x east, y north), in order, the first not repeated at the end.
  virtual void vertices(std::size_t i, std::vector<PlanPoint>& out) const = 0;
};

// Writes the document as LandXML 1.2 with that date ("YYYY-MM-DD") and time ("hh:mm:ss"), with
// the points of `more` after the document's own. Alignment and point names the schema wants
// unique or non-empty get a stable suffix or a made-up name here; the document keeps its own
// names. The lots of `parcels` become Parcels, each a chain of lines through its vertices.
void writeLandXml(const CivilDocument& document, std::ostream& out, const std::string& date,
                  const std::string& time, const CogoPointSource* more = nullptr,
                  const ParcelSource* parcels = nullptr);

// Adds the sites, alignments and points of a LandXML text to the document and takes over its
// date and time. A rejected text leaves the document unchanged; the result says why and, for
// text the XML parser stopped in, at which byte.
kestrel::io::Result readLandXml(std::string_view text, CivilDocument& document);

// Saves the document (and the points of `more`) through an atomic file. The date and time are
// those of the file the document was opened from while it is unchanged, else the present local
// time.
kestrel::io::Result saveLandXml(const CivilDocument& document, const std::string& path,
                                const CogoPointSource* more = nullptr,
                                const ParcelSource* parcels = nullptr);

// Opens a LandXML file into the document.
kestrel::io::Result openLandXml(const std::string& path, CivilDocument& document);

}  // namespace ovcivil
