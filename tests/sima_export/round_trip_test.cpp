// SIMA written by `kestrel export` and read back by `kestrel import`: the same points, lots and
// alignment geometry as before, a log without errors, and the refusals with their exit statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>

#include "platform/civil/landxml.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_groups.h"
#include "platform/dxf/dxf_reader.h"
#include "tests/support/run_host.h"
#include "tests/support/text_rows.h"

namespace {

using kestrel::testing::quotedPath;
using kestrel::testing::readBytes;
using kestrel::testing::runHost;
using kestrel::testing::TempDir;

constexpr double kAlignmentTolerance = 1e-6;
const std::string kCases = std::string(KESTREL_SOURCE_DIR) + "/tests/sima_export/cases/";

struct SurveyPoint {
  std::string name;
  double x = 0, y = 0, z = 0;
  bool operator==(const SurveyPoint&) const = default;
};

struct SurveyLot {
  int number = 0;
  std::string name;
  bool closed = false;
  std::vector<std::pair<double, double>> vertices;
  bool operator==(const SurveyLot&) const = default;
};

// The survey points and lots of a drawing the import made, read from its records and entity
// groups (not through the exporter's own reading).
struct Survey {
  std::map<int, SurveyPoint> points;
  std::vector<SurveyLot> lots;
};

Survey surveyOf(const std::string& dxf) {
  OvDbDatabase drawing;
  EXPECT_TRUE(openDxf(dxf, drawing)) << dxf;
  Survey survey;
  const OvMapODTables& tables = drawing.objectDataTables();
  for (std::size_t i = 0; i < drawing.entityCount(); ++i) {
    const auto& raw = static_cast<const OvDbRawEntity&>(drawing.entityAt(i));
    std::optional<std::pair<int, std::string>> record;  // number and name
    std::string type;
    tables.forEachRecordOf(i, [&](const OvMapODTable&, const OvMapODRecordView& r) {
      record = {r.Int32Value(0), std::string(r.TextValue(1))};
      type = r.TextValue(2);
    });
    if (!record) continue;
    std::map<int, std::vector<double>> values;  // x, y, z and flags by group code
    for (const auto& group : parseDxfGroups(raw.fileText))
      if (group.code == 10 || group.code == 20 || group.code == 30 || group.code == 70)
        values[group.code].push_back(std::stod(std::string(group.value)));
    if (type == "座標") {
      survey.points[record->first] = {record->second, values[10].at(0), values[20].at(0),
                                      values[30].at(0)};
    } else if (type == "画地") {
      SurveyLot lot{record->first,
                    record->second,
                    (static_cast<int>(values[70].at(0)) & 1) != 0,
                    {}};
      for (std::size_t v = 0; v < values[10].size(); ++v)
        lot.vertices.emplace_back(values[10][v], values[20][v]);
      survey.lots.push_back(lot);
    }
  }
  return survey;
}

std::unique_ptr<ovcivil::CivilDocument> civilOf(const std::string& xml) {
  auto document = std::make_unique<ovcivil::CivilDocument>();
  EXPECT_TRUE(ovcivil::openLandXml(xml, *document)) << xml;
  return document;
}

// Every alignment of `before` again in `after`: each element's start, end and length, and the
// points at every metre of station, as the civil model evaluates them.
void expectSameAlignments(const ovcivil::CivilDocument& before,
                          const ovcivil::CivilDocument& after) {
  const auto distance = [](ovcivil::PlanPoint a, ovcivil::PlanPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
  };
  for (const auto& site : before.sites())
    for (const auto& original : site.alignments) {
      SCOPED_TRACE(original.name);
      const ovcivil::Alignment* again = nullptr;
      for (const auto& other : after.sites())
        for (const auto& alignment : other.alignments)
          if (again == nullptr && alignment.name == original.name) again = &alignment;
      ASSERT_NE(again, nullptr);
      EXPECT_DOUBLE_EQ(again->startingStation, original.startingStation);
      EXPECT_NEAR(again->length(), original.length(), kAlignmentTolerance);
      double station = original.startingStation;
      for (const auto& entity : original.entities) {
        ovcivil::PlanPoint start, end;
        ASSERT_EQ(again->pointAtStation(station, 0.0, start), ovcivil::kOk);
        ASSERT_EQ(again->pointAtStation(station + entity.length, 0.0, end), ovcivil::kOk);
        EXPECT_LT(distance(start, entity.start), kAlignmentTolerance) << station;
        EXPECT_LT(distance(end, entity.end), kAlignmentTolerance) << station;
        station += entity.length;
      }
      if (again->entities.size() == original.entities.size()) {
        for (std::size_t i = 0; i < original.entities.size(); ++i)
          EXPECT_NEAR(again->entities[i].length, original.entities[i].length, kAlignmentTolerance)
              << i;
      }
      for (double s = original.startingStation; s <= original.startingStation + original.length();
           s += 1.0) {
        ovcivil::PlanPoint a, b;
        ASSERT_EQ(original.pointAtStation(s, 0.0, a), ovcivil::kOk);
        ASSERT_EQ(again->pointAtStation(s, 0.0, b), ovcivil::kOk);
        ASSERT_LT(distance(a, b), kAlignmentTolerance) << "station " << s;
      }
    }
}

// Imports dir/name.sim to dir/name.dxf and dir/name.xml; false when the import found errors.
bool import(const TempDir& dir, const std::string& name) {
  const std::string base = (dir.path() / name).string();
  const auto run = runHost("import " + quotedPath(base + ".sim") + " -o " +
                           quotedPath(base + ".dxf") + " --landxml " + quotedPath(base + ".xml"));
  EXPECT_EQ(run.status, 0) << run.out;
  return run.status == 0 && run.out.find("エラー無し") != std::string::npos;
}

// A SIMA file's round trip, with the alignments of its routes.
void expectRoundTrip(const TempDir& dir, const std::string& simBytes) {
  dir.write("first.sim", simBytes);
  ASSERT_TRUE(import(dir, "first"));
  const auto path = [&](const char* name) { return quotedPath((dir.path() / name).string()); };
  const std::string drawing = readBytes((dir.path() / "first.dxf").string());
  const auto exported = runHost("export " + path("first.dxf") + " --alignments " +
                                path("first.xml") + " -o " + path("second.sim"));
  ASSERT_EQ(exported.status, 0) << exported.out;
  EXPECT_EQ(readBytes((dir.path() / "first.dxf").string()), drawing);  // the input is never written
  ASSERT_TRUE(import(dir, "second")) << readBytes((dir.path() / "second_Input.log").string());
  // Exactly: the writer's numbers read back as they were.
  const Survey before = surveyOf((dir.path() / "first.dxf").string());
  const Survey after = surveyOf((dir.path() / "second.dxf").string());
  EXPECT_TRUE(after.points == before.points && after.lots == before.lots);
  expectSameAlignments(*civilOf((dir.path() / "first.xml").string()),
                       *civilOf((dir.path() / "second.xml").string()));
}

TEST(ExportRoundTrip, SimaFilesComeBackAsTheyWere) {
  // Names that need quoting, a point without elevation, open and closed lots; the example
  // project: straights, clothoids and arcs turning both ways.
  for (const std::string& path : {kCases + "quoted-names-and-lots.sim",
                                  std::string(KESTREL_SOURCE_DIR) + "/examples/road-project.sim"}) {
    SCOPED_TRACE(path);
    TempDir dir;
    expectRoundTrip(dir, readBytes(path));
  }
}

// Alignments written by hand from an independent clothoid reference: curves turning either way,
// a 200° arc, an egg (a clothoid between two radii) and an alignment that starts with a clothoid.
TEST(ExportRoundTrip, HandWrittenLandXmlAlignmentsComeBack) {
  TempDir dir;
  const std::string xml = dir.write("by-hand.xml", readBytes(kCases + "alignments-by-hand.xml"));
  const auto exported = runHost("export --alignments " + quotedPath(xml) + " -o " +
                                quotedPath((dir.path() / "hand.sim").string()));
  ASSERT_EQ(exported.status, 0) << exported.out;
  const std::string sim = readBytes((dir.path() / "hand.sim").string());
  for (const char* name : {"BP", "KA1-1", "KE1-1", "KE1-2", "KA1-2", "EP", "BC1", "SP1-1", "EC1"})
    EXPECT_NE(sim.find(std::string(",") + name + ","), std::string::npos) << name;
  ASSERT_TRUE(import(dir, "hand"));
  expectSameAlignments(*civilOf(xml), *civilOf((dir.path() / "hand.xml").string()));
}

// What cannot be written, or need not be, gives one clear line and its exit status; a refused
// export leaves no file. Usage errors found from the arguments alone are rows of
// tests/apps/cases/usage_errors.txt.
TEST(ExportRoundTrip, RefusalsAndWarningsHaveTheirStatus) {
  TempDir dir;
  const auto path = [&](const char* name) { return quotedPath((dir.path() / name).string()); };
  // Files to export: points with a name CP932 lacks, a lot vertex without a point, and the files
  // below.
  dir.write("names.sim", readBytes(kCases + "latin-name.sim"));
  // A lone Latin letter in otherwise ASCII text reads as CP932 half-width kana: say it is UTF-8.
  ASSERT_EQ(runHost("import --encoding utf-8 " + path("names.sim")).status, 0);
  dir.write("lone.sim", readBytes(kCases + "lot-vertex-without-point.sim"));
  ASSERT_EQ(runHost("import " + path("lone.sim")).status, 0);
  // An empty drawing; the lone lot's drawing with a point copied in CAD, record and all (its
  // number is taken), as our writer saved them; an alignment with a cubic spiral.
  for (const char* name : {"empty.dxf", "copied.dxf", "cubic.xml"})
    dir.write(name, readBytes(kCases + name));
  const std::string at = dir.path().string() + "/";
  const auto filled = [&](const std::string& text) { return kestrel::testing::filled(text, at); };
  for (const auto& row : kestrel::testing::textRows("sima_export/cases/export_statuses.txt")) {
    SCOPED_TRACE(row.where);
    std::filesystem::remove(dir.path() / "out.sim");
    const auto run = runHost(filled(row[0]) + " --lang en");
    EXPECT_EQ(run.status, std::stoi(row[1])) << run.out;
    EXPECT_NE(run.out.find(filled(row[2])), std::string::npos) << run.out;
    EXPECT_EQ(std::filesystem::exists(dir.path() / "out.sim"), row[1] == "0");
    EXPECT_NE(readBytes(at + "out.sim").find(row.size() > 3 ? row[3] : ""), std::string::npos);
  }
}

}  // namespace
