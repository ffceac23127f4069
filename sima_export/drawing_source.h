// The survey points and lots of a drawing as export data.
//
// Our own entities are known by the import's records (module::SurveyPointTable): a point whose
// record has the coordinate type keeps its number and name, a polyline whose record has the lot
// type keeps its lot number, name and closure. With allEntities, POINT entities and closed
// polylines (LWPOLYLINE, POLYLINE) that carry no record of ours join them: points numbered after
// the highest number in use and named "P<number>", lots numbered after the highest lot number and
// named "L<number>", both in drawing order. Points of other types of ours (vertical and
// cross-section results) and open polylines of other origin are left out.
//
// A lot's vertices refer to the point nearest each within the tolerance; where there is none, a
// point without elevation is added at the vertex (numbered after the highest, named "P<number>"),
// and for a lot of ours that is said in a warning.
#pragma once

#include "module_api/import_module.h"
#include "platform/drawing/drawing_database.h"
#include "sima_export/sima_data.h"

namespace kestrel::sima_export {

struct DrawingOptions {
  module::SurveyPointTable tables;
  bool allEntities = false;
  double tolerance = 0.001;  // metres between a lot vertex and the point it refers to
};

void addDrawing(const OvDbDatabase& drawing, const DrawingOptions& options, SimaData& data,
                Findings& findings);

}  // namespace kestrel::sima_export
