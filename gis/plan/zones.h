// The zone of the Japanese plane rectangular system a SIMA file or a text names. Needs neither
// GDAL nor PROJ: the command line host asks before an import, through libkestrel_gis_plan.so.
#pragma once

#include <string>
#include <string_view>

#define KESTREL_GIS_PLAN_EXPORT __attribute__((visibility("default")))

namespace kestrel::gis {

// A zone a file names, with the line that names it.
struct ZoneInFile {
  int zone = 0;  // 0: none found
  int line = 0;
  std::string text;  // the line, decoded
};

// The zone a text names as "<number>系": Arabic digits, full-width or not, or Roman numerals
// (I, V, X, full-width, or the numeral characters Ⅰ to Ⅻ), with or without "第" before; "系統"
// (a line, not a zone) does not count. 0 when the text names no zone from 1 to 19.
KESTREL_GIS_PLAN_EXPORT int zoneNamedIn(std::string_view text);

// A zone given as a bare number or Roman numeral ("9", "09", "IX", "Ⅸ"), or named as above.
KESTREL_GIS_PLAN_EXPORT int zoneOf(std::string_view field);

// The zone a SIMA file names: a Z01 record's field 1, else a G01 "座標系" record's field 2, else
// the title of G00 (field 2) or a Z00 comment (field 1); the first of the strongest kind found.
KESTREL_GIS_PLAN_EXPORT ZoneInFile findZoneInFile(const std::string& path, bool utf8);

}  // namespace kestrel::gis
