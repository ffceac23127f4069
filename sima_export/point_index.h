// The points of an export by number and by place: new numbers after the highest in use, and the
// point nearest a place within a tolerance, found through a grid rather than a scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "sima_export/sima_data.h"

namespace kestrel::sima_export {

class PointIndex {
 public:
  // Indexes the points the data holds; points added through the index join them.
  explicit PointIndex(SimaData& data);

  // The number after the highest in use, taken; false when no number is left (2^31 − 1 used).
  bool takeNumber(int32_t& number);
  // Whether a point of the data has that number.
  bool hasNumber(int32_t number) const;
  // The position in data.points of the point nearest (north, east) within `tolerance` metres
  // (the first of equally near ones), or -1.
  std::ptrdiff_t nearest(double north, double east, double tolerance) const;
  // Appends a point to the data.
  void add(Point point);
  // Makes room for that many points in all.
  void reserve(std::size_t points);

 private:
  void index(std::size_t position);

  SimaData& data_;
  int64_t highest_ = 0;
  std::unordered_map<int32_t, uint32_t> byNumber_;
  std::unordered_map<uint64_t, uint32_t> firstInCell_;  // grid cell → first point (+1; 0 none)
  std::vector<uint32_t> nextInCell_;                    // point → next point of its cell (+1)
};

}  // namespace kestrel::sima_export
