// Chain makers, the five-element IP setter and the chain repairs. Each scenario of
// cases/chains.txt draws a known chain at random, walks it independently (quadrature), hands the
// maker the given elements (the outer ones extended past the joins, or one moved), and expects a
// chain that passes the checker and gives the known joins and values back. Random elements not
// built to fit must give -1 or a sound chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chain_checker.h"
#include "kestrel/geometry.h"
#include "tests/support/text_rows.h"

namespace {

using namespace kestrel::geometry::testing;

constexpr double kPi = std::numbers::pi;

// One element of a known chain: signed curvatures (left positive) at both ends and its length.
struct Segment {
  double k0, k1, length;
};

std::vector<WalkEnd> walkChain(WalkEnd start, const std::vector<Segment>& segments) {
  std::vector<WalkEnd> joins{start};
  for (const Segment& s : segments) {
    const WalkEnd& p = joins.back();
    joins.push_back(walk(p.x, p.y, p.azimuth, s.k0, s.k1, s.length));
  }
  return joins;
}

// The point `length` after (before, when negative) a pose on a circle (or line) of curvature k.
WalkEnd ahead(const WalkEnd& p, double k, double length) {
  if (length >= 0) return walk(p.x, p.y, p.azimuth, k, k, length);
  const WalkEnd back = walk(p.x, p.y, p.azimuth + kPi, -k, -k, -length);
  return {back.x, back.y, back.azimuth - kPi};
}

// The element from one pose's point to another's made by ali_makR (k != 0) or ali_makS (k = 0).
Calelm elementThrough(const WalkEnd& from, const WalkEnd& to, double k) {
  Calelm e{};
  e.kind = k == 0 ? CALELM_STRAIGHT : CALELM_ARC;
  std::tie(e.startX, e.startY, e.endX, e.endY) = std::tuple(from.x, from.y, to.x, to.y);
  if (k != 0) e.turnSign = k > 0 ? 1.0 : -1.0;
  if (k != 0) e.parameter = 1.0 / std::fabs(k);
  EXPECT_EQ(k == 0 ? ali_makS(&e) : ali_makR(&e), 0);
  return e;
}

// An element for a maker to fill, given its parameter (radius or A) and turning sign.
Calelm sized(double parameter, double sign = 0.0) {
  Calelm e{};
  e.parameter = parameter;
  e.turnSign = sign;
  return e;
}

// Field n (1 to 14: startX to extra3) of a record.
double field(const Calelm& e, int n) { return (&e.startX)[n - 1]; }

double round5(double v) { return std::floor(v / 1e-5 + 0.5) * 1e-5; }

// The clothoid of a piece as a record filled from the walk: ends rounded to 1e-5, the walked
// azimuths, its definition (parameter A unless given) and length.
Calelm clothoidOf(const Segment& s, const WalkEnd& from, const WalkEnd& to, double a = 0) {
  Calelm e{};
  e.kind = CALELM_CLOTHOID;
  std::tie(e.startX, e.startY, e.endX, e.endY) =
      std::tuple(round5(from.x), round5(from.y), round5(to.x), round5(to.y));
  e.turnSign = s.k0 + s.k1 > 0 ? 1.0 : -1.0;
  e.parameter = a != 0 ? a : std::sqrt(s.length / std::fabs(s.k1 - s.k0));
  e.startRadius = s.k0 == 0 ? 0 : 1 / std::fabs(s.k0);
  e.endRadius = s.k1 == 0 ? 0 : 1 / std::fabs(s.k1);
  e.length = round5(s.length);
  e.startAngle = std::fmod(from.azimuth + 8 * kPi, 2 * kPi);
  e.endAngle = std::fmod(to.azimuth + 8 * kPi, 2 * kPi);
  return e;
}

// The makers, called on records in chain order (the first given, the made ones, the second
// given), with the point and selector of those that end at a point and the known joins.
using Records = std::vector<Calelm>;
struct Call {
  WalkEnd point;
  int16_t selector = 0;
  std::vector<WalkEnd> joins;
};
using Maker = std::function<int16_t(Records&, const Call&)>;
constexpr int16_t kNotACase = 99;  // a maker's own limit the drawn chain exceeds

template <typename... Made>
Maker between(int16_t (*maker)(Calelm*, Calelm*, Made*...)) {
  return [maker](Records& r, const Call&) {
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
      return maker(&r.at(0), &r.at(sizeof...(Made) + 1), &r.at(1 + k)...);
    }(std::index_sequence_for<Made...>{});
  };
}

