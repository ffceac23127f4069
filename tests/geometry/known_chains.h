// Known chains for the chain maker tests: walked independently (quadrature), with the given
// elements around them and a fixture of random cases.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
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

// The pieces of a known chain, written as the chain is read: a straight, an arc of curvature k,
// a clothoid of parameter a turning `sign` from radius `from` to radius `to` (0: a straight end).
inline Segment S(double length) { return {0, 0, length}; }
inline Segment R(double k, double length) { return {k, k, length}; }
inline Segment A(double sign, double from, double to, double a) {
  const double k0 = from == 0 ? 0 : sign / from, k1 = to == 0 ? 0 : sign / to;
  return {k0, k1, std::fabs((to == 0 ? 0 : a * a / to) - (from == 0 ? 0 : a * a / from))};
}

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

// The element from one pose's point to another's made by ali_makR (k != 0) or ali_makS (k = 0).
inline Calelm elementThrough(const WalkEnd& from, const WalkEnd& to, double k) {
  Calelm e{};
  e.kind = k == 0 ? CALELM_STRAIGHT : CALELM_ARC;
  std::tie(e.startX, e.startY, e.endX, e.endY) = std::tuple(from.x, from.y, to.x, to.y);
  if (k != 0) std::tie(e.turnSign, e.parameter) = std::tuple(k > 0 ? 1.0 : -1.0, 1.0 / std::fabs(k));
  EXPECT_EQ(k == 0 ? ali_makS(&e) : ali_makR(&e), 0);
  return e;
}
inline Calelm arcThrough(const WalkEnd& from, const WalkEnd& to, double k) {
  return elementThrough(from, to, k);
}
inline Calelm straightThrough(const WalkEnd& from, const WalkEnd& to) {
  return elementThrough(from, to, 0);
}

// Given element ending `extra` past the join at the chain's start, and one starting `extra`
// before the join at its end.
inline Calelm firstGiven(const WalkEnd& join, double k, double before, double extra) {
  return elementThrough(walkBack(join, k, before), walk(join.x, join.y, join.azimuth, k, k, extra), k);
}
inline Calelm lastGiven(const WalkEnd& join, double k, double extra, double after) {
  return elementThrough(walkBack(join, k, extra), walk(join.x, join.y, join.azimuth, k, k, after), k);
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

// A maker between two records on random input: it must refuse (-1) or make a sound chain.
// Returns whether it made one.
template <typename Maker>
bool refusedOrSound(const char* name, Maker maker, std::vector<Calelm> records, int i) {
  std::vector<Calelm> chain;
  const int16_t status = makeBetween(maker, std::move(records), &chain);
  if (status != 0) {
    EXPECT_EQ(status, -1) << name << " " << i;
    return false;
  }
  EXPECT_EQ(checkChain(chain), "") << name << " " << i;
  return true;
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
