// Known chains for the chain maker tests: walked independently (quadrature), with the given
// elements around them and a fixture of random cases.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "chain_checker.h"
#include "kestrel/geometry.h"

namespace kestrel::geometry::testing {

constexpr double kPi = std::numbers::pi;

// One element of a known chain: signed curvatures (left positive) at both ends and its length.
struct Segment {
  double k0, k1, length;
};

inline std::vector<WalkEnd> walkChain(WalkEnd start, const std::vector<Segment>& segments) {
  std::vector<WalkEnd> joins{start};
  for (const Segment& s : segments) {
    const WalkEnd& p = joins.back();
    joins.push_back(walk(p.x, p.y, p.azimuth, s.k0, s.k1, s.length));
  }
  return joins;
}

// The point `length` before a pose on a circle (or line) of curvature k.
inline WalkEnd walkBack(const WalkEnd& p, double k, double length) {
  const WalkEnd back = walk(p.x, p.y, p.azimuth + kPi, -k, -k, length);
  return {back.x, back.y, back.azimuth - kPi};
}

inline Calelm arcThrough(const WalkEnd& from, const WalkEnd& to, double k) {
  Calelm arc{};
  arc.kind = CALELM_ARC;
  arc.startX = from.x;
  arc.startY = from.y;
  arc.endX = to.x;
  arc.endY = to.y;
  arc.turnSign = k > 0 ? 1.0 : -1.0;
  arc.parameter = 1.0 / std::fabs(k);
  EXPECT_EQ(ali_makR(&arc), 0);
  return arc;
}

inline Calelm straightThrough(const WalkEnd& from, const WalkEnd& to) {
  Calelm s{};
  s.kind = CALELM_STRAIGHT;
  s.startX = from.x;
  s.startY = from.y;
  s.endX = to.x;
  s.endY = to.y;
  EXPECT_EQ(ali_makS(&s), 0);
  return s;
}

// Given element ending `extra` past the join at the chain's start, and one starting `extra`
// before the join at its end.
inline Calelm firstGiven(const WalkEnd& join, double k, double before, double extra) {
  const WalkEnd start = walkBack(join, k, before);
  const WalkEnd end = walk(join.x, join.y, join.azimuth, k, k, extra);
  return k == 0 ? straightThrough(start, end) : arcThrough(start, end, k);
}
inline Calelm lastGiven(const WalkEnd& join, double k, double extra, double after) {
  const WalkEnd start = walkBack(join, k, extra);
  const WalkEnd end = walk(join.x, join.y, join.azimuth, k, k, after);
  return k == 0 ? straightThrough(start, end) : arcThrough(start, end, k);
}

// An element for a maker to fill, given its parameter (radius or A) and turning sign.
inline Calelm sized(double parameter, double sign = 0.0) {
  Calelm e{};
  e.parameter = parameter;
  e.turnSign = sign;
  return e;
}

// A maker between two records called on copies of `records` (its argument order); `chain` gets
// them in chain order: the first given, the made ones, the second given.
template <typename... Made>
int16_t makeBetween(int16_t (*maker)(Calelm*, Calelm*, Made*...), std::vector<Calelm> records,
                    std::vector<Calelm>* chain) {
  const int16_t status = [&]<std::size_t... k>(std::index_sequence<k...>) {
    return maker(&records[0], &records[1], &records[2 + k]...);
  }(std::index_sequence_for<Made...>{});
  std::rotate(records.begin() + 1, records.begin() + 2, records.end());
  *chain = std::move(records);
  return status;
}

// A made chain, checked as a whole; `i` names the case.
inline void expectSound(std::initializer_list<Calelm> chain, int i) {
  EXPECT_EQ(checkChain(std::vector<Calelm>(chain)), "") << "case " << i;
}

inline void expectAt(const char* what, double x, double y, const WalkEnd& p, int i) {
  EXPECT_NEAR(x, p.x, 1e-4) << what << " case " << i;
  EXPECT_NEAR(y, p.y, 1e-4) << what << " case " << i;
}

class ChainMakers : public ::testing::Test {
 protected:
  std::mt19937_64 generator{777};
  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  }
  double anySign() { return uniform(0, 1) < 0.5 ? 1.0 : -1.0; }
  WalkEnd anyStart() { return {uniform(-1e4, 1e4), uniform(-1e4, 1e4), uniform(0, 2 * kPi)}; }
  static constexpr int kCases = 60;
};

}  // namespace kestrel::geometry::testing
