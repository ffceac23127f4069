// Fuzz target over the LandXML reader as the import meets it (--alignments): what is accepted is
// evaluated along every alignment the way results are placed, then written and read back; an
// accepted document whose output cannot be read again, or reads back with other content, is a
// fault.
#include <cstdint>
#include <string_view>

#include "tests/fuzz/read_back.h"

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
  kestrel::fuzz::landXmlReadsBack(document);
  return 0;
}
