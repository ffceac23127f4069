// The records that accepted SIMA lines become, held by the import run for one run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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
  std::vector<uint32_t> vertices;  // positions in the run's point store
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
  double fourth = 0.0;           // I01 field 4, the stake-head height; not drawn
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

// Where one result point was drawn along its alignment; kept only when the host asks.
struct PlacedResult {
  uint64_t entity = 0;  // object id of the point drawn
  std::string blockName;
  std::string alignmentName;
  double station = 0.0;
  double offset = 0.0;
  bool hasStakeHeadHeight = false;
  double stakeHeadHeight = 0.0;
};

// Position of the first record with each number. Survey numbers mostly run densely from small
// values, so those are kept in an array indexed by the number itself (four bytes a number, in
// chunks, so that it grows by a chunk at a time and never moves); any other number goes to an
// open-addressing table, which a lookup outside the range of its numbers does not touch. The
// array grows only while it stays within a few slots per record, so scattered or huge numbers
// cannot make it large.
class FirstIndexByNumber {
 public:
  void clear() {
    dense_.clear();
    slots_.clear();
    used_ = 0;
    count_ = 0;
    lowest_ = INT32_MAX;
    highest_ = INT32_MIN;
  }
  // Records `position` for `number` unless the number already has one.
  void insertFirst(int32_t number, std::size_t position) {
    if (find(number) >= 0) return;
    ++count_;
    if (number >= 0 && fitsDense(static_cast<std::size_t>(number))) {
      denseAt(static_cast<std::size_t>(number)) = static_cast<uint32_t>(position);
      return;
    }
    if ((used_ + 1) * 2 > slots_.size()) grow();
    Slot& slot = probe(number);
    slot.number = number;
    slot.position = static_cast<uint32_t>(position);
    ++used_;
    lowest_ = std::min(lowest_, number);
    highest_ = std::max(highest_, number);
  }
  // How many numbers have a position.
  std::size_t count() const { return count_; }
  // Fetches the place find(number) will look first, for a caller that knows a number ahead.
  void prefetch(int32_t number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= denseSize()) return;
    const uint32_t* at = &dense_[static_cast<std::size_t>(number) >> kChunkBits]
                               [static_cast<std::size_t>(number) & ((std::size_t{1} << kChunkBits) - 1)];
#if defined(__x86_64__)
    // GCC 12 drops a __builtin_prefetch whose address takes loads to find, as this one does.
    asm volatile("prefetcht0 %0" : : "m"(*at));
#else
    __builtin_prefetch(at);
#endif
  }
  // The position recorded for `number`, or -1.
  long find(int32_t number) const {
    if (number >= 0 && static_cast<std::size_t>(number) < denseSize()) {
      const uint32_t position = denseAt(static_cast<std::size_t>(number));
      if (position != kEmpty) return static_cast<long>(position);
    }
    if (number < lowest_ || number > highest_) return -1;
    const Slot& slot = const_cast<FirstIndexByNumber*>(this)->probe(number);
    return slot.position == kEmpty ? -1 : static_cast<long>(slot.position);
  }

 private:
  static constexpr uint32_t kEmpty = UINT32_MAX;
  static constexpr unsigned kChunkBits = 14;  // 16,384 numbers a chunk
  static constexpr std::size_t kDenseFloor = std::size_t{1} << 16;
  static constexpr std::size_t kDenseSlotsPerRecord = 8;
  struct Slot {
    int32_t number = 0;
    uint32_t position = kEmpty;
  };
  std::size_t denseSize() const { return dense_.size() << kChunkBits; }
  uint32_t& denseAt(std::size_t number) {
    return dense_[number >> kChunkBits][number & ((std::size_t{1} << kChunkBits) - 1)];
  }
  uint32_t denseAt(std::size_t number) const {
    return dense_[number >> kChunkBits][number & ((std::size_t{1} << kChunkBits) - 1)];
  }
  // True when the array holds (or may grow to hold) `number`.
  bool fitsDense(std::size_t number) {
    if (number < denseSize()) return true;
    const std::size_t limit = std::max(kDenseFloor, kDenseSlotsPerRecord * count_);
    if (number >= limit) return false;
    while (denseSize() <= number) dense_.emplace_back(std::size_t{1} << kChunkBits, kEmpty);
    return true;
  }
  Slot& probe(int32_t number) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = static_cast<std::size_t>(mixed(number)) & mask;
    while (slots_[at].position != kEmpty && slots_[at].number != number) at = (at + 1) & mask;
    return slots_[at];
  }
  // Every bit of the number reaches the low bits the table is indexed by (the finaliser of
  // splitmix64), so numbers that differ only in their high bits, such as multiples of 65536,
  // do not all start at one slot.
  static uint64_t mixed(int32_t number) {
    uint64_t x = static_cast<uint32_t>(number);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
  }
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    for (const Slot& slot : old)
      if (slot.position != kEmpty) probe(slot.number) = slot;
  }
  std::vector<std::vector<uint32_t>> dense_;  // chunks of kChunkBits numbers
  std::vector<Slot> slots_;
  std::size_t used_ = 0;   // records in the table
  std::size_t count_ = 0;  // records in all
  int32_t lowest_ = INT32_MAX;   // the table's numbers lie in lowest_..highest_
  int32_t highest_ = INT32_MIN;
};

