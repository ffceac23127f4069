// Chain makers, the five-element IP setter and the chain repairs as scenarios of
// cases/chains.txt (see chain_scenarios.h); random elements not built to fit must give -1 or a
// sound chain, and what cannot be made is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chain_scenarios.h"
#include "kestrel/geometry.h"

namespace {

using namespace kestrel::geometry::testing;

// The IP setter for five elements (parameters from the records) given the start tangent (type 1)
// or the end tangent: the IP where the chain's first and last tangents meet, the legs 3000 m long.
// The IP record must give the polygon's angle and both tangents.
Maker ipSetARARA(int16_t type) {
  return [type](Records& r, const Call& c) -> int16_t {
    const WalkEnd &a = c.joins.front(), &b = c.joins.back();
    const double deflection = a.azimuth - b.azimuth;
    if (std::fabs(deflection) > kPi - 0.2) return kNotACase;
    const double ux = std::cos(a.azimuth), uy = std::sin(a.azimuth);
    const double vx = std::cos(b.azimuth), vy = std::sin(b.azimuth);
    const double t1 = ((b.x - a.x) * vy - (b.y - a.y) * vx) / (ux * vy - uy * vx);
    IpRecord ip{};
    std::tie(ip.x, ip.y, ip.curveType) = std::tuple(a.x + t1 * ux, a.y + t1 * uy, type);
    const double t2 = std::hypot(b.x - ip.x, b.y - ip.y);
    for (std::size_t k = 0; k < 5; ++k) ip.parameters[k] = r.at(k).parameter;
    (type == IPREC_ARARA_START_TANGENT_GIVEN ? ip.startTangent : ip.endTangent) =
        type == IPREC_ARARA_START_TANGENT_GIVEN ? t1 : t2;
    const int16_t status = ali_IPsetARARA(ip.x - 3000 * ux, ip.y - 3000 * uy, &ip,
                                          ip.x + 3000 * vx, ip.y + 3000 * vy, r.data());
    EXPECT_NEAR(ip.intersectionAngle, std::fabs(deflection), 1e-9);
    EXPECT_NEAR(ip.startTangent, t1, 1e-4);
    EXPECT_NEAR(ip.endTangent, t2, 1e-4);
    return status;
  };
}

const std::map<std::string, Maker>& makers() {
  static const std::map<std::string, Maker> table{
      {"SmakRR", between(ali_SmakRR)},       {"RmakSR", between(ali_RmakSR)},
      {"RmakRR", between(ali_RmakRR)},       {"RmakSS", between(ali_RmakSS)},
      {"AAmakSS", between(ali_AAmakSS)},     {"ARAmakSS", between(ali_ARAmakSS)},
      {"SAmakRR", between(ali_SAmakRR)},     {"ASAmakRR", between(ali_ASAmakRR)},
      {"ARmakRR", between(ali_ARmakRR)},     {"ARAmakRR", between(ali_ARAmakRR)},
      {"RAmakSR", between(ali_RAmakSR)},     {"makSAR", between(ali_makSAR)},
      {"makRAR", between(ali_makRAR)},       {"makRAAR", between(ali_makRAAR)},
      {"ARAAmakSR", between(ali_ARAAmakSR)}, {"maksR_P", toPoint(ali_maksR_P)},
      {"makrR_P", toPoint(ali_makrR_P)},     {"makrS_P", toPoint(ali_makrS_P)},
      {"maksAR_P", toPoint(ali_maksAR_P)},   {"makAOR_P", toPoint(ali_makAOR_P)},
      {"makrAR_P", toPoint(ali_makrAR_P)},   {"makrAS_P", toPoint(ali_makrAS_P)},
      {"makrAAR_P", toPoint(ali_makrAAR_P)}, {"makrR_P_S", toPoint(ali_makrR_P_S)},
      {"rfArf", [](Records& r, const Call&) { return alimake_rfArf(r.data()); }},
      {"rfAsf", [](Records& r, const Call&) { return alimake_rfAsf(r.data()); }},
      // The ratio A1 : A2 comes from the parameters the row gives the clothoids, which are then
      // handed over empty.
      {"rfAArf", [](Records& r, const Call&) {
         const double ratio = r.at(1).parameter / r.at(2).parameter;
         r[1] = r[2] = Calelm{};
         return alimake_rfAArf(r.data(), ratio); }},
      {"mak3R4A", [](Records& r, const Call&) {
         Calelm four[4] = {r.at(1), r.at(2), r.at(4), r.at(5)};
         const int16_t status = ali_mak3R4A(&r[0], &r[3], &r.at(6), four);
         std::tie(r[1], r[2], r[4], r[5]) = std::tie(four[0], four[1], four[2], four[3]);
         return status; }},
      {"moveRfAsf", inOrder(moveR_dl0_rfAsf)},
      {"moveRfArf", inOrder(moveR_dl0_rfArf)},
      {"moveRfAArf", inOrder(moveR_dl0_rfAArf)},
      {"IPsetARARA1", ipSetARARA(IPREC_ARARA_START_TANGENT_GIVEN)},
      {"IPsetARARA2", ipSetARARA(IPREC_ARARA_END_TANGENT_GIVEN)},
  };
  return table;
}

int16_t make(const std::string& name, Records& records, Call call = {}) {
  return makers().at(name)(records, call);
}

TEST(ChainMakers, KnownChainsComeBack) {
  runScenarios("geometry/cases/chains.txt", makers(), {
    // The egg clothoid's centre distance and the parameter solved back from it.
    {"OOdist", [](const std::vector<double>& a) {
       double out = NAN;
       return CDOODistForRAR(a.at(0), a.at(1), a.at(2), &out) == 0 ? out : NAN; }},
    {"AToRAR", [](const std::vector<double>& a) {
       double out = NAN;
       return CDsetAToRAR(a.at(0), a.at(1), a.at(2), &out) == 0 ? out : NAN; }},
    // The clothoid's parameter from the end of the straight (x0, y0) -> (x1, y1) into an arc of
    // radius R through P.
    {"AOR", [](const std::vector<double>& a) {
       const Calelm line = elementThrough({a.at(2), a.at(3), 0}, {a.at(4), a.at(5), 0}, 0);
       double out = NAN;
       return setAOR_P(a.at(0), a.at(1), &line, a.at(6), &out) == 0 ? out : NAN; }},
  });
}

// A maker on random input: it must refuse (-1) or make a sound chain. Returns whether it made one.
bool refusedOrSound(const char* name, Records records, int i) {
  const int16_t status = make(name, records);
  EXPECT_TRUE(status == 0 || status == -1) << name << " " << i << ": status " << status;
  EXPECT_EQ(status == 0 ? checkChain(records) : "", "") << name << " " << i;
  return status == 0;
}

class RandomChains : public ::testing::Test {
 protected:
  std::mt19937_64 generator{777};
  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
  }
  double anySign() { return uniform(0, 1) < 0.5 ? 1.0 : -1.0; }
};

