// The SIMA driver as a host of the import module: it loads the module beside the platform
// library, as the command line host does, and imports a file into a drawing and a civil document
// of the file's own.
#pragma once

#include <memory>
#include <string>

#include "module_api/import_module.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel::ogr {

// What one import made, kept whole: the layers a dataset serves refer to its text.
struct ImportedSurvey {
  std::unique_ptr<OvDbDatabase> drawing = std::make_unique<OvDbDatabase>();
  std::unique_ptr<ovcivil::CivilDocument> civil;
  module::RunRecords records;
  module::RunReport report;
  module::DialogOutcome outcome = module::DialogOutcome::NotRun;
  module::SurveyPointTable tables;
};

// Imports `path` read in `encoding` ("auto", "utf-8", "cp932"), writing no log; null with the
// reason in `error` when the module cannot be loaded or run. The module and the platform are
// one per process: imports take turns.
std::unique_ptr<ImportedSurvey> importSurvey(const std::string& path, const std::string& encoding,
                                             std::string& error);

}  // namespace kestrel::ogr
