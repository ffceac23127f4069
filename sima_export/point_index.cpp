#include "sima_export/point_index.h"

#include <cmath>
#include <limits>

namespace kestrel::sima_export {

namespace {

// Grid cells a metre wide: a query within a millimetre looks at one to four of them.
constexpr double kCell = 1.0;

int64_t cellOf(double coordinate) {
  return static_cast<int64_t>(std::floor(coordinate / kCell));
}

uint64_t cellKey(int64_t north, int64_t east) {
  return static_cast<uint64_t>(north) * 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(east);
}

// Coordinates beyond this are no survey's (and would overflow a cell number).
constexpr double kFarthest = 1e15;

bool indexable(double north, double east) {
  return std::abs(north) < kFarthest && std::abs(east) < kFarthest;
}

}  // namespace

PointIndex::PointIndex(SimaData& data) : data_(data) {
  for (std::size_t i = 0; i < data.points.size(); ++i) index(i);
}

void PointIndex::index(std::size_t position) {
  const Point& point = data_.points[position];
  if (point.number > highest_) highest_ = point.number;
  byNumber_.emplace(point.number, static_cast<uint32_t>(position));
  nextInCell_.push_back(0);
  if (!indexable(point.north, point.east)) return;
  uint32_t& first = firstInCell_[cellKey(cellOf(point.north), cellOf(point.east))];
  nextInCell_[position] = first;
  first = static_cast<uint32_t>(position) + 1;
}

bool PointIndex::takeNumber(int32_t& number) {
  if (highest_ >= std::numeric_limits<int32_t>::max()) return false;
  number = static_cast<int32_t>(++highest_);
  return true;
}

bool PointIndex::hasNumber(int32_t number) const {
  return byNumber_.count(number) != 0;
}

std::ptrdiff_t PointIndex::nearest(double north, double east, double tolerance) const {
  if (!indexable(north, east) || !(tolerance >= 0.0) || tolerance > kFarthest) return -1;
  std::ptrdiff_t best = -1;
  double bestDistance = tolerance;
  for (int64_t n = cellOf(north - tolerance); n <= cellOf(north + tolerance); ++n) {
    for (int64_t e = cellOf(east - tolerance); e <= cellOf(east + tolerance); ++e) {
      const auto cell = firstInCell_.find(cellKey(n, e));
      if (cell == firstInCell_.end()) continue;
      for (uint32_t at = cell->second; at != 0; at = nextInCell_[at - 1]) {
        const Point& point = data_.points[at - 1];
        const double distance = std::hypot(point.north - north, point.east - east);
        const auto position = static_cast<std::ptrdiff_t>(at - 1);
        if (distance < bestDistance ||
            (distance == bestDistance && (best < 0 || position < best))) {
          best = position;
          bestDistance = distance;
        }
      }
    }
  }
  return best;
}

void PointIndex::reserve(std::size_t points) {
  data_.points.reserve(points);
  byNumber_.reserve(points);
  firstInCell_.reserve(points);
  nextInCell_.reserve(points);
}

void PointIndex::add(Point point) {
  data_.points.push_back(std::move(point));
  index(data_.points.size() - 1);
}

}  // namespace kestrel::sima_export
