#include "platform/civil/landxml_points.h"

#include <charconv>
#include <cstring>
#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>

#include "io/number_text.h"

namespace ovcivil {

namespace {

// The names taken so far, as one flat table of 8-byte slots (a file may carry a million points):
// a slot holds part of the name's hash and which name it is, the point's own (by position) or one
// made here. Names are compared only when the hashes agree.
class PointNames {
 public:
  // `nameOf(i)` gives point i's own name; `count` points at most.
  PointNames(std::function<std::string_view(std::uint32_t)> nameOf, std::size_t count)
      : nameOf_(std::move(nameOf)), points_(static_cast<std::uint32_t>(count)) {
    std::size_t size = 16;
    while (size * 3 < count * 4 + 4) size *= 2;
    slots_.assign(size, Slot{0, kFree});
  }

  // The hash of a name (never 0, which stands for "not yet known"); the slot it starts at is
  // fetched, so that a caller who asks a few names ahead of take() finds it in the cache: the
  // table is far larger than the caches when a file carries many points.
  std::size_t prefetch(std::string_view name) const {
    const std::size_t hash = hashOf(name);
    __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    return hash;
  }

  // The unique name of point `point`, whose own name is `name`; `fallback` stands for an empty
  // name. Suffixes are tried from where the base name's last one left off: names are never taken
  // back, so every suffix below it is still taken.
  // `hash` is the hash of `name` when the caller has it (see prefetch), else 0.
  std::string_view take(std::uint32_t point, std::string_view name, std::string_view fallback,
                        std::size_t hash = 0) {
    std::uint32_t key = point;
    std::string_view base = name;
    if (name.empty()) {
      key = keep(std::string(fallback));
      base = made_.back();
      hash = 0;
    }
    if (insert(base, key, hash)) return base;
    int& next = nextSuffix_.try_emplace(std::string(base), 2).first->second;
    for (;; ++next) {
      std::string candidate(base);
      candidate += " (";
      candidate += std::to_string(next);
      candidate += ')';
      const std::uint32_t made = keep(std::move(candidate));
      if (insert(made_.back(), made, 0)) {
        ++next;
        return made_.back();
      }
      made_.pop_back();
    }
  }

 private:
  static constexpr std::uint32_t kFree = UINT32_MAX;
  struct Slot {
    std::uint32_t hash;
    std::uint32_t key;  // below points_: a point's own name; else made_[key - points_]
  };

  static std::size_t hashOf(std::string_view name) {
    const std::size_t hash = std::hash<std::string_view>{}(name);
    return hash == 0 ? 1 : hash;
  }
  std::uint32_t keep(std::string text) {
    made_.push_back(std::move(text));
    return points_ + static_cast<std::uint32_t>(made_.size() - 1);
  }
  std::string_view nameOf(std::uint32_t key) const {
    return key < points_ ? nameOf_(key) : std::string_view(made_[key - points_]);
  }
  bool insert(std::string_view name, std::uint32_t key, std::size_t hash) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow();
    if (hash == 0) hash = hashOf(name);
    Slot& slot = find(name, hash);
    if (slot.key != kFree) return false;
    slot = Slot{static_cast<std::uint32_t>(hash >> 32), key};
    ++used_;
    return true;
  }
  Slot& find(std::string_view name, std::size_t hash) {
    const std::size_t mask = slots_.size() - 1;
    const auto high = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.key == kFree || (slot.hash == high && nameOf(slot.key) == name)) return slot;
    }
  }
  void grow() {
    std::vector<Slot> old(slots_.size() * 2, Slot{0, kFree});
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.key == kFree) continue;
      const std::size_t hash = hashOf(nameOf(slot.key));
      std::size_t at = hash & mask;
      while (slots_[at].key != kFree) at = (at + 1) & mask;
      slots_[at] = slot;
    }
  }

  std::function<std::string_view(std::uint32_t)> nameOf_;
  std::uint32_t points_;
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::deque<std::string> made_;  // a deque never moves its names
  std::unordered_map<std::string, int> nextSuffix_;  // only for names that were taken twice
};

// Lines gathered in a buffer of their own and handed to the stream 64 KB at a time.
class LineBuffer {
 public:
  explicit LineBuffer(std::ostream& out) : out_(out) {}
  // Room for `bytes` more (at most half the buffer); the end of what is written so far.
  char* room(std::size_t bytes) {
    if (static_cast<std::size_t>(data_ + sizeof data_ - put_) < bytes) flush();
    return put_;
  }
  void advance(char* to) { put_ = to; }
  template <std::size_t N>
  void literal(const char (&text)[N]) {
    std::memcpy(room(N - 1), text, N - 1);
    put_ += N - 1;
  }
  void flush() {
    out_.write(data_, put_ - data_);
    put_ = data_;
  }

 private:
  std::ostream& out_;
  char data_[1 << 16];
  char* put_ = data_;
};

// Appends an attribute value as pugixml writes it: markup characters and the quote escaped,
// every control character dropped.
void appendAttribute(LineBuffer& out, std::string_view text) {
  constexpr std::size_t kPiece = 1024;  // at most 6 bytes out per byte in
  for (std::size_t from = 0; from < text.size(); from += kPiece) {
    const std::string_view piece = text.substr(from, kPiece);
    char* put = out.room(piece.size() * 6);
    for (const char c : piece) {
      switch (c) {
        case '&': std::memcpy(put, "&amp;", 5); put += 5; break;
        case '<': std::memcpy(put, "&lt;", 4); put += 4; break;
        case '"': std::memcpy(put, "&quot;", 6); put += 6; break;
        default:
          if (static_cast<unsigned char>(c) >= 0x20) *put++ = c;
      }
    }
    out.advance(put);
  }
}

