// Fuzz target over the LandXML reader as the import meets it (--alignments): what is accepted is
// evaluated along every alignment the way results are placed, then written and read back; an
// accepted document whose output cannot be read again, or reads back with other content, is a
// fault.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "platform/civil/civil_model.h"
#include "platform/civil/landxml.h"

namespace {

std::size_t alignmentCount(const ovcivil::CivilDocument& document) {
  std::size_t count = 0;
  for (const auto& site : document.sites()) count += site.alignments.size();
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ovcivil::CivilDocument document;
  if (!ovcivil::readLandXml(std::string_view(reinterpret_cast<const char*>(data), size), document))
    return 0;
  for (const auto& site : document.sites()) {
    for (const auto& alignment : site.alignments) {
      const double length = alignment.length();
      for (const double part : {-0.5, 0.0, 0.25, 0.5, 1.0, 1.5}) {
        ovcivil::PlanPoint point;
        alignment.pointAtStation(alignment.startingStation + part * length, 1.0, point);
      }
      for (const auto& entity : alignment.entities) entity.samplePoints({0.0, entity.length / 2, entity.length});
    }
  }
  std::ostringstream written;
  ovcivil::writeLandXml(document, written, "2026-01-01", "00:00:00");
  ovcivil::CivilDocument again;
  if (!ovcivil::readLandXml(written.str(), again) || alignmentCount(again) != alignmentCount(document) ||
      again.points().size() != document.points().size())
    std::abort();
  return 0;
}