// Random elements, not built to fit: every chain maker must refuse or return a sound chain.
TEST_F(RandomChains, RandomPairsGiveMinusOneOrASoundChain) {
  auto randomElement = [&](double k, double low, double high) {
    const WalkEnd start{uniform(-500, 500), uniform(-500, 500), uniform(0, 2 * kPi)};
    return elementThrough(start, ahead(start, k, uniform(low, high)), k);
  };
  int made = 0, refused = 0;
  auto tally = [&](const char* name, Records records, int i) {
    ++(refusedOrSound(name, std::move(records), i) ? made : refused);
  };
  for (int i = 0; i < 1000; ++i) {
    const Calelm a1 = randomElement(anySign() / uniform(50, 1500), 10, 120);
    const Calelm a2 = randomElement(anySign() / uniform(50, 1500), 10, 120);
    const Calelm s1 = randomElement(0, 20, 600), s2 = randomElement(0, 20, 600);
    const double radius = uniform(50, 800), parameter = radius * uniform(0.3, 1.0);
    tally("SmakRR", {a1, {}, a2}, i);
    tally("makRAR", {a1, {}, a2}, i);
    tally("makRAAR", {a1, {}, {}, a2}, i);
    tally("RmakRR", {a1, sized(radius, anySign()), a2}, i);
    tally("makSAR", {s1, {}, a2}, i);
    tally("RmakSR", {s1, sized(radius, anySign()), a2}, i);
    tally("RmakSS", {s1, sized(radius), s2}, i);
    tally("ARAmakSS", {s1, sized(parameter), sized(radius), sized(parameter), s2}, i);
    const double ratio1 = uniform(0.3, 1.0), ratio2 = uniform(0.3, 1.0);
    tally("ASAmakRR", {a1, sized(a1.parameter * ratio1), {}, sized(a2.parameter * ratio2), a2}, i);
  }
  // Elements thrown down at random seldom admit minor arcs at every join; both outcomes occur.
  EXPECT_GT(made, 150);
  EXPECT_GT(refused, 4000);
}

