// Fuzz target over the DXF reader as the import meets it: the input is a base drawing. What is
// accepted gets a new entity (so that handles are handed out past the base's own), is written
// as DXF and must read back whole: an accepted drawing whose output cannot be opened again, or
// opens with other entities, is a fault.
#include <cstdint>
#include <string_view>

#include "tests/fuzz/read_back.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OvDbDatabase base;
  if (!readDxf(std::string_view(reinterpret_cast<const char*>(data), size), base)) return 0;
  ovSetWorkingDatabase(&base);
  ovdraw::createPoint(base.currentLayerName(), 1.0, 2.0, 3.0);
  ovSetWorkingDatabase(nullptr);
  kestrel::fuzz::dxfReadsBack(base);
  return 0;
}
