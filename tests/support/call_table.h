// Case tables of plain function calls, read from a corpus file: a row names a function, gives its
// inputs, then after "=" the expected results (status first) and optionally "~" and a tolerance
// (exact when absent; "~ 4ulp" allows four units in the last place). "*" leaves a result
// unchecked; an expected nan wants a nan. The test
// supplies one adapter per function, turning inputs into the call and its outputs into results.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/corpus_rows.h"

namespace kestrel::testing {

using Numbers = std::vector<double>;
using CallAdapters = std::map<std::string, std::function<Numbers(const Numbers&)>>;

inline void runCallTable(const std::string& relative, const CallAdapters& adapters) {
  std::set<std::string> used;
  for (const CorpusRow& row : corpusRows(relative)) {
    const auto adapter = adapters.find(row.fields[0]);
    if (adapter == adapters.end()) {
      ADD_FAILURE() << row.where << ": no adapter for " << row.fields[0];
      continue;
    }
    used.insert(row.fields[0]);
    Numbers inputs, wanted;
    std::vector<bool> checked;
    double tolerance = 0.0, ulps = 0.0;
    bool results = false;
    for (std::size_t i = 1; i < row.fields.size(); ++i) {
      const std::string& field = row.fields[i];
      if (field == "=") {
        results = true;
      } else if (field == "~" && i + 1 < row.fields.size() &&
                 row.fields[i + 1].ends_with("ulp")) {
        ulps = std::stod(row.fields[++i]);
      } else if (field == "~") {
        tolerance = row.number(++i);
      } else if (!results) {
        inputs.push_back(row.number(i));
      } else {
        checked.push_back(field != "*");
        wanted.push_back(field == "*" ? 0.0 : row.number(i));
      }
    }
    const Numbers got = adapter->second(inputs);
    if (got.size() < wanted.size()) {
      ADD_FAILURE() << row.where << ": " << row.fields[0] << " gives " << got.size() << " results";
      continue;
    }
    for (std::size_t k = 0; k < wanted.size(); ++k) {
      if (!checked[k]) continue;
      const double allowed =
          std::max(tolerance, ulps * std::numeric_limits<double>::epsilon() / 2 * std::fabs(wanted[k]));
      const bool same = std::isnan(wanted[k]) ? std::isnan(got[k])
                                              : got[k] == wanted[k] ||
                                                    std::fabs(got[k] - wanted[k]) <= allowed;
      EXPECT_TRUE(same) << row.where << ": " << row.fields[0] << " result " << k << " is "
                        << got[k] << ", expected " << wanted[k] << " ~ " << tolerance;
    }
  }
  for (const auto& entry : adapters)
    EXPECT_TRUE(used.count(entry.first)) << entry.first << " has no row in " << relative;
}

}  // namespace kestrel::testing
