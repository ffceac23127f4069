// Our DXF files as real readers see them: ezdxf (loading, audit, entities, extended data) and
// GDAL's ogrinfo (features, layers, extended data), both run by dxf_check.py. The base drawings are made by ezdxf itself (dxf_check.py
// make-base), so the round trip starts from content another program wrote.
#include <gtest/gtest.h>

#include <iostream>

#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"
#include "tests/platform/platform_test_support.h"
#include "tests/support/run_host.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

// What a command printed, stderr included, and its exit status.
HostResult run(const std::string& command) {
  return runCommand(command + " 2>&1");
}

HostResult ezdxfCheck(const std::string& arguments) {
  return run("/usr/bin/python3 " + quotedPath(DXF_CHECK_SCRIPT) + " " + arguments);
}

class RealReaders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (run("/usr/bin/python3 -c 'import ezdxf'").status != 0)
      GTEST_SKIP()
          << "ezdxf is not installed for /usr/bin/python3 (python3-ezdxf): DXF files not checked";
    if (run("ogrinfo --version").status != 0)
      std::cerr << "ogrinfo (gdal-bin) is not installed: what GDAL reads is not checked\n";
  }

  // Saves the drawing and checks it with ezdxf and ogrinfo against the reviewed golden/<name>.json
  // (layers, and each entity's type, layer, coordinates and extended data as the file should show
  // them).
  void saveAndCheck(const OvDbDatabase& database, const std::string& name) {
    const std::string path = (folder.path() / (name + ".dxf")).string();
    io::Result result;
    ASSERT_TRUE((result = saveDxf(database, path))) << result.message();
    const std::string expected =
        std::string(KESTREL_SOURCE_DIR) + "/tests/platform/dxf/golden/" + name + ".json";
    const auto check = ezdxfCheck("check " + quotedPath(path) + " " + quotedPath(expected));
    EXPECT_EQ(check.status, 0) << check.out;
  }

  TempDir folder;
};

// The drawings "import", "hostile" and "layers" of cases/drawings.txt: an import on Japanese
// layers with an alignment, hostile names, and layers differing only by forbidden characters or
// case.
TEST_F(RealReaders, OurDrawingsLoadWithEverythingInPlace) {
  for (const char* drawing : {"import", "hostile", "layers"}) {
    SCOPED_TRACE(drawing);
    OvDbDatabase database;
    drawRows(database, drawing);
    saveAndCheck(database, drawing);
  }
}

class BaseDrawing : public RealReaders, public ::testing::WithParamInterface<const char*> {};

TEST_P(BaseDrawing, EverythingTheBaseHeldComesBackWithTheImportAdded) {
  const std::string version = GetParam();
  const std::string base = (folder.path() / ("base-" + version + ".dxf")).string();
  const auto made = ezdxfCheck("make-base " + quotedPath(base) + " " + version);
  ASSERT_EQ(made.status, 0) << made.out;

  OvDbDatabase opened;
  io::Result result;
  ASSERT_TRUE((result = openDxf(base, opened))) << result.message();
  EXPECT_EQ(opened.currentLayerName(), "既存");
  EXPECT_TRUE(opened.hasLayer("Hatch"));
  drawRows(opened, "base-first");
  const std::size_t added = 3 + 2;

  const std::string out = (folder.path() / ("out-" + version + ".dxf")).string();
  ASSERT_TRUE((result = saveDxf(opened, out))) << result.message();
  const auto compared = ezdxfCheck("compare-base " + quotedPath(base) + " " + quotedPath(out) +
                                   " " + std::to_string(added));
  EXPECT_EQ(compared.status, 0) << compared.out;

  // The output serves as the next import's base: both sets of records, same two tables.
  OvDbDatabase next;
  ASSERT_TRUE((result = openDxf(out, next))) << result.message();
  drawRows(next, "base-second");
  const std::string again = (folder.path() / ("again-" + version + ".dxf")).string();
  ASSERT_TRUE((result = saveDxf(next, again))) << result.message();
  const auto second = ezdxfCheck("compare-base " + quotedPath(base) + " " + quotedPath(again) +
                                 " " + std::to_string(added + 3));
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(next.objectDataTables().Tables().size(), 2u);
  EXPECT_EQ(next.objectDataTables().Table("JSIMA_V3_Point")->recordCount, 4u);
  EXPECT_EQ(next.objectDataTables().Table("JSIMA_V3_Pline")->recordCount, 4u);
}

INSTANTIATE_TEST_SUITE_P(Versions, BaseDrawing,
                         ::testing::Values("R2000", "R2004", "R2010", "R2013", "R2018"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace kestrel::testing
