// Gathered layers as OGR has them: geometry types, field definitions, features.
#pragma once

#include <memory>

#include <ogrsf_frmts.h>

#include "gis/layers.h"

namespace kestrel::gis {

// The OGR geometry type of a layer: alignments as compound curves when the target carries curves.
KESTREL_GIS_EXPORT OGRwkbGeometryType geometryType(const LayerSpec& spec, bool curves);

// The field definition of a field.
KESTREL_GIS_EXPORT OGRFieldDefn fieldDefinition(const FieldSpec& field);

// The geometry of one feature.
KESTREL_GIS_EXPORT std::unique_ptr<OGRGeometry> featureGeometry(const Layer& layer,
                                                                std::size_t feature, bool curves);

// Sets a feature's fields (in the order of the layer's columns) and geometry.
KESTREL_GIS_EXPORT void fillFeature(const Layer& layer, std::size_t feature, bool curves,
                                    OGRFeature& out);

}  // namespace kestrel::gis
