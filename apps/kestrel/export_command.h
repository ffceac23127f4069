// kestrel export: the points and lots of a drawing (DXF) or of a GIS dataset, and the alignments
// of a LandXML file, written as one SIMA file (docs/export.md).
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>

#include "module_api/import_module.h"

namespace kestrel::cli {

struct ExportOptions {
  std::string input;  // a drawing (.dxf) or a GIS dataset; may be empty with --alignments
  std::optional<std::string> alignments;
  std::string output;
  bool allEntities = false;
  double tolerance = 0.001;
  std::string encoding = "cp932";
  bool replaceUnmappable = false;
  std::optional<int> decimals;
  std::optional<std::string> title;
  int zone = 0;
  std::string datum = "jgd2011";
  int epsg = 0;
  std::string numberField;
  std::string nameField;
  bool json = false;
};

// Adds the export command and its options; its values go to `options`.
CLI::App* addExportCommand(CLI::App& app, ExportOptions& options);

// Where the import keeps its records, asked of the module when a drawing is read; nullopt with
// the reason in the argument when the module cannot be loaded.
using SurveyTables = std::function<std::optional<module::SurveyPointTable>(std::string&)>;

// Runs the export; returns the exit status (docs/export.md).
int runExport(const ExportOptions& options, const SurveyTables& surveyTables);

}  // namespace kestrel::cli
