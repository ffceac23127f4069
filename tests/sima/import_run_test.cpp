// Records, their arrays and the run's first-match indexes.
#include "sima/import_run.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

TEST(GrowingArray, IndexOutsideTheArrayRaisesInvalidArgumentAndCopiesAreDeep) {
  GrowingArray<int> array;
  EXPECT_THROW(array.at(0), std::invalid_argument);
  array.append(7);
  for (long bad : {-1L, 1L, 1000L}) EXPECT_THROW(array.at(bad), std::invalid_argument) << bad;
  EXPECT_EQ(array.at(0), 7);
  EXPECT_THROW(GrowingArray<int>().removeLast(), std::invalid_argument);
  SimaAlignment route;  // a route's elements
  EntityData element;
  element.Type = "S";
  route.elements.append(element);
  SimaAlignment copy = route;
  copy.elements[0].Type = "R";
  copy.elements.append(element);
  EXPECT_EQ(route.elements[0].Type, "S");
  EXPECT_EQ(route.elements.size(), 1u);
}

TEST(StableArray, PointsStayWhereTheyAreWhileTheStoreGrowsAndCopiesAreDeep) {
  StableArray<SimaPoint> store;
  EXPECT_THROW(store.at(0), std::invalid_argument);
  std::vector<const SimaPoint*> addresses;
  for (int32_t n = 0; n < 10000; ++n) {  // past two chunks
    SimaPoint point;
    point.number = n;
    point.name = "点" + std::to_string(n);
    store.append(std::move(point));
    addresses.push_back(&store.at(n));
  }
  int moved = 0;
  for (int32_t n = 0; n < 10000; ++n)
    moved += addresses[static_cast<std::size_t>(n)] != &store[n] || store[n].number != n ? 1 : 0;
  EXPECT_EQ(moved, 0);
  for (long bad : {-1L, 10000L}) EXPECT_THROW(store.at(bad), std::invalid_argument) << bad;
  StableArray<SimaPoint> copy = store;
  copy[9999].name = "changed";
  EXPECT_EQ(store[9999].name, "点9999");
  EXPECT_EQ(copy.size(), 10000u);
}

// Names of every length class the arena stores (no text, one-byte and four-byte lengths, a block
// exactly full, longer than a block) come back whole, with each point's elevation flag; a
// series' points are found only once indexed, and the first of a number wins.
TEST(PointStore, NamesAndElevationFlagsComeBackAcrossBlocksAndOnlyIndexedPointsAreFound) {
  const std::size_t lengths[] = {0, 1, 127, 128, 65535, 65531, 70000, 3};
  PointStore store;
  auto nameOf = [&](std::size_t i) {
    return std::string(lengths[i % std::size(lengths)], static_cast<char>('a' + i % 26));
  };
  const std::size_t count = 400;  // several blocks
  for (std::size_t i = 0; i < count; ++i)
    store.add(static_cast<int32_t>(i % 100), nameOf(i), 1.5 * i, -2.0 * i, i, i % 3 == 0);
  EXPECT_FALSE(store.contains(7));
  store.indexFrom(0);
  int wrong = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const SimaPoint p = store.at(i);
    wrong += p.name == nameOf(i) && p.hasElevation == (i % 3 == 0) && p.north == 1.5 * i &&
                     p.east == -2.0 * i && p.elevation == static_cast<double>(i)
                 ? 0
                 : 1;
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(store.position(7), 7);
  EXPECT_EQ(store.position(100), -1);
}