// Texts kept end to end in blocks, each behind its length, and named by a 31-bit id; no text
// costs more than four bytes beyond its own, and growing never moves what is stored.
class TextArena {
 public:
  static constexpr uint32_t kIdLimit = uint32_t{1} << 31;
  // The id of a copy of `text`; throws std::length_error when the ids run out (32,768 blocks,
  // 2 GiB of short texts).
  uint32_t add(std::string_view text);
  std::string_view text(uint32_t id) const;
  void clear() { blocks_.clear(); }

 private:
  static constexpr unsigned kBlockBits = 16;
  // A text longer than a block gets a block of its own.
  std::vector<std::vector<char>> blocks_;
};

// A stored point: 32 bytes, the name in the store's arena, the elevation flag in the name's id.
struct StoredPoint {
  double east = 0.0;
  double north = 0.0;
  double elevation = 0.0;
  int32_t number = 0;
  uint32_t nameId = 0;  // the top bit says the point has an elevation
  static constexpr uint32_t kHasElevation = uint32_t{1} << 31;
  bool hasElevation() const { return (nameId & kHasElevation) != 0; }
};
static_assert(sizeof(StoredPoint) == 32);

// Every point of every A series, in file order, with a first-match index by number. A series'
// points are added as they are read and indexed when the series ends, so that lookups inside
// the series do not see them.
class PointStore {
 public:
  std::size_t size() const { return rows_.size(); }
  void clear() {
    rows_.clear();
    names_.clear();
    firstByNumber_.clear();
    numbersOnly_ = 0;
  }
  // Adds a point without indexing it (see indexFrom).
  void add(int32_t number, std::string_view name, double north, double east, double elevation,
           bool hasElevation) {
    const uint32_t nameId = names_.add(name) | (hasElevation ? StoredPoint::kHasElevation : 0);
    rows_.append(StoredPoint{east, north, elevation, number, nameId});
  }
  // Indexes the points from position `first` on by number.
  void indexFrom(std::size_t first) {
    for (std::size_t i = first; i < rows_.size(); ++i)
      firstByNumber_.insertFirst(rows_[static_cast<long>(i)].number, i);
  }
  void append(const SimaPoint& p) {
    add(p.number, p.name, p.north, p.east, p.elevation, p.hasElevation);
    indexFrom(rows_.size() - 1);
  }
  // A pre-scan's point: only its number is kept, so that contains() knows it; row() does not.
  void appendNumberOnly(int32_t number) { firstByNumber_.insertFirst(number, numbersOnly_++); }

  const StoredPoint& row(std::size_t i) const { return rows_[static_cast<long>(i)]; }
  // A row added before, read on another thread while this one adds (StableArray::stable).
  const StoredPoint& stableRow(std::size_t i) const { return rows_.stable(i); }
  std::string_view name(const StoredPoint& p) const {
    return names_.text(p.nameId & ~StoredPoint::kHasElevation);
  }
  // The point at position `i` as a record of its own.
  SimaPoint at(std::size_t i) const {
    const StoredPoint& p = row(i);
    return SimaPoint{std::string(name(p)), p.east, p.north, p.elevation, p.number,
                     p.hasElevation()};
  }
  // The position of the first indexed point with that number, or -1.
  long position(int32_t number) const { return firstByNumber_.find(number); }
  bool contains(int32_t number) const { return firstByNumber_.find(number) >= 0; }
  void prefetchNumber(int32_t number) const { firstByNumber_.prefetch(number); }
  // How many points lookups find.
  std::size_t indexedCount() const { return firstByNumber_.count(); }

 private:
  StableArray<StoredPoint> rows_;
  TextArena names_;
  FirstIndexByNumber firstByNumber_;
  std::size_t numbersOnly_ = 0;
};

}  // namespace kestrel
