// Fuzz target over the whole import of one SIMA file: the dialog's pre-scan, then the import
// with every series ticked, drawing points, lots, route polylines and alignments and placing
// results; then its outputs: the log in the input's encoding, the drawing as DXF and the civil
// document as LandXML, both of which must read back; and the zone the file names.
//
// Layout of the bytes: one option byte, then the file.
//   option bits 0-1: the encoding asked for (0 and 3 auto, 1 UTF-8, 2 CP932)
//   option bit 2:    a tolerant reading (--tolerant)
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "command/read_file.h"
#include "gis/plan/zones.h"
#include "io/text_encoding.h"
#include "tests/fuzz/read_back.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  constexpr const char* kSite = "サイト";
  // The file the import reads: an anonymous file in memory, rewritten for every input.
  static const int fd = memfd_create("fuzz.sim", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data + 1, size - 1, 0) != static_cast<ssize_t>(size - 1))
    std::abort();
  using Choice = kestrel::io::EncodingChoice;
  const Choice encoding =
      std::array{Choice::Auto, Choice::Utf8, Choice::Cp932, Choice::Auto}[data[0] & 3];

  const bool tolerant = (data[0] & 4) != 0;
  kestrel::ImportRun scan;
  scan.tolerant = tolerant;
  if (kestrel::preScanFile(scan, path, encoding) != 0) std::abort();

  OvDbDatabase drawing;
  ovSetWorkingDatabase(&drawing);
  auto civil = std::make_unique<ovcivil::CivilDocument>();
  civil->addSite(kSite);
  ovcivil::CivilDocument& document = *civil;
  ovcivil::civilApplication().setActiveDocument(std::move(civil));
  kestrel::ImportRun run;
  run.siteName = kSite;
  run.tolerant = tolerant;
  for (bool& selected : run.selection.selected) selected = true;
  if (kestrel::readFile(run, path, encoding) != 0 || run.lineCounter != scan.lineCounter) std::abort();
  ovSetWorkingDatabase(nullptr);

  if (run.log.errors().size() != static_cast<std::size_t>(run.log.errorCount())) std::abort();
  run.log.setPath(path);
  const std::string log = kestrel::io::encode(run.log.render(), run.inputEncoding);
  if (log.empty()) std::abort();

  // The zone the file names, looked for as the command line host does before a GIS output.
  const bool utf8 = run.inputEncoding == kestrel::io::Encoding::Utf8;
  const kestrel::gis::ZoneInFile zone = kestrel::gis::findZoneInFile(path, utf8);
  if (zone.zone < 0 || zone.zone > 19 || (zone.zone != 0) != (zone.line > 0)) std::abort();

  kestrel::fuzz::dxfReadsBack(drawing);
  kestrel::fuzz::landXmlReadsBack(document);
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  return 0;
}
