// Coordinate reference systems: zones and datums against the EPSG database, the order GIS
// programs put coordinates in, and the zones SIMA files name.
#include "gis/crs.h"

#include <gtest/gtest.h>

#include <ogr_spatialref.h>

#include <memory>
#include <string>

#include "io/text_encoding.h"
#include "tests/support/temp_dir.h"

namespace kestrel::gis {
namespace {

TEST(Crs, EveryZoneOnEitherDatumIsTheEpsgSystemOfThatName) {
  const char* roman[] = {"I",  "II",  "III",  "IV",  "V",  "VI",  "VII",  "VIII",  "IX", "X",
                         "XI", "XII", "XIII", "XIV", "XV", "XVI", "XVII", "XVIII", "XIX"};
  for (const auto& [datum, name] : {std::pair{Datum::Jgd2011, "JGD2011"}, {Datum::Jgd2000, "JGD2000"}}) {
    for (int zone = 1; zone <= 19; ++zone) {
      const auto reference = spatialReference(planeZoneEpsg(zone, datum));
      ASSERT_NE(reference, nullptr) << name << " " << zone;
      EXPECT_EQ(std::string(reference->GetName()),
                std::string(name) + " / Japan Plane Rectangular CS " + roman[zone - 1]);
    }
    EXPECT_EQ(planeZoneEpsg(0, datum), 0);
    EXPECT_EQ(planeZoneEpsg(20, datum), 0);
  }
}

// Easting first: a zone's origin is its reference point, and a step east or north moves the
// longitude or the latitude alone.
TEST(Crs, CoordinatesAreEastingThenNorthingAndLongitudeThenLatitude) {
  const auto plane = spatialReference(6677);  // zone IX: 139°50′E, 36°N
  std::string error;
  const auto wgs84 = spatialReference("EPSG:4326", error);
  ASSERT_NE(wgs84, nullptr) << error;
  std::unique_ptr<OGRCoordinateTransformation> transform(
      OGRCreateCoordinateTransformation(plane.get(), wgs84.get()));
  const struct {
    double east, north;
    bool lonMoves, latMoves;
  } rows[] = {{0, 0, false, false}, {1000, 0, true, false}, {0, 1000, false, true}};
  for (const auto& row : rows) {
    double x = row.east, y = row.north;
    ASSERT_TRUE(transform->Transform(1, &x, &y));
    EXPECT_EQ(std::abs(x - (139 + 50.0 / 60)) > 1e-3, row.lonMoves) << x;
    EXPECT_EQ(std::abs(y - 36) > 1e-3, row.latMoves) << y;
    EXPECT_NEAR(y, 36, 0.01);
  }
  EXPECT_EQ(spatialReference("no such system", error), nullptr);
  EXPECT_NE(error.find("no such system"), std::string::npos);
}

TEST(Crs, ZonesNamedInText) {
  const struct {
    const char* text;
    int zone;
  } rows[] = {
      {"第9系", 9},      {"IX系", 9},         {"9系", 9},        {"公共座標9系", 9},
      {"第IX系", 9},     {"Ⅸ系", 9},          {"第１９系", 19},  {"XIX系", 19},
      {"ⅩⅨ系", 19},     {"ＸＩ系", 11},      {"第2系 第3系", 2}, {"20系", 0},
      {"0系", 0},        {"座標系", 0},       {"2系統", 0},      {"平面直角座標系", 0},
      {"MAX系", 0},      {"IIII系", 0},       {"", 0},           {"座標データ", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(zoneNamedIn(row.text), row.zone) << row.text;
  for (const auto& [field, zone] : {std::pair{"9", 9}, {"09", 9}, {" XII ", 12}, {"Ⅶ", 7},
                                    {"第3系", 3}, {"0", 0}, {"abc", 0}})
    EXPECT_EQ(zoneOf(field), zone) << field;
}

// The zone record wins over the coordinate-system record, which wins over titles; the first of a
// kind counts; the file is read in its own encoding.
TEST(Crs, ZoneNamedByAFile) {
  const struct {
    const char* lines;
    bool utf8;
    int zone;
    int line;
  } rows[] = {
      {"G00,01,現場 第9系,\nA00,\nA01,1,P,1,2,3,\nA99,\n", false, 9, 1},
      {"G00,01,第9系,\nZ00,座標データ XI系,\nZ01,4,\n", false, 4, 3},
      {"G00,01,OH3出力座標\nZ00,座標データ,\nG01,座標系,公共座標12系\nA00,\n", true, 12, 3},
      {"\xEF\xBB\xBFZ00,第2系統の点\r\nZ00,Ⅴ系\r\nG00,01,X系\r\n", true, 10, 3},
      {"A00,\nA01,1,第9系,1,2,3,\nA99,\nZ01,,\n", false, 0, 0},
  };
  testing::TempDir dir;
  for (const auto& row : rows) {
    const std::string bytes =
        row.utf8 ? row.lines : io::encode(row.lines, io::Encoding::Cp932);
    const ZoneInFile found = findZoneInFile(dir.write("z.sim", bytes), row.utf8);
    EXPECT_EQ(found.zone, row.zone) << row.lines;
    EXPECT_EQ(found.line, row.line) << row.lines;
  }
  EXPECT_EQ(findZoneInFile((dir.path() / "missing.sim").string(), true).zone, 0);
}

TEST(Crs, AnExplicitCodeOrZoneWinsOverTheFile) {
  const struct {
    CrsOptions options;
    int zoneInFile;
    int epsg;
  } rows[] = {
      {{0, Datum::Jgd2011, 0, ""}, 9, 6677},  {{0, Datum::Jgd2000, 0, ""}, 9, 2451},
      {{4, Datum::Jgd2011, 0, ""}, 9, 6672},  {{4, Datum::Jgd2011, 3857, ""}, 9, 3857},
      {{0, Datum::Jgd2011, 0, ""}, 0, 0},     {{19, Datum::Jgd2000, 0, ""}, 0, 2461},
  };
  for (const auto& row : rows) EXPECT_EQ(sourceEpsg(row.options, row.zoneInFile), row.epsg);
}

}  // namespace
}  // namespace kestrel::gis
