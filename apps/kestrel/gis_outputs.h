// The command line host's GIS outputs: every -o that is not the drawing (.dxf) is a GIS dataset
// written through GDAL/OGR, in the format its extension (or -f) names, with a CRS from --zone,
// --datum, --epsg or the zone the file names, reprojected by --t-srs. GDAL is loaded (with
// libkestrel_gis.so) only when there is such an output.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "gis/gis_api.h"
#include "module_api/import_module.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel::cli {

// A symbol of libkestrel_gis.so (beside the module, in lib/ next to the host's bin/), the library
// loaded on first use; null with the reason in `error`.
void* gisLibrarySymbol(const char* symbol, std::string& error);

class GisOutputs {
 public:
  // Adds -f, --zone, --datum, --epsg and --t-srs to the import command.
  void addOptions(CLI::App& import);
  // Takes the GIS outputs out of the -o list (leaving the drawing, a .dxf) and checks what can be
  // checked without GDAL; false with one line for the user in `error`.
  bool prepare(std::vector<std::string>& outputs, const std::string& input, std::string& error);
  // After the import, before anything is written: loads the GIS library and checks every output
  // with it (format, target CRS). The run's freed memory goes back to the system first, so that
  // GDAL's libraries take its place rather than add to it.
  bool check(std::string& error);
  // Whether there is anything to write.
  bool any() const { return !paths_.empty(); }
  // Asks the run to keep what only GIS outputs show.
  void prepareScript(module::DialogScript& script) const { script.keepRecords = any(); }
  // Writes every GIS output after the import; the files made go to `written`. The stderr lines
  // about the CRS are printed here.
  io::Result write(const OvDbDatabase& drawing, const ovcivil::CivilDocument& civil,
                   const module::SurveyPointTable& tables, const module::RunRecords& records,
                   const std::string& input, const std::string& encoding,
                   std::vector<std::string>& written);

 private:
  std::vector<std::string> paths_;
  std::string driver_;
  int zone_ = 0;
  std::string datum_ = "jgd2011";
  int epsg_ = 0;
  std::string targetSrs_;
  gis::GisWriter* writer_ = nullptr;
};

}  // namespace kestrel::cli
