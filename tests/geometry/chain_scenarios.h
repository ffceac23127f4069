// Known-chain scenarios, rows of a case file read by runScenarios: each draws a chain of
// straights, arcs and clothoids at random, walks it independently (quadrature), hands a maker
// the given elements, and expects a chain that passes the checker and gives the known joins and
// values back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "chain_checker.h"
#include "kestrel/geometry.h"
#include "tests/support/text_rows.h"

namespace kestrel::geometry::testing {

inline constexpr double kPi = std::numbers::pi;

// One element of a known chain: signed curvatures (left positive) at both ends and its length;
// or, when `to` has a value, a jump to that pose.
struct Segment {
  double k0, k1, length;
  std::optional<WalkEnd> to = {};
};

inline std::vector<WalkEnd> walkChain(WalkEnd start, const std::vector<Segment>& segments) {
  std::vector<WalkEnd> joins{start};
  for (const Segment& s : segments) {
    const WalkEnd& p = joins.back();
    joins.push_back(s.to ? *s.to : walk(p.x, p.y, p.azimuth, s.k0, s.k1, s.length));
  }
  return joins;
}

// The point `length` after (before, when negative) a pose on a circle (or line) of curvature k.
inline WalkEnd ahead(const WalkEnd& p, double k, double length) {
  if (length >= 0) return walk(p.x, p.y, p.azimuth, k, k, length);
  const WalkEnd back = walk(p.x, p.y, p.azimuth + kPi, -k, -k, -length);
  return {back.x, back.y, back.azimuth - kPi};
}

// The element from one pose's point to another's made by ali_makR (k != 0) or ali_makS (k = 0).
inline Calelm elementThrough(const WalkEnd& from, const WalkEnd& to, double k) {
  Calelm e{};
  e.kind = k == 0 ? CALELM_STRAIGHT : CALELM_ARC;
  std::tie(e.startX, e.startY, e.endX, e.endY) = std::tuple(from.x, from.y, to.x, to.y);
  if (k != 0) std::tie(e.turnSign, e.parameter) = std::tuple(k > 0 ? 1.0 : -1.0, 1 / std::fabs(k));
  EXPECT_EQ(k == 0 ? ali_makS(&e) : ali_makR(&e), 0);
  return e;
}

// An element for a maker to fill, given its parameter (radius or A) and turning sign.
inline Calelm sized(double parameter, double sign = 0.0) {
  Calelm e{};
  std::tie(e.parameter, e.turnSign) = std::tuple(parameter, sign);
  return e;
}

// Field n (1 to 14: startX to extra3) of a record.
inline double field(const Calelm& e, int n) { return (&e.startX)[n - 1]; }

inline double round5(double v) { return std::floor(v / 1e-5 + 0.5) * 1e-5; }

// The record of a piece filled from the walk: ends rounded to 1e-5, the walked azimuths, its
// definition (a clothoid's A unless given) and its length rounded to 1e-5.
inline Calelm recordOf(const Segment& s, const WalkEnd& from, const WalkEnd& to, double a = 0) {
  Calelm e{};
  e.kind = s.k0 != s.k1 ? CALELM_CLOTHOID : s.k0 != 0 ? CALELM_ARC : CALELM_STRAIGHT;
  std::tie(e.startX, e.startY, e.endX, e.endY) =
      std::tuple(round5(from.x), round5(from.y), round5(to.x), round5(to.y));
  e.turnSign = s.k0 + s.k1 < 0 ? -1.0 : 1.0;
  if (e.kind == CALELM_ARC) e.parameter = 1 / std::fabs(s.k0);
  if (e.kind == CALELM_CLOTHOID) {
    e.parameter = a != 0 ? a : std::sqrt(s.length / std::fabs(s.k1 - s.k0));
    e.startRadius = s.k0 == 0 ? 0 : 1 / std::fabs(s.k0);
    e.endRadius = s.k1 == 0 ? 0 : 1 / std::fabs(s.k1);
  }
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
inline constexpr int16_t kNotACase = 99;  // a maker's own limit the drawn chain exceeds

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

// Functions a test adds to the expression language.
using Functions = std::map<std::string, std::function<double(const std::vector<double>&)>>;

// The numbers of one case, read by a small expression language: + - * /, parentheses, names
// given earlier in the row, the functions of call() and those the test adds.
class Values {
 public:
  Values(std::mt19937_64& random, const Functions& functions)
      : random_(random), functions_(functions) {}
  std::map<std::string, double> names{{"pi", kPi}};

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
    if (functions_.count(f)) return functions_.at(f)(a);
    ADD_FAILURE() << "no function " << f;
    return NAN;
  }

  std::mt19937_64& random_;
  const Functions& functions_;
  std::string text_;
  std::size_t at_ = 0;
};

inline std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

// "name(a,b,...)" split into its name and argument texts.
inline std::pair<std::string, std::vector<std::string>> callOf(const std::string& token) {
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

// Names of record fields for checks: P parameter, S and E start and end radius, L length, A and B
// start and end angle, X, Y and Z the extras (an arc's centre and angle); `prefix` "g" names the
// records as given.
inline void nameRecords(Values& v, const Records& records, const std::string& prefix) {
  for (std::size_t r = 0; r < records.size(); ++r) {
    for (const auto& [letter, n] : {std::pair{"P", 6}, {"S", 7}, {"E", 8}, {"L", 9}, {"A", 10},
                                    {"B", 11}, {"X", 12}, {"Y", 13}, {"Z", 14}})
      v.names[prefix + letter + std::to_string(r)] = field(records[r], n);
  }
}

// A check of a made chain: near(x,y,tolerance); start(i,J[,tolerance]) / end(i,J[,tolerance])
// for the start or end of record i within 1e-4 (in x and y) of join J; same(i,n) for field n of
// record i kept as given.
inline bool holds(const std::string& token, const Records& chain, const Records& given,
                  const std::vector<WalkEnd>& joins, Values& v) {
  const auto [what, a] = callOf(token);
  if (what == "near") return std::fabs(v(a.at(0)) - v(a.at(1))) <= v(a.at(2));
  const auto i = static_cast<std::size_t>(v(a.at(0)));
  const int n = static_cast<int>(v(a.at(1)));
  if (what == "same") return field(chain.at(i), n) == field(given.at(i), n);
  const Calelm& e = chain.at(i);
  const WalkEnd& j = joins.at(static_cast<std::size_t>(n));
  const double tolerance = a.size() > 2 ? v(a[2]) : 1e-4;
  const double x = what == "start" ? e.startX : e.endX, y = what == "start" ? e.startY : e.endY;
  if (what == "start" || what == "end")
    return std::fabs(x - j.x) <= tolerance && std::fabs(y - j.y) <= tolerance;
  ADD_FAILURE() << "no check " << token;
  return false;
}

// Rows: maker | cases [known cases needed] | values | chain | records | checks.
// Values are name=expression, drawn in order each case. The chain starts anywhere (at x0, y0
// heading h0 when they are given) and is written as read: S(length), R(curvature,length),
// A(sign,from radius,to radius,A) (radius 0: a straight end), J(x,y,azimuth) a jump; xJ, yJ, hJ
// name join J and its azimuth, lP the length of piece P.
// Records in chain order: G(p,b,e[,dx,dy]) the given element along piece p from b before its
// start to e past its end (moved by dx, dy); E(p[,A]) the clothoid of piece p filled from the
// walk; D(p,mode) piece p for an element maker (mode 1 its start pose, 2 its end pose, 0 both
// ends); N(parameter,sign[,kind]) one to make; P(p,f) the point at fraction f of piece p
// (default the chain's end).
// Checks before "=>" pick the known chain (among the selections of a maker ending at a point,
// named with "_P"); those after must then hold; "refused" wants -1 and the records untouched.
inline void runScenarios(const std::string& file, const std::map<std::string, Maker>& makers,
                         const Functions& functions = {}) {
  std::mt19937_64 random(777);
  for (const auto& row : kestrel::testing::textRows(file)) {
    if (!makers.count(row[0])) ADD_FAILURE() << row.where << ": no maker " << row[0];
    if (!makers.count(row[0])) continue;
    const std::vector<std::string> counts = words(row[1]), checks = words(row[5]);
    const int cases = std::stoi(counts.at(0));
    const int needed = counts.size() > 1 ? std::stoi(counts[1]) : cases;
    const bool selects = row[0].find("_P") != std::string::npos;
    const auto arrow = std::find(checks.begin(), checks.end(), "=>");
    const std::size_t conditions = arrow == checks.end() ? 0 : arrow - checks.begin();
    int known = 0;
    for (int i = 0; i < cases; ++i) {
      Values v(random, functions);
      WalkEnd start{round5(v.uniform(-1e4, 1e4)), round5(v.uniform(-1e4, 1e4)),
                    v.uniform(0, 2 * kPi)};
      for (const std::string& word : words(row[2])) {
        const std::size_t equals = word.find('=');
        v.names[word.substr(0, equals)] = v(word.substr(equals + 1));
      }
      if (v.names.count("h0")) start = {v.names["x0"], v.names["y0"], v.names["h0"]};
      std::vector<Segment> pieces;
      for (const std::string& word : words(row[3])) {
        const auto [kind, a] = callOf(word);
        if (kind == "S") pieces.push_back({0, 0, v(a.at(0))});
        if (kind == "J") pieces.push_back({0, 0, 0, WalkEnd{v(a.at(0)), v(a.at(1)), v(a.at(2))}});
        const double k = kind == "R" ? v(a.at(0)) : 0;
        if (kind == "R") pieces.push_back({k, k, v(a.at(1))});
        if (kind != "A") continue;
        const double sign = v(a.at(0)), from = v(a.at(1)), to = v(a.at(2)), p = v(a.at(3));
        pieces.push_back({from == 0 ? 0 : sign / from, to == 0 ? 0 : sign / to,
                          std::fabs((to == 0 ? 0 : p * p / to) - (from == 0 ? 0 : p * p / from))});
      }
      const std::vector<WalkEnd> joins = walkChain(start, pieces);
      for (std::size_t p = 0; p < pieces.size(); ++p)
        v.names["l" + std::to_string(p)] = pieces[p].length;
      for (std::size_t j = 0; j < joins.size(); ++j)
        std::tie(v.names["x" + std::to_string(j)], v.names["y" + std::to_string(j)],
                 v.names["h" + std::to_string(j)]) =
            std::tuple(joins[j].x, joins[j].y, joins[j].azimuth);
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
        if (kind == "E") given.push_back(recordOf(pieces[p], joins[p], joins[p + 1],
                                                  a.size() > 1 ? v(a[1]) : 0));
        if (kind == "D") {  // for an element maker: mode 1 the start pose, 2 the end, 0 both ends
          Calelm e = recordOf(pieces[p], joins[p], joins[p + 1]);
          e.length = e.kind == CALELM_CLOTHOID ? 0 : pieces[p].length;
          const int mode = static_cast<int>(v(a.at(1)));
          if (mode == 1) std::tie(e.endX, e.endY, e.endAngle) = std::tuple(0, 0, 0);
          if (mode == 2) std::tie(e.startX, e.startY, e.startAngle) = std::tuple(0, 0, 0);
          if (mode == 0) std::tie(e.startAngle, e.endAngle) = std::tuple(0, 0);
          given.push_back(e);
        }
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
        SCOPED_TRACE(row.where + " case " + std::to_string(i) + " selector " +
                     std::to_string(selector));
        Records chain = given;
        const int16_t status = makers.at(row[0])(chain, {point, selector, joins});
        if (refusal) {
          EXPECT_EQ(status, -1);
          EXPECT_EQ(std::memcmp(chain.data(), given.data(), sizeof(Calelm) * chain.size()), 0);
          found = true;
          break;
        }
        if (status == kNotACase || (selects && status != 0)) break;
        EXPECT_EQ(status, 0);
        if (status != 0) break;
        EXPECT_EQ(checkChain(chain), "");
        nameRecords(v, chain, "");
        bool picked = true;
        for (std::size_t c = 0; c < conditions; ++c)
          picked = picked && holds(checks[c], chain, given, joins, v);
        if (!picked) continue;
        found = true;
        for (std::size_t c = conditions ? conditions + 1 : 0; c < checks.size(); ++c)
          EXPECT_TRUE(holds(checks[c], chain, given, joins, v)) << checks[c];
      }
      known += found;
    }
    EXPECT_GE(known, needed) << row.where << ": " << row[0] << " found the known chain";
  }
}

}  // namespace kestrel::geometry::testing