template <typename... Records>
Maker inOrder(int16_t (*move)(Records*...)) {
  return [move](std::vector<Calelm>& r, const Call&) {
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
      return move(&r.at(k)...);
    }(std::index_sequence_for<Records...>{});
  };
}

template <typename... Made>
Maker toPoint(int16_t (*maker)(double, double, int16_t, Made*...)) {
  return [maker](Records& r, const Call& c) {
    return [&]<std::size_t... k>(std::index_sequence<k...>) {
      return maker(c.point.x, c.point.y, c.selector, &r.at(k)...);
    }(std::index_sequence_for<Made...>{});
  };
}

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

// The numbers of one case, read by a small expression language: + - * /, parentheses, names
// given earlier in the row, and the functions of call().
class Values {
 public:
  explicit Values(std::mt19937_64& random) : random_(random) {}
  std::map<std::string, double> names;

  double operator()(const std::string& text) {
    text_ = text;
    at_ = 0;
    const double value = sum();
    if (at_ != text_.size()) ADD_FAILURE() << "cannot read " << text;
    return value;
  }
  double uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
  }

 private:
  bool next(char c) { return at_ < text_.size() && text_[at_] == c && ++at_; }
  // Sums (level 0) of products (level 1) of factors.
  double sum(int level = 0) {
    double value = level == 0 ? sum(1) : factor();
    const char* ops = level == 0 ? "+-" : "*/";
    while (at_ < text_.size() && (text_[at_] == ops[0] || text_[at_] == ops[1])) {
      const char op = text_[at_++];
      const double next = level == 0 ? sum(1) : factor();
      value = op == '+' ? value + next : op == '-' ? value - next : op == '*' ? value * next
                                                                               : value / next;
    }
    return value;
  }
  double factor() {
    if (next('-')) return -factor();
    if (next('(')) {
      const double value = sum();
      if (!next(')')) ADD_FAILURE() << "no ) in " << text_;
      return value;
    }
    if (at_ < text_.size() && (std::isdigit(text_[at_]) || text_[at_] == '.')) {
      char* end = nullptr;
      const double value = std::strtod(text_.c_str() + at_, &end);
      at_ = static_cast<std::size_t>(end - text_.c_str());
      return value;
    }
    std::string name;
    while (at_ < text_.size() && std::isalnum(text_[at_])) name += text_[at_++];
    if (!next('(')) {
      if (!names.count(name)) ADD_FAILURE() << "no value " << name << " in " << text_;
      return names.count(name) ? names[name] : NAN;
    }
    std::vector<double> a;
    if (!next(')')) {
      do a.push_back(sum());
      while (next(','));
      if (!next(')')) ADD_FAILURE() << "no ) in " << text_;
    }
    return call(name, a);
  }
  double call(const std::string& f, const std::vector<double>& a) {
    double out = NAN;
    if (f == "U") return uniform(a.at(0), a.at(1));
    if (f == "sign") return uniform(0, 1) < 0.5 ? 1.0 : -1.0;
    if (f == "sgn") return a.at(0) > 0 ? 1.0 : -1.0;
    if (f == "sqrt") return std::sqrt(a.at(0));
    if (f == "abs") return std::fabs(a.at(0));
    if (f == "pick") return a.at(0) > 0 ? a.at(1) : a.at(2);
    if (f == "cos") return std::cos(a.at(0));
    if (f == "sin") return std::sin(a.at(0));
    if (f == "dist") return std::hypot(a.at(0) - a.at(2), a.at(1) - a.at(3));
    if (f == "adiff") return angleDifference(a.at(0), a.at(1));
    // A curvature kept away from another one (tangent circles must differ).
    if (f == "away") return std::fabs(a.at(0) - a.at(1)) < 1e-4 ? -a.at(1) : a.at(0);
    // The egg clothoid's centre distance and the parameter solved back from it.
    if (f == "OOdist") return CDOODistForRAR(a.at(0), a.at(1), a.at(2), &out) == 0 ? out : NAN;
    if (f == "AToRAR") return CDsetAToRAR(a.at(0), a.at(1), a.at(2), &out) == 0 ? out : NAN;
    // The clothoid's parameter from the end of the straight (x0, y0) -> (x1, y1) into an arc of
    // radius R through P.
    if (f == "AOR") {
      const Calelm line = elementThrough({a.at(2), a.at(3), 0}, {a.at(4), a.at(5), 0}, 0);
      return setAOR_P(a.at(0), a.at(1), &line, a.at(6), &out) == 0 ? out : NAN;
    }
    ADD_FAILURE() << "no function " << f;
    return NAN;
  }

  std::mt19937_64& random_;
  std::string text_;
  std::size_t at_ = 0;
};

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// "name(a,b,...)" split into its name and argument texts.
std::pair<std::string, std::vector<std::string>> callOf(const std::string& token) {
  const std::size_t open = std::min(token.find('('), token.size());
  std::vector<std::string> args;
  std::string arg;
  int depth = 0;
  for (std::size_t i = open + 1; i + 1 < token.size(); ++i) {
    if (token[i] == ',' && depth == 0) {
      args.push_back(std::exchange(arg, ""));
      continue;
    }
    depth += token[i] == '(' ? 1 : token[i] == ')' ? -1 : 0;
    arg += token[i];
  }
  if (!arg.empty()) args.push_back(arg);
  return {token.substr(0, open), args};
}

