// The records that accepted SIMA lines become, held by the import run for one run.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "sima/growing_array.h"

namespace kestrel {

// One coordinate record (A01).
struct SimaPoint {
  std::string name;          // A01 field 2
  double east = 0.0;         // A01 field 4 (Y)
  double north = 0.0;        // A01 field 3 (X)
  double elevation = 0.0;    // A01 field 5 (Z); 0 when empty
  int32_t number = 0;        // A01 field 1
  bool hasElevation = false; // A01 field 5 was not empty
};

// One lot (D00 … D99).
struct LotData {
  int32_t number = 0;
  std::string name;
  bool closed = false;
  GrowingArray<SimaPoint> vertices;
};

// One element of a route, in route order. Geometric values are text written with "%0.12f".
struct EntityData {
  EntityData() = default;
  EntityData(const EntityData&) = default;
  EntityData& operator=(const EntityData&) = default;
  EntityData(EntityData&&) = default;
  EntityData& operator=(EntityData&&) = default;
  virtual ~EntityData() = default;

  uint32_t word = 0;  // copied with the record; carries no meaning
  std::string Type;   // "S", "R" or "A"
  std::string Length;
  std::string StartPointX;
  std::string StartPointY;
  std::string EndPointX;
  std::string EndPointY;
  std::string Radius;
  std::string RadiusEnd;  // declared before the start radius, as the record has always been
  std::string RadiusStart;
  std::string Rotation;   // "L" or "R"
  std::string Station;
  std::string Name;
  std::string NextName;
  std::string ParameterA;
  double copied[2] = {0.0, 0.0};
  double work[3] = {0.0, 0.0, 0.0};
  double TangentIntersection[3] = {0.0, 0.0, 0.0};
  double Pitch = 0.0;
  double StartElevation = 0.0;
  double EndElevation = 0.0;
  uint32_t entityId = 0;  // civil entity built for the element
};

// One route (F00 … F99).
struct SimaAlignment {
  GrowingArray<EntityData> elements;
  GrowingArray<SimaPoint> points;
  std::string routeName;   // F00 field 3
  std::string routeTitle;  // file title, "-", route name
  int32_t routeType = 0;   // F00 field 4
  int32_t routeNumber = 0; // F00 field 1
  double startStation = 0.0;
  uint32_t objectId = 0;   // what was built; 0 when nothing
};

// One vertical result (H01) or one section point.
struct VerticalData {
  std::string name;            // station name, trimmed
  double distance = 0.0;       // added distance (a station)
  double groundHeight = 0.0;
  double stakeHeadHeight = 0.0;
  std::string kind;            // station kind text, kept but unused
  int32_t lineNumber = 0;      // the H01 line
  std::string lineText;        // the H01 line as read (trimmed), quoted by error entries
};

// One vertical-result series (H00 … H99).
struct HSeriesData {
  int32_t routeNumber = 0;  // H00 field 1
  std::string blockName;    // H00 field 2
  GrowingArray<VerticalData> stations;
  int32_t lineNumber = 0;   // the H00 line
  int32_t reserved = 0;
  std::string alignmentName;
  bool flag1 = false;
  bool flag2 = false;
  bool found = false;  // a route of the file has the series' route number
};

// One cross section (I01) with its points (I02).
struct SubEntity {
  std::string name;              // I01 field 1, trimmed
  double distance = 0.0;         // I01 field 2
  double centreElevation = 0.0;  // I01 field 3
  double fourth = 0.0;           // I01 field 4, kept but unused
  int32_t lineNumber = 0;        // the I01 line
  std::string lineText;          // the I01 line as read (trimmed)
  std::vector<std::string> pointNames;
  GrowingArray<double> offsets;
  GrowingArray<double> elevations;
};

// One cross-section series (I00 … I99).
struct IntersectionData {
  int32_t routeNumber = 0;  // I00 field 1
  std::string blockName;    // I00 field 2
  bool found = false;
  GrowingArray<SubEntity> sections;
};

// Every point of every A series, in file order, with a first-match index by number.
class PointStore {
 public:
  const GrowingArray<SimaPoint>& points() const { return points_; }
  std::size_t size() const { return points_.size(); }
  void clear() {
    points_.clear();
    firstByNumber_.clear();
  }
  void append(const SimaPoint& point) {
    firstByNumber_.emplace(point.number, points_.size());  // keeps the first
    points_.append(point);
  }
  void appendAll(const GrowingArray<SimaPoint>& points) {
    for (const auto& p : points) append(p);
  }
  // The first point with that number, or null.
  const SimaPoint* find(int32_t number) const {
    auto it = firstByNumber_.find(number);
    return it == firstByNumber_.end() ? nullptr : &points_.at(static_cast<long>(it->second));
  }
  bool contains(int32_t number) const { return firstByNumber_.count(number) != 0; }

 private:
  GrowingArray<SimaPoint> points_;
  std::unordered_map<int32_t, std::size_t> firstByNumber_;
};

}  // namespace kestrel