// Numbering as files carry it (cases/number_index.txt), and small numbers arriving after large
// ones (stored apart, then covered by the growing array).
TEST(FirstIndexByNumber, AgreesWithAMapThatKeepsTheFirst) {
  for (const auto& row : testing::textRows("sima/cases/number_index.txt")) {
    SCOPED_TRACE(row.where);
    const int64_t step = std::stoll(row[4]);
    const std::size_t records = std::stoul(row[3]);
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int32_t> draw(std::stoi(row[1]), std::stoi(row[2]));
    auto number = [&](std::mt19937& r) { return static_cast<int32_t>(draw(r) * step); };
    FirstIndexByNumber index;
    std::unordered_map<int32_t, std::size_t> reference;
    for (std::size_t position = 0; position < records; ++position) {
      const int32_t n = number(random);
      index.insertFirst(n, position);
      reference.emplace(n, position);
    }
    int wrong = 0;
    for (const auto& [n, position] : reference)
      wrong += index.find(n) == static_cast<long>(position) ? 0 : 1;
    for (int k = 0; k < 20000; ++k) {
      const int32_t n = number(random);
      const auto it = reference.find(n);
      wrong += index.find(n) == (it == reference.end() ? -1L : static_cast<long>(it->second)) ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0);
  }
  FirstIndexByNumber index;
  index.insertFirst(5000000, 0);  // too far out for the array: kept apart
  for (int32_t n = 0; n < 1000000; ++n) index.insertFirst(n, static_cast<std::size_t>(n) + 1);
  index.insertFirst(5000000, 99);  // the array now reaches it; the first position stays
  EXPECT_EQ(index.find(5000000), 0);
  EXPECT_EQ(index.find(999999), 1000000);
  index.insertFirst(INT32_MIN, 70000);
  index.insertFirst(INT32_MAX, 70001);
  EXPECT_EQ(index.find(INT32_MIN), 70000);
  EXPECT_EQ(index.find(INT32_MAX), 70001);
  index.clear();
  EXPECT_EQ(index.find(5), -1);
}

// Tasks run in the order posted across batches and the waiting limit; a task's exception is
// thrown by the next drain alone, and the tasks after it still run.
TEST(SerialWorker, RunsInOrderAcrossBatchesAndThrowsATasksFailureOnceAtTheNextDrain) {
  SerialWorker worker;
  std::vector<int> done;  // written by the worker's thread only, read after a drain
  const int count = 3 * static_cast<int>(SerialWorker::kWaitingLimit / 1000);
  for (int i = 0; i < count; ++i) worker.post([&done, i] { done.push_back(i); }, 1000);
  worker.post([] { throw std::runtime_error("drawing failed"); });
  worker.post([&done] { done.push_back(-1); });
  EXPECT_THROW(worker.drain(), std::runtime_error);
  ASSERT_EQ(done.size(), static_cast<std::size_t>(count) + 1);
  for (int i = 0; i < count; ++i) ASSERT_EQ(done[static_cast<std::size_t>(i)], i);
  EXPECT_EQ(done.back(), -1);
  EXPECT_NO_THROW(worker.drain());
  SerialWorker copy(worker);  // idle, and usable on its own
  copy.post([&done] { done.push_back(7); });
  copy.drain();
  EXPECT_EQ(done.back(), 7);
}

TEST(ImportRun, LookupsTakeTheFirstRouteOfANumberAndRaiseMessage138ForAMissingPoint) {
  ImportRun run;
  EXPECT_EQ(run.findRoute(3), nullptr);
  SimaAlignment route;
  route.routeNumber = 3;
  route.routeName = "first";
  run.addRoute(route);
  route.routeName = "second";
  run.addRoute(route);
  ASSERT_NE(run.findRoute(3), nullptr);
  EXPECT_EQ(run.findRoute(3)->routeName, "first");
  ImportRun copy = run;  // the remembered run keeps its index
  EXPECT_EQ(copy.findRoute(3)->routeName, "first");
  run.clearRoutes();
  EXPECT_EQ(run.findRoute(3), nullptr);
  SimaPoint p;
  p.number = 5;
  p.name = "P5";
  run.pointStore.append(p);
  EXPECT_EQ(run.pointStore.at(run.lookupPoint(5)).name, "P5");
  try {
    run.lookupPoint(6);
    ADD_FAILURE() << "no exception";
  } catch (const OrvoException& e) {
    EXPECT_EQ(e.message(), "参照する座標が見つかりません。");
  }
}

}  // namespace
}  // namespace kestrel
