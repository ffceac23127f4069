// Coordinate reference systems: zones and datums against the EPSG database, the order GIS
// programs put coordinates in (easting first, longitude first), the zones SIMA files name, and
// the host's checks without GDAL.
#include "gis/crs.h"

#include <gtest/gtest.h>

#include <ogr_spatialref.h>

#include <memory>
#include <string>

#include "gis/plan/gis_plan.h"
#include "io/text_encoding.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

extern "C" kestrel::gis::GisPlanner* kestrelGisPlanner();

namespace kestrel::gis {
namespace {

// Each row of cases/zones.txt; a zone's system is the EPSG database's of that name.
TEST(Crs, ZonesNamedInTextAndFilesAndTheCodeChosen) {
  testing::TempDir dir;
  const auto datum = [](const std::string& name) {
    return name == "jgd2000" ? Datum::Jgd2000 : Datum::Jgd2011;
  };
  for (const auto& row : testing::textRows("gis/cases/zones.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] == "named") {
      EXPECT_EQ(zoneNamedIn(row[1]), std::stoi(row[2]));
    } else if (row[0] == "field") {
      EXPECT_EQ(zoneOf(row[1]), std::stoi(row[2]));
    } else if (row[0] == "file") {
      const bool utf8 = row[2] == "utf-8";
      const std::string bytes = utf8 ? row[1] : io::encode(row[1], io::Encoding::Cp932);
      const ZoneInFile found = findZoneInFile(dir.write("z.sim", bytes), utf8);
      EXPECT_EQ(found.zone, std::stoi(row[3]));
      EXPECT_EQ(found.line, std::stoi(row[4]));
    } else if (row[0] == "system") {
      const int epsg = planeZoneEpsg(std::stoi(row[1]), datum(row[2]));
      const auto reference = epsg != 0 ? spatialReference(epsg) : nullptr;
      EXPECT_EQ(epsg == 0 ? "none" : reference ? reference->GetName() : "no system", row[3]);
    } else if (row[0] == "axes") {  // zone IX's origin is 139°50′E, 36°N
      std::string error;
      const auto plane = spatialReference(6677), wgs84 = spatialReference("EPSG:4326", error);
      std::unique_ptr<OGRCoordinateTransformation> transform(
          OGRCreateCoordinateTransformation(plane.get(), wgs84.get()));
      double x = std::stod(row[1]), y = std::stod(row[2]);
      ASSERT_TRUE(transform && transform->Transform(1, &x, &y)) << error;
      EXPECT_EQ(std::abs(x - (139 + 50.0 / 60)) > 1e-3, row[3] == "1") << x;
      EXPECT_EQ(std::abs(y - 36) > 1e-3, row[4] == "1") << y;
      EXPECT_NEAR(y, 36, 0.01);
    } else if (row[0] == "crs") {
      std::string error;
      EXPECT_EQ(spatialReference(row[1], error) != nullptr, row[2] == "1") << error;
      EXPECT_NE(error.find(row.size() > 4 ? row[4] : ""), std::string::npos) << error;
      const int code = epsgCodeIn(row[1]);
      EXPECT_EQ(code, std::stoi(row[3]));
      if (code != 0) {
        EXPECT_EQ(kestrelGisPlanner()->knowsEpsg(code), row[2] == "1");
      }
    } else if (row[0] == "geojson") {
      EXPECT_EQ(isGeoJsonOutput(row[1], row[2]), row[3] == "1");
    } else {
      const CrsOptions options{std::stoi(row[1]), datum(row[2]), std::stoi(row[3]), ""};
      EXPECT_EQ(sourceEpsg(options, std::stoi(row[4])), std::stoi(row[5]));
    }
  }
  EXPECT_EQ(findZoneInFile((dir.path() / "missing.sim").string(), true).zone, 0);
}

}  // namespace
}  // namespace kestrel::gis
