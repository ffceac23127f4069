// The object-data records that tie each drawn entity back to the SIMA file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/drawing/drawing_database.h"

namespace kestrel {

inline constexpr const char* kPointTable = "JSIMA_V3_Point";
inline constexpr const char* kPolylineTable = "JSIMA_V3_Pline";
// The columns of both tables, in order.
inline constexpr const char* kRecordColumns[] = {"No", "Name", "Type", "FileName"};
// The type the points of the coordinate series carry.
inline constexpr const char* kCoordinateType = "座標";
// The types lot polylines and the points of vertical and cross-section results carry.
inline constexpr const char* kLotType = "画地";
inline constexpr const char* kVerticalResultType = "縦断成果";
inline constexpr const char* kSectionResultType = "横断成果";

// Adds the table (columns No, Name, Type, FileName) to the current drawing unless it exists.
void ensurePointTable();
void ensurePolylineTable();

// Attaches one record (No, Name, Type, FileName) to an entity.
void attachPointRecord(OvDbObjectId entity, int32_t number, std::string_view name,
                       const std::string& type, const std::string& fileName);
void attachPolylineRecord(OvDbObjectId entity, int32_t number, const std::string& name,
                          const std::string& type, const std::string& fileName);

}  // namespace kestrel
