// kestrel export: the points and lots of a drawing (DXF) or of a GIS dataset, and the alignments
// of a LandXML file, written as one SIMA file (docs/export.md).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apps/kestrel/options.h"
#include "apps/kestrel/texts.h"

namespace kestrel::cli {

struct ExportOptions {
  std::vector<std::string> inputs;  // a drawing (.dxf) or a GIS dataset; none with --alignments
  std::optional<std::string> alignments;
  std::string output;
  bool allEntities = false;
  double tolerance = 0.001;
  std::string encoding = "cp932";
  bool replaceUnmappable = false;
  std::optional<int> decimals;
  std::optional<std::string> title;
  int zone = 0;
  bool jgd2000 = false;
  int epsg = 0;
  std::string numberField;
  std::string nameField;
  Language language = Language::Japanese;
  bool json = false;
  bool quiet = false;
  bool overwrite = false;
  bool help = false;
};

// The table of its options, set into `options` as they are parsed.
Command exportCommand(ExportOptions& options);
int runExportCommand(const std::vector<std::string>& arguments, Language language);

}  // namespace kestrel::cli