// Names of record fields for checks: P parameter, S and E start and end radius, L length, A start
// angle, X and Y an arc's centre; `prefix` "g" names the records as given.
void nameRecords(Values& v, const Records& records, const std::string& prefix) {
  for (std::size_t r = 0; r < records.size(); ++r) {
    for (const auto& [letter, n] : {std::pair{"P", 6}, {"S", 7}, {"E", 8}, {"L", 9}, {"A", 10},
                                    {"X", 12}, {"Y", 13}})
      v.names[prefix + letter + std::to_string(r)] = field(records[r], n);
  }
}

// A check of a made chain: near(x,y,tolerance); start(i,J) / end(i,J) for the start or end of
// record i within 1e-4 of join J; same(i,n) for field n of record i kept as given.
bool holds(const std::string& token, const Records& chain, const Records& given,
           const std::vector<WalkEnd>& joins, Values& v) {
  const auto [what, a] = callOf(token);
  if (what == "near") return std::fabs(v(a.at(0)) - v(a.at(1))) <= v(a.at(2));
  const auto i = static_cast<std::size_t>(v(a.at(0)));
  if (what == "same") return field(chain.at(i), int(v(a.at(1)))) == field(given.at(i), int(v(a.at(1))));
  const Calelm& e = chain.at(i);
  const WalkEnd& j = joins.at(static_cast<std::size_t>(v(a.at(1))));
  if (what == "start") return std::hypot(e.startX - j.x, e.startY - j.y) < 1e-4;
  if (what == "end") return std::hypot(e.endX - j.x, e.endY - j.y) < 1e-4;
  ADD_FAILURE() << "no check " << token;
  return false;
}

