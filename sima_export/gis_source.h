// Features of a GIS dataset as export data: points become A points, the outer rings of polygons
// closed lots. A feature's number is its number field's value when that is a whole number from 0
// to 2147483647 not taken by an earlier point, else the number after the highest in use (said in
// a warning when the field held something), the parts of a polygon sharing one; its name is the
// name field's text, else "P<number>" for a point and "L<number>" for a lot. A point has an
// elevation when its geometry has Z. Lot vertices refer to the point nearest each within the
// tolerance, else to a point added there (no elevation, named "P<number>").
#pragma once

#include "gis/survey_reader.h"
#include "sima_export/sima_data.h"

namespace kestrel::sima_export {

void addGisFeatures(const gis::SurveyFeatures& features, double tolerance, SimaData& data,
                    Findings& findings);

}  // namespace kestrel::sima_export
