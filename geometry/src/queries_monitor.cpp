// Monitoring distances from an alignment and points on a polygon of tangents.
#include <algorithm>
#include <cmath>

#include "queries_internal.h"

using namespace kestrel::geometry::queries;

namespace {

// Monitoring table: int16 count at byte 0, entries of five doubles from byte 8.
constexpr std::size_t kTableEntriesOffset = 8;
constexpr std::size_t kTableEntryDoubles = 5;
// Polygon entries: seven doubles, the point in fields 2 and 3.
constexpr std::size_t kPolygonEntryDoubles = 7;

Point polygonPoint(const double* polygon, int index) {
  const double* entry = polygon + static_cast<std::size_t>(index) * kPolygonEntryDoubles;
  return {entry[1], entry[2]};
}

}  // namespace

extern "C" {

KGEOM_API int16_t get_moniDist(double px, double py, int16_t n, const Calelm* elements,
                               double* distance) {
  for (int16_t i = 0; i < n && elements != nullptr; ++i) {
    double s = 0.0;
    double footX = 0.0;
    double footY = 0.0;
    if (ali_proj(&elements[i], px, py, &s, &footX, &footY) >= 0) {
      *distance = std::hypot(px - footX, py - footY);
      return 1;
    }
  }
  *distance = -1.0;
  return -1;
}

KGEOM_API int16_t Calc_moni(void* table, int16_t n, const Calelm* elements) {
  if (table == nullptr) return 1;
  unsigned char* bytes = static_cast<unsigned char*>(table);
  int16_t count = 0;
  std::memcpy(&count, bytes, sizeof count);
  for (int16_t i = 0; i < count; ++i) {
    unsigned char* entry =
        bytes + kTableEntriesOffset + static_cast<std::size_t>(i) * kTableEntryDoubles * 8;
    double fields[kTableEntryDoubles];
    std::memcpy(fields, entry, sizeof fields);
    double distance = -1.0;
    get_moniDist(fields[1], fields[2], n, elements, &distance);
    std::memcpy(entry + 3 * sizeof(double), &distance, sizeof distance);
  }
  return 1;
}

// Height of P over AB as twice the triangle's area (Heron) over |AB|.
KGEOM_API int16_t gc_poionl(double px, double py, double ax, double ay, double bx, double by,
                            double t) {
  double a = std::hypot(px - ax, py - ay);
  double b = std::hypot(px - bx, py - by);
  double c = std::hypot(bx - ax, by - ay);
  if (c == 0.0) return a <= t ? 0 : -1;
  double half = 0.5 * (a + b + c);
  double product = half * (half - a) * (half - b) * (half - c);
  double height = 2.0 * std::sqrt(std::max(product, 0.0)) / c;
  return height <= t ? 0 : -1;
}

KGEOM_API int16_t chk_on_tangent(int16_t n, const double* polygon, double px, double py,
                                 int16_t* index, double t) {
  if (n < 2 || polygon == nullptr) return -1;
  for (int16_t i = 0; i + 1 < n; ++i) {
    Point a = polygonPoint(polygon, i);
    Point b = polygonPoint(polygon, i + 1);
    if (gc_poionl(px, py, a.x, a.y, b.x, b.y, t) == 0) {
      *index = i;
      return 0;
    }
  }
  return -1;
}

KGEOM_API int16_t chk_tangent(int16_t n, const double* polygon, int16_t m, const double* points,
                              double t, int16_t* sides) {
  if (n < 2 || polygon == nullptr || m < 0 || (m > 0 && points == nullptr)) return -1;
  int16_t status = 0;
  for (int16_t k = 0; k < m; ++k) {
    int16_t side = -1;
    if (chk_on_tangent(n, polygon, points[2 * k], points[2 * k + 1], &side, t) != 0) {
      side = -1;
      status = -1;
    }
    if (sides != nullptr) sides[k] = side;
  }
  return status;
}

}  // extern "C"