// Random pairs placed so that a solution is plausible but not guaranteed: nested circles for the
// egg clothoid, an arc beside a straight for the entry clothoid. Each outcome must be -1 or sound,
// and both outcomes must occur.
TEST_F(RandomChains, RandomNearbyPairsGiveMinusOneOrASoundChain) {
  // An arc of the circle (centre, R, sense) starting where the heading is `azimuth`.
  auto arcOn = [&](double cx, double cy, double radius, double sign, double azimuth,
                   double length) {
    const double toCentre = azimuth - sign * kPi / 2;
    const WalkEnd start{cx - radius * std::cos(toCentre), cy - radius * std::sin(toCentre),
                        azimuth};
    const double k = sign / radius;
    return elementThrough(start, ahead(start, k, length), k);
  };
  int eggs = 0, entries = 0, refused = 0;
  for (int i = 0; i < 400; ++i) {
    const double sign = anySign(), r1 = uniform(200, 2000), r2 = r1 * uniform(0.3, 0.9);
    // The egg clothoid pulls the inner circle in from touching by little: gaps just short of
    // R1 - R2, some too short.
    const double gap = (1 - std::pow(10, uniform(-4, -0.5))) * (r1 - r2);
    const double direction = uniform(0, 2 * kPi);
    const double cx = uniform(-1e4, 1e4), cy = uniform(-1e4, 1e4);
    Calelm first = arcOn(cx, cy, r1, sign, uniform(0, 2 * kPi), uniform(20, r1));
    Calelm second = arcOn(cx + gap * std::cos(direction), cy + gap * std::sin(direction), r2, sign,
                          uniform(0, 2 * kPi), uniform(20, r2));
    ++(refusedOrSound("makRAR", {first, {}, second}, i) ? eggs : refused);

    const WalkEnd start{cx, cy, uniform(0, 2 * kPi)};
    const Calelm line =
        elementThrough(start, ahead(start, 0, uniform(100, 2000)), 0);
    const double radius = uniform(60, 1500), offset = radius + uniform(0.01, 30);
    const double along = uniform(50, 1500);
    // The centre beside the straight on the side the arc turns to (left lowers the azimuth).
    const double side = start.azimuth - sign * kPi / 2;
    const double ax = cx + along * std::cos(start.azimuth) + offset * std::cos(side);
    const double ay = cy + along * std::sin(start.azimuth) + offset * std::sin(side);
    const Calelm arc =
        arcOn(ax, ay, radius, sign, start.azimuth + uniform(0, 1.5) * -sign, uniform(20, radius));
    ++(refusedOrSound("makSAR", {line, {}, arc}, i) ? entries : refused);
  }
  EXPECT_GT(eggs, 20);
  EXPECT_GT(entries, 20);
  EXPECT_GT(refused, 20);
}

// What cannot be made is a row of cases/chains.txt; values that are not numbers are refused, not
// propagated.
TEST(ChainMakerEdges, RefuseWhatIsNotANumber) {
  Records arcs{elementThrough({0, 0, 0}, ahead({0, 0, 0}, 0.01, 50), 0.01), {},
               elementThrough({0, 10, 0}, ahead({0, 10, 0}, 0.02, 30), 0.02)};
  arcs[2].endX = std::nan("");
  EXPECT_EQ(make("SmakRR", arcs), -1);
  Records lineAndArc{elementThrough({0, 0, 0}, {100, 0, 0}, 0), {}, arcs[0]};
  lineAndArc[0].startY = HUGE_VAL;
  EXPECT_EQ(make("makSAR", lineAndArc), -1);
}

TEST(ChainMakerEdges, ARmakRRCountsItsCandidateCentres) {
  // Arc R1 = 500 left from the origin; a tangent circle R2 = 200 placed where a clothoid A = 150
  // into R = 250 (left) and then a reverse arc would meet it: expect at least one candidate, and
  // -1 for an impossible clothoid.
  const double k1 = 1.0 / 500, k = 1.0 / 250, k2 = -1.0 / 200;
  const auto j = walkChain({0, 0, 0}, {{k1, k1, 40}, {k1, k, 150 * 150 * (k - k1)}, {k, k, 60},
                                       {k2, k2, 40}});
  const Calelm first = elementThrough(j[0], ahead(j[1], k1, 10), k1);
  const Calelm second = elementThrough(ahead(j[3], k2, -10), j[4], k2);
  double centres[4];
  const int16_t count = ARmakRR(&first, &second, 150, 250, centres);
  ASSERT_GE(count, 1);
  bool known = false;
  // The known arc's centre: R to the left of the known join's heading.
  const double cx = j[3].x + 250 * std::cos(j[3].azimuth - kPi / 2);
  const double cy = j[3].y + 250 * std::sin(j[3].azimuth - kPi / 2);
  for (int i = 0; i < count; ++i)
    known = known || std::hypot(centres[2 * i] - cx, centres[2 * i + 1] - cy) < 1e-4;
  EXPECT_TRUE(known);
  EXPECT_EQ(ARmakRR(&first, &second, 150, 80, centres), -1);  // R/A below 0.56
}

}  // namespace
