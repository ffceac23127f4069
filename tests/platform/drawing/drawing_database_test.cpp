// The drawing the import draws into: layers, entities made by the host operations, ids and
// handles, large drawings and extended data. Scripts of operations with their expected results
// are rows of cases/operations.txt.
#include "platform/drawing/drawing_database.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <unordered_set>
#include <vector>

#include "tests/platform/case_tables.h"

namespace {

using kestrel::testing::numbersIn;

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

// Each script runs on a fresh working drawing; makers name their entity, "null" is the null id.
TEST(DrawingScripts, GiveTheirExpectedResults) {
  std::unique_ptr<OvDbDatabase> database;
  std::map<std::string, OvDbObjectId> ids;
  std::string script;
  for (const auto& row : kestrel::testing::textRows("platform/drawing/cases/operations.txt")) {
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
  ovSetWorkingDatabase(&database);
  EXPECT_EQ(database.openEntity(OvDbObjectId(point.value() + 1)), nullptr);
}

TEST_F(DrawingOperations, IdsAndHandlesAreUniqueAndStable) {
  std::unordered_set<OvDbObjectId> ids;
  std::unordered_set<std::uint64_t> handles;
  std::vector<OvDbObjectId> lots;
  for (int i = 0; i < 200; ++i) {
    ids.insert(ovdraw::createPoint("0", i, i, i));
    lots.push_back(ovdraw::create2dPolyline({{0, 0, 0}, {double(i), 1, 0}}));
    ids.insert(lots.back());
    ovdraw::convertToLightweight(lots.back());
  }
  for (std::size_t i = 0; i < database.entityCount(); ++i)
    handles.insert(database.entityAt(i).handle());
  EXPECT_EQ(ids.size(), 400u);
  EXPECT_EQ(handles.size(), 400u);
  EXPECT_FALSE(ids.contains(OvDbObjectId()));
  // Each id still names its own entity after conversions.
  for (int i = 0; i < 200; ++i)
    EXPECT_EQ(database.openAs<OvDbPolyline>(lots[static_cast<std::size_t>(i)])->vertices[1].x,
              double(i));
  for (const std::uint64_t handle : handles) EXPECT_LT(handle, database.handleSeed());
}

TEST(DrawingDatabase, HandlesReadFromAFileComeBackInAnyOrder) {
  // Runs of consecutive handles broken going down, up, and back to a smaller one.
  const std::vector<std::uint64_t> given{0x90, 0x20, 0x21, 0x22, 0x10, 0x11, 0x95, 0x23};
  OvDbDatabase database;
  for (const std::uint64_t handle : given)
    database.appendEntityFromFile(std::make_unique<OvDbPoint>(), handle, "0");
  ASSERT_EQ(database.entityCount(), given.size());
  for (std::size_t i = 0; i < given.size(); ++i)
    EXPECT_EQ(database.entityAt(i).handle(), given[i]) << i;
}

TEST_F(DrawingOperations, LargeDrawingsKeepEveryEntityAsMadeAndOpenedAsKept) {
  // Past the sizes the tables grow by: many points, a very long polyline among short ones.
  database.addLayer("L");
  std::vector<OvDbObjectId> points;
  for (int i = 0; i < 40000; ++i)
    points.push_back(ovdraw::createPoint(i % 2 ? "L" : "0", i, -i, i * 0.5));
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
  EXPECT_EQ(wrong, 0);
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

TEST(WorkingDatabase, DefaultIsAnEmptyDrawingAndTheHostMaySetAnother) {
  OvDbDatabase mine;
  mine.addLayer("mine");
  ovSetWorkingDatabase(&mine);
  EXPECT_EQ(ovdraw::listLayers(), (std::vector<std::string>{"0", "mine"}));
  ovdraw::createPoint("mine", 0, 0, 0);
  EXPECT_EQ(mine.entityCount(), 1u);
  ovSetWorkingDatabase(nullptr);
  EXPECT_EQ(&ovWorkingDatabase() == &mine, false);
  EXPECT_EQ(ovdraw::currentLayerName(), "0");
}

}  // namespace