// Rows: maker | cases [known cases needed] | values | chain | records | checks. The chain is
// written as read: S(length), R(curvature,length), A(sign,from radius,to radius,A) (radius 0: a
// straight end). Records in chain order: G(p,b,e) the given element along piece p from b before
// its start to e past its end, N(parameter,sign) one to make, P(p,f) the point at fraction f of
// piece p (default the chain's end). Checks before "=>" pick the known chain (among the
// selections of a maker ending at a point); those after must then hold.
TEST(ChainMakers, KnownChainsComeBack) {
  std::mt19937_64 random(777);
  for (const auto& row : kestrel::testing::textRows("geometry/cases/chains.txt")) {
    const std::vector<std::string> counts = words(row[1]), checks = words(row[5]);
    const int cases = std::stoi(counts.at(0));
    const int needed = counts.size() > 1 ? std::stoi(counts[1]) : cases;
    const bool selects = row[0].find("_P") != std::string::npos;
    const auto arrow = std::find(checks.begin(), checks.end(), "=>");
    const std::size_t conditions = arrow == checks.end() ? 0 : arrow - checks.begin();
    int known = 0;
    for (int i = 0; i < cases; ++i) {
      Values v(random);
      const WalkEnd start{v.uniform(-1e4, 1e4), v.uniform(-1e4, 1e4), v.uniform(0, 2 * kPi)};
      for (const std::string& word : words(row[2])) {
        const std::size_t equals = word.find('=');
        v.names[word.substr(0, equals)] = v(word.substr(equals + 1));
      }
      std::vector<Segment> pieces;
      for (const std::string& word : words(row[3])) {
        const auto [kind, a] = callOf(word);
        if (kind == "S") pieces.push_back({0, 0, v(a.at(0))});
        const double k = kind == "R" ? v(a.at(0)) : 0;
        if (kind == "R") pieces.push_back({k, k, v(a.at(1))});
        if (kind != "A") continue;
        const double sign = v(a.at(0)), from = v(a.at(1)), to = v(a.at(2)), p = v(a.at(3));
        pieces.push_back({from == 0 ? 0 : sign / from, to == 0 ? 0 : sign / to,
                          std::fabs((to == 0 ? 0 : p * p / to) - (from == 0 ? 0 : p * p / from))});
      }
      const std::vector<WalkEnd> joins = walkChain(start, pieces);
      for (std::size_t j = 0; j < joins.size(); ++j)
        std::tie(v.names["x" + std::to_string(j)], v.names["y" + std::to_string(j)],
                 v.names["h" + std::to_string(j)]) = std::tuple(joins[j].x, joins[j].y, joins[j].azimuth);
      Records given;
      WalkEnd point = joins.back();
      for (const std::string& word : words(row[4])) {
        const auto [kind, a] = callOf(word);
        if (kind == "N")
          given.push_back(sized(a.empty() ? 0 : v(a[0]), a.size() > 1 ? v(a[1]) : 0));
        if (kind == "N" && a.size() > 2) given.back().kind = static_cast<int16_t>(v(a[2]));
        if (kind == "N") continue;
        const auto p = static_cast<std::size_t>(v(a.at(0)));
        const double k = pieces.at(p).k0;
        if (kind == "E") given.push_back(clothoidOf(pieces[p], joins[p], joins[p + 1],
                                                    a.size() > 1 ? v(a[1]) : 0));
        if (kind == "P") point = ahead(joins[p], k, pieces[p].length * v(a.at(1)));
        if (kind != "G") continue;
        WalkEnd from = ahead(joins[p], k, -v(a.at(1))), to = ahead(joins[p + 1], k, v(a.at(2)));
        if (a.size() > 3) {  // shifted by (dx, dy)
          from = {from.x + v(a[3]), from.y + v(a.at(4)), 0};
          to = {to.x + v(a[3]), to.y + v(a.at(4)), 0};
        }
        given.push_back(elementThrough(from, to, k));
      }
      nameRecords(v, given, "g");
      const bool refusal = std::find(checks.begin(), checks.end(), "refused") != checks.end();
      bool found = false;
      for (int16_t selector = 0; selector < (selects ? 8 : 1); ++selector) {
        const std::string trace = row.where + " case " + std::to_string(i) + " selector " +
                                  std::to_string(selector);
        Records chain = given;
        const int16_t status = make(row[0], chain, {point, selector, joins});
        if (refusal) {
          EXPECT_EQ(status, -1) << trace;
          EXPECT_EQ(std::memcmp(chain.data(), given.data(), sizeof(Calelm) * chain.size()), 0)
              << trace << ": records changed by a refusal";
          found = true;
          break;
        }
        if (status == kNotACase || (selects && status != 0)) break;
        EXPECT_EQ(status, 0) << trace;
        if (status != 0) break;
        EXPECT_EQ(checkChain(chain), "") << trace;
        nameRecords(v, chain, "");
        bool picked = true;
        for (std::size_t c = 0; c < conditions; ++c)
          picked = picked && holds(checks[c], chain, given, joins, v);
        if (!picked) continue;
        found = true;
        for (std::size_t c = conditions ? conditions + 1 : 0; c < checks.size(); ++c)
          EXPECT_TRUE(holds(checks[c], chain, given, joins, v)) << trace << ": " << checks[c];
      }
      known += found;
    }
    EXPECT_GE(known, needed) << row.where << ": " << row[0] << " found the known chain";
  }
}

