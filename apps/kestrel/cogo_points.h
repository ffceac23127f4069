// The survey points of a drawing as COGO points of the civil document.
#pragma once

#include <vector>

#include "module_api/import_module.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"

namespace kestrel::cli {

// Every point entity carrying a record of the table the module names, of its coordinate type,
// with the record's number and name.
std::vector<ovcivil::CogoPoint> drawingCogoPoints(const OvDbDatabase& drawing,
                                                  const module::SurveyPointTable& table);

}  // namespace kestrel::cli
