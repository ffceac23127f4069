// The drawing the import draws into: layers, entities made by the host operations, ids and
// handles, large drawings and extended data.
#include "platform/drawing/drawing_database.h"

#include <gtest/gtest.h>

#include <unordered_set>
#include <vector>

namespace {

// Runs the host operations on a fresh drawing and restores the default one afterwards.
class DrawingOperations : public ::testing::Test {
 protected:
  void SetUp() override { ovSetWorkingDatabase(&database); }
  void TearDown() override { ovSetWorkingDatabase(nullptr); }
  OvDbDatabase database;
};

TEST(DrawingDatabase, LayersStartAtZeroKeepTableOrderAndRefuseDuplicatesAndEmptyNames) {
  OvDbDatabase database;
  EXPECT_EQ(database.currentLayerName(), "0");
  EXPECT_EQ(database.entityCount(), 0u);
  EXPECT_TRUE(database.addLayer("点"));
  EXPECT_TRUE(database.addLayer("Lot"));
  EXPECT_TRUE(database.addLayer("lot"));  // names are taken as given, case included
  EXPECT_FALSE(database.addLayer("Lot"));
  EXPECT_FALSE(database.addLayer(""));
  EXPECT_EQ(database.layerNames(), (std::vector<std::string>{"0", "点", "Lot", "lot"}));
  EXPECT_TRUE(database.setCurrentLayer("Lot"));
  EXPECT_FALSE(database.setCurrentLayer("missing"));
  EXPECT_EQ(database.currentLayerName(), "Lot");
}

TEST_F(DrawingOperations, EntitiesTakeAnExistingLayerAndStayOnZeroOtherwise) {
  database.addLayer("IP線");
  const OvDbObjectId point = ovdraw::createPoint("IP線", 200.25, 100.5, 3.0);
  const OvDbObjectId line = ovdraw::createLine("IP線", 1, 2, 3, 4);
  const OvDbObjectId arc = ovdraw::createArc("IP線", 10, 20, 5, 0.5, 1.5);
  const OvDbObjectId polyline = ovdraw::createPolyline("IP線", {{0, 0, 12.5}, {1, 1, 13}}, true);
  const OvDbObjectId elsewhere = ovdraw::createPoint("nowhere", 1, 2, 3);
  EXPECT_FALSE(ovdraw::createPolyline("IP線", {{0, 0, 0}}, false).isValid());
  ASSERT_NE(database.openAs<OvDbPoint>(point), nullptr);
  const OvGePoint3d position = database.openAs<OvDbPoint>(point)->position;
  EXPECT_EQ(std::vector<double>({position.x, position.y, position.z}),
            std::vector<double>({200.25, 100.5, 3.0}));
  ASSERT_NE(database.openAs<OvDbLine>(line), nullptr);
  EXPECT_EQ(database.openAs<OvDbLine>(line)->end.y, 4.0);
  ASSERT_NE(database.openAs<OvDbArc>(arc), nullptr);
  EXPECT_EQ(database.openAs<OvDbArc>(arc)->endAngle, 1.5);
  ASSERT_NE(database.openAs<OvDbPolyline>(polyline), nullptr);
  EXPECT_EQ(database.openAs<OvDbPolyline>(polyline)->elevation, 12.5);
  EXPECT_TRUE(database.openAs<OvDbPolyline>(polyline)->closed);
  for (const OvDbObjectId id : {point, line, arc, polyline})
    EXPECT_EQ(database.openEntity(id)->layer(), "IP線");
  ASSERT_TRUE(elsewhere.isValid());
  EXPECT_EQ(database.openEntity(elsewhere)->layer(), "0");
  EXPECT_FALSE(database.hasLayer("nowhere"));
}

// Fewer than two vertices make nothing, and later operations on the null id do nothing.
TEST_F(DrawingOperations, TwoDPolylinesNeedTwoVertices) {
  for (const std::size_t count : {0u, 1u, 2u, 5u}) {
    OvDbDatabase fresh;
    ovSetWorkingDatabase(&fresh);
    std::vector<OvGePoint3d> points;
    for (std::size_t i = 0; i < count; ++i) points.push_back({double(i), 2.0 * double(i), 5.0});
    const OvDbObjectId id = ovdraw::create2dPolyline(points);
    ovdraw::convertToLightweight(id);
    ovdraw::setPolylineLayerAndClosure(id, "0", true);
    EXPECT_EQ(id.isValid(), count >= 2) << count;
    EXPECT_EQ(fresh.entityCount(), count >= 2 ? 1u : 0u) << count;
    if (count >= 2) {
      EXPECT_EQ(fresh.openAs<OvDbPolyline>(id)->vertices.size(), count);
    }
  }
}

TEST_F(DrawingOperations, ConversionKeepsTheIdAndTheVerticesAtElevationZero) {
  database.addLayer("lots");
  const OvDbObjectId id = ovdraw::create2dPolyline({{1, 2, 7}, {3, 4, 8}, {5, 6, 9}});
  const std::uint64_t handle = database.openEntity(id)->handle();
  ovdraw::convertToLightweight(id);
  ovdraw::setPolylineLayerAndClosure(id, "lots", true);
  const auto* polyline = database.openAs<OvDbPolyline>(id);
  ASSERT_NE(polyline, nullptr);
  EXPECT_EQ(database.openAs<OvDb2dPolyline>(id), nullptr);
  EXPECT_EQ(polyline->handle(), handle);
  EXPECT_EQ(polyline->objectId(), id);
  EXPECT_EQ(polyline->layer(), "lots");
  EXPECT_TRUE(polyline->closed);
  EXPECT_EQ(polyline->elevation, 0.0);
  ASSERT_EQ(polyline->vertices.size(), 3u);
  EXPECT_EQ(polyline->vertices[2].x, 5.0);
  EXPECT_EQ(polyline->vertices[2].y, 6.0);
  // A failed layer assignment leaves the layer; closure still follows the flag.
  ovdraw::setPolylineLayerAndClosure(id, "missing", false);
  EXPECT_EQ(polyline->layer(), "lots");
  EXPECT_FALSE(polyline->closed);
  // Converting again, or converting something else, changes nothing.
  ovdraw::convertToLightweight(id);
  EXPECT_EQ(database.openAs<OvDbPolyline>(id), polyline);
}

TEST_F(DrawingOperations, OperationsOnTheWrongKindOrAnotherDrawingDoNothing) {
  const OvDbObjectId point = ovdraw::createPoint("0", 1, 2, 3);
  ovdraw::convertToLightweight(point);
  ovdraw::setPolylineLayerAndClosure(point, "0", true);
  EXPECT_NE(database.openAs<OvDbPoint>(point), nullptr);

  OvDbDatabase other;
  const OvDbObjectId there = other.appendEntity(std::make_unique<OvDbPoint>());
  EXPECT_NE(point, there);
  EXPECT_EQ(database.indexOf(there), -1);
  EXPECT_EQ(other.indexOf(point), -1);
  ovSetWorkingDatabase(&other);
  EXPECT_EQ(other.openEntity(point), nullptr);
  EXPECT_FALSE(ovdraw::attachXData(point, "APP", {"x"}));
  ovSetWorkingDatabase(&database);
  EXPECT_EQ(database.openEntity(OvDbObjectId()), nullptr);
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

TEST_F(DrawingOperations, ExtendedDataRegistersItsApplicationOnceAndReplacesByName) {
  const OvDbObjectId line = ovdraw::createLine("0", 0, 0, 1, 1);
  EXPECT_TRUE(ovdraw::attachXData(line, "KESTREL_ALIGNMENT", {"路線1"}));
  EXPECT_TRUE(ovdraw::attachXData(line, "KESTREL_ALIGNMENT", {"路線2", "x"}));
  EXPECT_FALSE(ovdraw::attachXData(OvDbObjectId(), "KESTREL_ALIGNMENT", {"y"}));
  const auto& xdata = database.openEntity(line)->xdata();
  ASSERT_EQ(xdata.size(), 1u);
  EXPECT_EQ(xdata[0].values, (std::vector<std::string>{"路線2", "x"}));
  int registered = 0;
  for (const auto& application : database.applications())
    registered += application.name == "KESTREL_ALIGNMENT";
  EXPECT_EQ(registered, 1);
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
