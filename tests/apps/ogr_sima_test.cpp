// The SIMA driver inside GDAL: which files it takes, that it only reads, and that the hostile
// inputs of the command line host's tests end cleanly through it too.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/hostile_sima.h"
#include "tests/support/text_rows.h"

namespace {

using kestrel::testing::TempDir;

struct CloseDataset {
  void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, CloseDataset>;

// The build's plugin folder only: GDAL finds ogr_SIMA.so there.
GDALDriver* simaDriver() {
  static GDALDriver* driver = [] {
    setenv("GDAL_DRIVER_PATH", KESTREL_BINARY_DIR "/lib/gdalplugins", 1);
    GDALAllRegister();
    return GetGDALDriverManager()->GetDriverByName("SIMA");
  }();
  return driver;
}

Dataset openWithSima(const std::string& path, unsigned flags = GDAL_OF_VECTOR) {
  const char* const drivers[] = {"SIMA", nullptr};
  return Dataset(GDALDataset::Open(path.c_str(), flags, drivers, nullptr, nullptr));
}

// Reads every feature of every layer; true when each layer gave as many as it counts.
bool readsAsManyAsItCounts(GDALDataset& dataset) {
  bool same = true;
  for (OGRLayer* layer : dataset.GetLayers()) {
    GIntBig read = 0;
    for (const auto& feature : *layer) read += feature != nullptr ? 1 : 0;
    same = same && read == layer->GetFeatureCount();
  }
  return same;
}

TEST(OgrSima, TakesSimaFilesByNameAndFirstRecordsOnly) {
  ASSERT_NE(simaDriver(), nullptr);
  TempDir dir;
  for (const auto& row : kestrel::testing::textRows("apps/cases/driver_takes.txt")) {
    Dataset dataset = openWithSima(dir.write(row[0], row[1]));
    EXPECT_EQ(dataset != nullptr, row[2] == "yes") << row.where;
  }
  const std::string path = (dir.path() / "site.sim").string();  // the first row's file
  EXPECT_EQ(openWithSima(path, GDAL_OF_VECTOR | GDAL_OF_UPDATE), nullptr) << "read-only";
  Dataset dataset = openWithSima(path);
  ASSERT_NE(dataset, nullptr);
  ASSERT_EQ(dataset->GetLayerCount(), 1);
  std::unique_ptr<OGRFeature> point(dataset->GetLayer(0)->GetNextFeature());
  EXPECT_STREQ(point->GetFieldAsString("Name"), "P1");
  EXPECT_EQ(point->GetGeometryRef()->toPoint()->getX(), 200.25);  // easting first
  EXPECT_EQ(dataset->GetLayer(0)->CreateFeature(point.get()), OGRERR_UNSUPPORTED_OPERATION);
}

TEST(OgrSima, HostileInputsEndCleanly) {
  ASSERT_NE(simaDriver(), nullptr);
  TempDir dir;
  for (const std::string& input : kestrel::testing::hostileSimaFiles(dir)) {
    Dataset dataset = openWithSima(input);
    EXPECT_TRUE(dataset == nullptr || readsAsManyAsItCounts(*dataset)) << input;
  }
}

}  // namespace
