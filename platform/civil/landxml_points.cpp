#include "platform/civil/landxml_points.h"

#include <charconv>
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

  // The unique name of point `point`, whose own name is `name`; `fallback` stands for an empty
  // name. Suffixes are tried from where the base name's last one left off: names are never taken
  // back, so every suffix below it is still taken.
  std::string_view take(std::uint32_t point, std::string_view name, std::string_view fallback) {
    std::uint32_t key = point;
    std::string_view base = name;
    if (name.empty()) {
      key = keep(std::string(fallback));
      base = made_.back();
    }
    if (insert(base, key)) return base;
    int& next = nextSuffix_.try_emplace(std::string(base), 2).first->second;
    for (;; ++next) {
      std::string candidate(base);
      candidate += " (";
      candidate += std::to_string(next);
      candidate += ')';
      const std::uint32_t made = keep(std::move(candidate));
      if (insert(made_.back(), made)) {
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

  std::uint32_t keep(std::string text) {
    made_.push_back(std::move(text));
    return points_ + static_cast<std::uint32_t>(made_.size() - 1);
  }
  std::string_view nameOf(std::uint32_t key) const {
    return key < points_ ? nameOf_(key) : std::string_view(made_[key - points_]);
  }
  bool insert(std::string_view name, std::uint32_t key) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow();
    const std::size_t hash = std::hash<std::string_view>{}(name);
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
      const std::size_t hash = std::hash<std::string_view>{}(nameOf(slot.key));
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

// Appends an attribute value as pugixml writes it: markup characters and the quote escaped,
// every control character dropped.
void appendAttribute(std::string& out, std::string_view text) {
  std::size_t plain = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '&' || c == '<' || c == '"') break;
    ++plain;
  }
  out.append(text.substr(0, plain));
  for (const char c : text.substr(plain)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
}

void appendNumber(std::string& out, double value) {
  if (std::isinf(value)) {
    out += value > 0 ? "INF" : "-INF";
    return;
  }
  char text[32];
  out.append(text, kestrel::io::writeRoundTripNumber(text, text + sizeof text, value));
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

  constexpr std::size_t kFlushBytes = std::size_t{1} << 16;
  std::string buffer;
  buffer.reserve(kFlushBytes + 512);
  for (std::size_t i = 0; i < total; ++i) {
    const CogoPointView point = pointAt(i);
    char digits[16];
    const auto id = std::to_chars(digits, digits + sizeof digits, point.number).ptr;
    char fallback[20] = {'P'};
    std::copy(digits, id, fallback + 1);
    buffer += "    <CgPoint name=\"";
    appendAttribute(buffer, names.take(static_cast<std::uint32_t>(i), point.name,
                                       std::string_view(fallback, static_cast<std::size_t>(id - digits) + 1)));
    buffer += "\" oID=\"";
    buffer.append(digits, id);
    buffer += "\">";
    appendNumber(buffer, point.y);  // northing first
    buffer += ' ';
    appendNumber(buffer, point.x);
    buffer += ' ';
    appendNumber(buffer, point.z);
    buffer += "</CgPoint>\n";
    if (buffer.size() >= kFlushBytes) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      buffer.clear();
    }
  }
  out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
}

}  // namespace ovcivil
