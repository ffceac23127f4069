// The drawing the import draws into: layers, entities made by the host operations, ids and
// handles, large drawings and extended data. Scripts of operations with their expected results
// are rows of cases/operations.txt.
#include "platform/drawing/drawing_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "tests/platform/platform_test_support.h"

namespace kestrel::testing {
namespace {

// An entity as the operation rows spell it: kind, layer, handle, numbers, extended data.
std::string describe(OvDbDatabase& database, OvDbObjectId id) {
  const OvDbEntity* entity = database.openEntity(id);
  if (entity == nullptr) return "none";
  std::ostringstream out;
  std::vector<double> v;
  if (const auto* point = database.openAs<OvDbPoint>(id)) {
    out << "point";
    v = {point->position.x, point->position.y, point->position.z};
  } else if (const auto* old = database.openAs<OvDb2dPolyline>(id)) {
    out << "2d";
    for (const auto& p : old->vertices) v.insert(v.end(), {p.x, p.y, p.z});
  } else if (const auto* polyline = database.openAs<OvDbPolyline>(id)) {
    out << (polyline->closed ? "closed" : "open") << " polyline";
    for (const auto& p : polyline->vertices) v.insert(v.end(), {p.x, p.y});
    v.push_back(polyline->elevation);
  } else if (const auto* line = database.openAs<OvDbLine>(id)) {
    out << "line";
    v = {line->start.x, line->start.y, line->start.z, line->end.x, line->end.y, line->end.z};
  } else if (const auto* arc = database.openAs<OvDbArc>(id)) {
    out << "arc";
    v = {arc->center.x, arc->center.y, arc->center.z, arc->radius, arc->startAngle, arc->endAngle};
  }
  out << " on " << entity->layer() << " h" << std::hex << entity->handle() << std::dec << ":";
  for (const double x : v) out << ' ' << x;
  for (const auto& block : entity->xdata()) {
    out << ' ' << block.applicationName << ':';
    for (const auto& value : block.values) out << ' ' << value;
  }
  return out.str() + (entity->objectId() == id ? "" : " under another id");
}

// "1:i P1:s 2.5:r" as a record of those values, written as columns named by their values.
OvMapODTableRecord recordOf(const std::string& text) {
  const OvMapODTableDefinition definition = definitionOf(text);
  OvMapODTableRecord record;
  record.Init(definition);
  for (int k = 0; k < record.Count(); ++k) {
    const std::string value = definition.Column(k).Name();
    if (record.Value(k).Type() == OvMapDataType::Integer) record.Value(k) = std::stoi(value);
    if (record.Value(k).Type() == OvMapDataType::Real) record.Value(k) = std::stod(value);
    if (record.Value(k).Type() == OvMapDataType::Character) record.Value(k) = value;
  }
  return record;
}

// Each script runs on a fresh working drawing; makers name their entity, "null" is the null id.
TEST(DrawingScripts, GiveTheirExpectedResults) {
  std::unique_ptr<OvDbDatabase> database;
  std::map<std::string, OvDbObjectId> ids;
  std::string script;
  for (const auto& row : textRows("platform/drawing/cases/operations.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] != script) {
      script = row[0];
      database = std::make_unique<OvDbDatabase>();
      ovSetWorkingDatabase(database.get());
      ids.clear();
    }
    const std::string& op = row[1];
    const std::vector<std::string> rest(row.fields.begin() + 2, row.fields.end());
    const auto result = [](bool done) { return std::string(done ? "done" : "refused"); };
    const std::vector<double> v = numbersIn(row.fields.back());
    std::vector<OvGePoint3d> points;
    for (std::size_t i = 0; i + 2 < v.size(); i += 3) points.push_back({v[i], v[i + 1], v[i + 2]});
    std::vector<std::string> applications;
    for (const auto& application : database->applications())
      applications.push_back(application.name);
    OvMapODTables& tables = database->objectDataTables();
    std::string shown;  // tables, or an entity's records, as the rows spell them
    const auto show = [&](const std::string& item) {
      shown += (shown.empty() ? "" : " ") + item + ";";
    };
    for (const auto& t : tables.Tables())
      if (op == "tables")
        show(t.name + ": " + std::to_string(t.definition.Count()) + " columns, \"" + t.description +
             (t.isXData ? "\", xdata, " : "\", plain, ") + std::to_string(t.recordCount) +
             " records");
    if (op == "records")
      for (const auto& record : tables.Records(row[2], ids[row[3]]))
        show(valuesOf(*record).substr(1));
    if (op == "visit")
      tables.forEachRecordOf(
          static_cast<std::size_t>(database->indexOf(ids[row[2]])),
          [&](const OvMapODTable& t, const auto& record) { show(t.name + valuesOf(record)); });
    if (op == "layer") EXPECT_EQ(result(database->addLayer(row[2])), row[3]);
    else if (op == "current") EXPECT_EQ(result(database->setCurrentLayer(row[2])), row[3]);
    else if (op == "layers") EXPECT_EQ(database->layerNames(), rest);
    else if (op == "current-layer") EXPECT_EQ(ovdraw::currentLayerName(), row[2]);
    else if (op == "applications") EXPECT_EQ(applications, rest);
    else if (op == "count") EXPECT_EQ(std::to_string(database->entityCount()), row[2]);
    else if (op == "expect") EXPECT_EQ(describe(*database, ids[row[2]]), row[3]);
    else if (op == "convert") ovdraw::convertToLightweight(ids[row[2]]);
    else if (op == "set") ovdraw::setPolylineLayerAndClosure(ids[row[2]], row[3], row[4] == "closed");
    else if (op == "xdata")
      EXPECT_EQ(result(ovdraw::attachXData(ids[row[2]], row[3], {rest.begin() + 3, rest.end()})),
                row[4]);
    else if (op == "point") ids[row[2]] = ovdraw::createPoint(row[3], v[0], v[1], v[2]);
    else if (op == "line") ids[row[2]] = ovdraw::createLine(row[3], v[0], v[1], v[2], v[3]);
    else if (op == "arc") ids[row[2]] = ovdraw::createArc(row[3], v[0], v[1], v[2], v[3], v[4]);
    else if (op == "polyline")
      ids[row[2]] = ovdraw::createPolyline(row[3], points, row[4] == "closed");
    else if (op == "2d") ids[row[2]] = ovdraw::create2dPolyline(points);
    else if (op == "from-file")
      ids[row[2]] = database->appendEntityFromFile(std::make_unique<OvDbPoint>(),
                                                   std::stoull(row[3], nullptr, 16), row[4]);
    else if (op == "table")
      EXPECT_EQ(result(tables.Add(row[2], definitionOf(row[3]), row[4], row[5] == "xdata")),
                row[6]);
    else if (op == "record")
      EXPECT_EQ(result(tables.AddRecord(row[2], ids[row[3]], recordOf(row[4]))), row[5]);
    else if (op == "tables" || op == "visit") EXPECT_EQ(shown, row.fields.back());
    else if (op == "records") EXPECT_EQ(shown.empty() ? "-" : shown, row[4]);
    else ADD_FAILURE() << "unknown operation " << op;
  }
  ovSetWorkingDatabase(nullptr);
}

// Runs the host operations on a fresh drawing and restores the default one afterwards.
class DrawingOperations : public ::testing::Test {
 protected:
  void SetUp() override { ovSetWorkingDatabase(&database); }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }
  OvDbDatabase database;
};

TEST_F(DrawingOperations, IdsOfAnotherDrawingOpenNothing) {
  const OvDbObjectId point = ovdraw::createPoint("0", 1, 2, 3);
  OvDbDatabase other;
  const OvDbObjectId there = other.appendEntity(std::make_unique<OvDbPoint>());
  EXPECT_NE(point, there);
  EXPECT_EQ(database.indexOf(there), -1);
  EXPECT_EQ(other.indexOf(point), -1);
  ovSetWorkingDatabase(&other);
  EXPECT_EQ(other.openEntity(point), nullptr);
  EXPECT_FALSE(ovdraw::attachXData(point, "APP", {"x"}));
  ASSERT_TRUE(other.objectDataTables().Add("T", definitionOf("No:i"), "", false));
  EXPECT_FALSE(other.objectDataTables().AddRecord("T", point, {std::int32_t{1}}));
  ovSetWorkingDatabase(&database);
  EXPECT_EQ(database.openEntity(OvDbObjectId(point.value() + 1)), nullptr);
}

TEST_F(DrawingOperations, LargeDrawingsKeepEveryEntityAsMadeAndOpenedAsKept) {
  // Past the sizes the tables grow by: many points, a lot converted after every hundredth, a very
  // long polyline among short ones.
  database.addLayer("L");
  std::vector<OvDbObjectId> points, lots;
  for (int i = 0; i < 40000; ++i) {
    points.push_back(ovdraw::createPoint(i % 2 ? "L" : "0", i, -i, i * 0.5));
    if (i % 100 != 0) continue;
    lots.push_back(ovdraw::create2dPolyline({{0, 0, 0}, {double(i), 1, 0}}));
    ovdraw::convertToLightweight(lots.back());
  }
  std::vector<OvGePoint3d> longLine;
  for (int i = 0; i < 100000; ++i) longLine.push_back({double(i), 1.0, 7.0});
  const OvDbObjectId lot = ovdraw::create2dPolyline(longLine);
  ovdraw::convertToLightweight(lot);
  ovdraw::setPolylineLayerAndClosure(lot, "L", true);
  const OvDbObjectId small = ovdraw::createPolyline("L", {{1, 2, 3}, {4, 5, 6}}, false);
  int wrong = 0;
  for (int i = 0; i < 40000; ++i) {
    const OvDbStoredEntity stored =
        database.storedEntity(static_cast<std::size_t>(database.indexOf(points[i])));
    wrong += stored.kind != OvDbEntityKind::Point || stored.position.x != i ||
             stored.position.z != i * 0.5 || stored.layerIndex != (i % 2 ? 1u : 0u);
  }
  for (std::size_t i = 0; i < lots.size(); ++i) {  // each lot still under its own id
    const auto made = database.storedEntity(static_cast<std::size_t>(database.indexOf(lots[i])));
    wrong += made.vertices.size() != 2 || made.vertices[1].x != double(i * 100);
  }
  EXPECT_EQ(wrong, 0);
  // Ids and handles are unique, the handles below the seed.
  std::unordered_set<OvDbObjectId> ids(points.begin(), points.end());
  ids.insert(lots.begin(), lots.end());
  std::unordered_set<std::uint64_t> handles;
  for (std::size_t i = 0; i < database.entityCount(); ++i)
    handles.insert(database.storedEntity(i).handle);
  EXPECT_EQ(ids.size(), points.size() + lots.size());
  EXPECT_FALSE(ids.contains(OvDbObjectId()));
  EXPECT_EQ(handles.size(), database.entityCount());
  EXPECT_LT(*std::max_element(handles.begin(), handles.end()), database.handleSeed());
  const OvDbStoredEntity stored =
      database.storedEntity(static_cast<std::size_t>(database.indexOf(lot)));
  ASSERT_EQ(stored.vertices.size(), 100000u);
  EXPECT_EQ(stored.vertices[99999].x, 99999.0);
  EXPECT_TRUE(stored.closed);
  EXPECT_EQ(database.openAs<OvDbPolyline>(small)->vertices[1].y, 5.0);
  // An entity opened is an object from then on, holding what the table held.
  auto* point = database.openAs<OvDbPoint>(points[12345]);
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->position.y, -12345.0);
  point->position.y = 1.0;
  const OvDbStoredEntity opened =
      database.storedEntity(static_cast<std::size_t>(database.indexOf(points[12345])));
  EXPECT_EQ(opened.object, point);
  EXPECT_EQ(opened.position.y, 1.0);
  EXPECT_EQ(point->layer(), "L");
}

// Its attribute tables are the current ones too.
TEST(WorkingDatabase, DefaultIsAnEmptyDrawingAndTheHostMaySetAnother) {
  OvDbDatabase mine;
  mine.addLayer("mine");
  ovSetWorkingDatabase(&mine);
  EXPECT_EQ(ovdraw::listLayers(), (std::vector<std::string>{"0", "mine"}));
  ovdraw::createPoint("mine", 0, 0, 0);
  ovCurrentObjectDataTables().Add("T", definitionOf("No:i"), "", false);
  EXPECT_EQ(mine.entityCount(), 1u);
  ovSetWorkingDatabase(nullptr);
  EXPECT_EQ(&ovWorkingDatabase() == &mine, false);
  EXPECT_EQ(ovdraw::currentLayerName(), "0");
  EXPECT_FALSE(ovCurrentObjectDataTables().IsTablePresent("T"));
  EXPECT_TRUE(mine.objectDataTables().IsTablePresent("T"));
}

}  // namespace
}  // namespace kestrel::testing