// A maker on random input: it must refuse (-1) or make a sound chain. Returns whether it made one.
bool refusedOrSound(const char* name, Records records, int i) {
  const int16_t status = make(name, records);
  if (status != 0) {
    EXPECT_EQ(status, -1) << name << " " << i;
    return false;
  }
  EXPECT_EQ(checkChain(records), "") << name << " " << i;
  return true;
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

TEST(ChainMakerEdges, RefuseWhatCannotBeMade) {
  const WalkEnd origin{0, 0, 0};
  const Calelm arcA = elementThrough(origin, walk(0, 0, 0, 0.01, 0.01, 50), 0.01);
  const Calelm sameCircle =
      elementThrough(walk(0, 0, 0, 0.01, 0.01, 60), walk(0, 0, 0, 0.01, 0.01, 90), 0.01);
  const Calelm straight = elementThrough(origin, {100, 0, 0}, 0);
  const Calelm inner = elementThrough({0, 10, 0}, walk(0, 10, 0, 0.02, 0.02, 30), 0.02);
  const Calelm crossing = elementThrough({50, -20, 0}, walk(50, -20, 0, 0.01, 0.01, 40), 0.01);
  const Calelm parallel = elementThrough({0, 50, 0}, {100, 50, 0}, 0);
  Calelm notANumber = inner, huge = straight;
  notANumber.endX = std::nan("");
  huge.startY = HUGE_VAL;
  const struct {
    const char* maker;
    Records records;
    const char* why;
  } rows[] = {
      {"SmakRR", {arcA, {}, inner}, "a straight cannot leave a circle into one it contains"},
      {"makRAR", {arcA, {}, sameCircle}, "two arcs of one circle: no egg clothoid (R1 = R2)"},
      {"RmakRR", {arcA, sized(100, 1), sameCircle}, "no joining arc of the same radius"},
      {"makSAR", {straight, {}, crossing}, "an arc crossing the straight (negative shift)"},
      {"AAmakSS", {straight, sized(100), sized(100), parallel}, "parallel straights, no corner"},
      {"ARAmakRR", {arcA, sized(50), sized(100), sized(30), inner}, "new radius equals a given"},
      {"SmakRR", {arcA, {}, notANumber}, "not a number"},
      {"makSAR", {huge, {}, arcA}, "infinite"},
  };
  for (const auto& row : rows) {
    Records records = row.records;
    EXPECT_EQ(make(row.maker, records), -1) << row.maker << ": " << row.why;
  }
  // Unchanged records after a refusal.
  Calelm x = arcA, y = inner, out{};
  ali_SmakRR(&x, &y, &out);
  EXPECT_EQ(x.endX, arcA.endX);
  EXPECT_EQ(y.startY, inner.startY);
  // No arc between an arc and a straight passes through a point on the straight's line.
  const auto j = walkChain(origin, {{0.01, 0.01, 40}, {-0.005, -0.005, 60}, {0, 0, 100}});
  Records three{elementThrough(j[0], ahead(j[1], 0.01, 10), 0.01), {},
                elementThrough(ahead(j[2], 0, -30), j[3], 0)};
  EXPECT_EQ(make("makrR_P_S", three, {ahead(j[2], 0, 50), 0, {}}), -1);
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
  for (int i = 0; i < count; ++i) {
    if (std::hypot(centres[2 * i] - cx, centres[2 * i + 1] - cy) < 1e-4) known = true;
  }
  EXPECT_TRUE(known);
  EXPECT_EQ(ARmakRR(&first, &second, 150, 80, centres), -1);  // R/A below 0.56
}

}  // namespace
