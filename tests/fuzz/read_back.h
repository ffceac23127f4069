// What the fuzz targets ask of every document they accept: written out, it reads back whole.
#pragma once

#include <cstdlib>
#include <sstream>

#include "io/atomic_file.h"
#include "platform/civil/civil_model.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"

namespace kestrel::fuzz {

inline void dxfReadsBack(const OvDbDatabase& drawing) {
  kestrel::io::StringSink written;
  OvDbDatabase again;
  if (!writeDxf(drawing, written) || !readDxf(written.text(), again) ||
      again.entityCount() != drawing.entityCount())
    std::abort();
}

inline void landXmlReadsBack(const ovcivil::CivilDocument& document) {
  const auto alignments = [](const ovcivil::CivilDocument& d) {
    std::size_t count = 0;
    for (const auto& site : d.sites()) count += site.alignments.size();
    return count;
  };
  std::ostringstream written;
  ovcivil::writeLandXml(document, written, "2026-01-01", "00:00:00");
  ovcivil::CivilDocument again;
  if (!ovcivil::readLandXml(written.str(), again) || alignments(again) != alignments(document) ||
      again.points().size() != document.points().size())
    std::abort();
}

}  // namespace kestrel::fuzz