void appendNumber(LineBuffer& out, double value) {
  if (std::isinf(value)) {
    if (value > 0)
      out.literal("INF");
    else
      out.literal("-INF");
    return;
  }
  char* put = out.room(32);
  out.advance(kestrel::io::writeRoundTripNumber(put, put + 32, value));
}

}  // namespace

void writeCgPointLines(const std::vector<CogoPoint>& points, const CogoPointSource* more,
                       std::ostream& out) {
  const std::size_t own = points.size();
  const std::size_t total = own + (more != nullptr ? more->size() : 0);
  auto pointAt = [&](std::size_t i) {
    if (i >= own) return more->at(i - own);
    const CogoPoint& point = points[i];
    return CogoPointView{point.number, point.name, point.x, point.y, point.z};
  };
  PointNames names([&](std::uint32_t i) { return pointAt(i).name; }, total);
  // Points are read a few ahead of writing, their names' slots fetched meanwhile.
  constexpr std::size_t kAhead = 8;
  CogoPointView ahead[kAhead];
  std::size_t hashes[kAhead] = {};
  auto readAhead = [&](std::size_t i) {
    if (i >= total) return;
    ahead[i % kAhead] = pointAt(i);
    hashes[i % kAhead] = ahead[i % kAhead].name.empty() ? 0 : names.prefetch(ahead[i % kAhead].name);
  };
  for (std::size_t i = 0; i < kAhead; ++i) readAhead(i);

  LineBuffer buffer(out);
  for (std::size_t i = 0; i < total; ++i) {
    const CogoPointView point = ahead[i % kAhead];
    const std::size_t hash = hashes[i % kAhead];
    readAhead(i + kAhead);
    char digits[16];
    const auto id = std::to_chars(digits, digits + sizeof digits, point.number).ptr;
    const auto idLength = static_cast<std::size_t>(id - digits);
    char fallback[20] = {'P'};
    std::memcpy(fallback + 1, digits, idLength);
    buffer.literal("    <CgPoint name=\"");
    appendAttribute(buffer, names.take(static_cast<std::uint32_t>(i), point.name,
                                       std::string_view(fallback, idLength + 1), hash));
    buffer.literal("\" oID=\"");
    char* put = buffer.room(idLength);
    std::memcpy(put, digits, idLength);
    buffer.advance(put + idLength);
    buffer.literal("\">");
    appendNumber(buffer, point.y);  // northing first
    buffer.literal(" ");
    appendNumber(buffer, point.x);
    buffer.literal(" ");
    appendNumber(buffer, point.z);
    buffer.literal("</CgPoint>\n");
  }
  buffer.flush();
}

namespace {

void appendPoint(LineBuffer& out, PlanPoint point) {
  appendNumber(out, point.y);  // northing first
  out.literal(" ");
  appendNumber(out, point.x);
}

void appendLine(LineBuffer& out, PlanPoint start, PlanPoint end) {
  out.literal("        <Line><Start>");
  appendPoint(out, start);
  out.literal("</Start><End>");
  appendPoint(out, end);
  out.literal("</End></Line>\n");
}

// The enclosed area by the shoelace formula, about the first vertex to keep digits.
double area(const std::vector<PlanPoint>& vertices) {
  double twice = 0.0;
  const PlanPoint origin = vertices.front();
  for (std::size_t i = 1; i + 1 < vertices.size(); ++i) {
    twice += (vertices[i].x - origin.x) * (vertices[i + 1].y - origin.y) -
             (vertices[i + 1].x - origin.x) * (vertices[i].y - origin.y);
  }
  return std::abs(twice) / 2.0;
}

}  // namespace

void writeParcelLines(const ParcelSource& parcels, std::ostream& out) {
  const std::size_t count = parcels.size();
  PointNames names([&](std::uint32_t i) { return parcels.at(i).name; }, count);
  LineBuffer buffer(out);
  std::vector<PlanPoint> vertices;
  for (std::size_t i = 0; i < count; ++i) {
    const ParcelView parcel = parcels.at(i);
    parcels.vertices(i, vertices);
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, parcel.number).ptr;
    const std::string_view number(digits, static_cast<std::size_t>(end - digits));
    buffer.literal("    <Parcel name=\"");
    appendAttribute(buffer, names.take(static_cast<std::uint32_t>(i), parcel.name, number));
    buffer.literal("\" oID=\"");
    appendAttribute(buffer, number);
    buffer.literal("\" parcelType=\"");
    appendAttribute(buffer, parcel.type);
    buffer.literal("\" desc=\"");
    appendAttribute(buffer, parcel.fileName);
    const bool closed = parcel.closed && vertices.size() >= 3;
    if (closed) {
      buffer.literal("\" area=\"");
      appendNumber(buffer, area(vertices));
    }
    buffer.literal("\">\n      <CoordGeom>\n");
    for (std::size_t k = 0; k + 1 < vertices.size(); ++k)
      appendLine(buffer, vertices[k], vertices[k + 1]);
    if (closed) appendLine(buffer, vertices.back(), vertices.front());
    buffer.literal("      </CoordGeom>\n      <Feature code=\"kestrel\">\n");
    if (parcel.closed)
      buffer.literal("        <Property label=\"closed\" value=\"true\" />\n");
    else
      buffer.literal("        <Property label=\"closed\" value=\"false\" />\n");
    buffer.literal("      </Feature>\n    </Parcel>\n");
  }
  buffer.flush();
}

}  // namespace ovcivil
