#include "platform/civil/landxml.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <deque>
#include <fstream>
#include <limits>
#include <numbers>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <unordered_map>

#include "io/atomic_file.h"
#include "io/number_text.h"
#include "platform/civil/landxml_points.h"

namespace ovcivil {

namespace {

constexpr const char* kNamespace = "http://www.landxml.org/schema/LandXML-1.2";
constexpr const char* kModelFeature = "kestrel";
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr const char* kPointsMarker = "@@kestrel-points@@";
constexpr const char* kParcelsMarker = "@@kestrel-parcels@@";

// The shortest text that reads back as the same double ("INF" for infinity, as the schema spells it).
std::string number(double value) {
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char text[32];
  return std::string(text, kestrel::io::writeRoundTripNumber(text, text + sizeof text, value));
}

// Coordinates are written northing first.
std::string pointText(PlanPoint point) { return number(point.y) + " " + number(point.x); }

void addPoint(pugi::xml_node parent, const char* name, PlanPoint point) {
  parent.append_child(name).text().set(pointText(point).c_str());
}

void setNumber(pugi::xml_node node, const char* name, double value) {
  node.append_attribute(name).set_value(number(value).c_str());
}

// Gives every name that repeats an earlier one (or is empty) a suffix that makes it unique, the
// same way each time: "name (2)", "name (3)", …; an empty name becomes `fallback`. The names
// handed in must outlive this object: it keeps views of them, not copies.
class UniqueNames {
 public:
  explicit UniqueNames(std::size_t expected = 0) {
    std::size_t size = 16;
    while (size < expected * 2) size *= 2;
    slots_.resize(size);
  }
  std::string_view take(std::string_view name, std::string_view fallback) {
    const std::string_view base = name.empty() ? keep(std::string(fallback)) : name;
    if (insert(base)) return base;
    // Every suffix below the one a base last received is taken, and names are never given back:
    // the search goes on from there instead of from " (2)", so n equal names cost n tries, not
    // n²/2, and each gets the suffix it always got.
    int& suffix = nextSuffix_.try_emplace(base, 2).first->second;
    for (;; ++suffix) {
      const std::string_view candidate =
          keep(std::string(base) + " (" + std::to_string(suffix) + ")");
      if (insert(candidate)) {
        ++suffix;
        return candidate;
      }
      made_.pop_back();
    }
  }

 private:
  std::string_view keep(std::string text) { return made_.emplace_back(std::move(text)); }

  // One flat table (a file may carry 100,000 point names): no node per name to allocate and free.
  bool insert(std::string_view name) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    std::string_view& slot = find(name);
    if (slot.data() != nullptr) return false;
    slot = name;
    ++used_;
    return true;
  }
  std::string_view& find(std::string_view name) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = std::hash<std::string_view>{}(name) & mask;
    while (slots_[at].data() != nullptr && slots_[at] != name) at = (at + 1) & mask;
    return slots_[at];
  }
  void grow() {
    std::vector<std::string_view> old(slots_.size() * 2);
    old.swap(slots_);
    for (const std::string_view name : old)
      if (name.data() != nullptr) find(name) = name;
  }

  std::vector<std::string_view> slots_;  // a null data pointer marks a free slot
  std::size_t used_ = 0;
  std::deque<std::string> made_;  // the names made here; a deque never moves them
  std::unordered_map<std::string_view, int> nextSuffix_;  // per repeated base: the suffix to try
};

// The output flags of every element: control characters XML 1.0 cannot carry, not even as
// character references, are left out rather than making the document unreadable.
constexpr unsigned kFormat = pugi::format_default | pugi::format_skip_control_chars;

void writeEntity(pugi::xml_node geometry, const AlignmentEntity& entity) {
  switch (entity.kind) {
    case EntityKind::Line: {
      auto line = geometry.append_child("Line");
      addPoint(line, "Start", entity.start);
      addPoint(line, "End", entity.end);
      return;
    }
    case EntityKind::Curve: {
      auto curve = geometry.append_child("Curve");
      curve.append_attribute("rot").set_value(entity.turnsLeft ? "ccw" : "cw");
      setNumber(curve, "radius", entity.radius);
      setNumber(curve, "length", entity.length);
      addPoint(curve, "Start", entity.start);
      addPoint(curve, "Center", entity.centre);
      addPoint(curve, "End", entity.end);
      return;
    }
    case EntityKind::Spiral: {
      auto spiral = geometry.append_child("Spiral");
      setNumber(spiral, "length", entity.length);
      setNumber(spiral, "radiusStart", entity.startRadius);
      setNumber(spiral, "radiusEnd", entity.endRadius);
      spiral.append_attribute("rot").set_value(entity.turnsLeft ? "ccw" : "cw");
      spiral.append_attribute("spiType").set_value(
          entity.spiralType.empty() ? "clothoid" : entity.spiralType.c_str());
      addPoint(spiral, "Start", entity.start);
      addPoint(spiral, "PI", entity.tangentIntersection);
      addPoint(spiral, "End", entity.end);
      return;
    }
  }
}

void addProperty(pugi::xml_node feature, const char* label, const std::string& value) {
  auto property = feature.append_child("Property");
  property.append_attribute("label").set_value(label);
  property.append_attribute("value").set_value(value.c_str());
}

// ---- reading ----

// The element name without a namespace prefix.
std::string_view localName(pugi::xml_node node) {
  std::string_view name = node.name();
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child(pugi::xml_node node, std::string_view name) {
  for (auto c : node.children())
    if (localName(c) == name) return c;
  return {};
}

class ReadError {
 public:
  explicit ReadError(std::string text) : text_(std::move(text)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

double parseNumber(std::string_view text, const std::string& what) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  if (text == "INF") return kInfinity;
  if (text == "-INF") return -kInfinity;
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      !std::isfinite(value))
    throw ReadError(what + ": \"" + std::string(text) + "\" is not a number");
  return value;
}

double numberAttribute(pugi::xml_node node, const char* name) {
  auto attribute = node.attribute(name);
  if (!attribute)
    throw ReadError(std::string(localName(node)) + " without the attribute " + name);
  return parseNumber(attribute.value(), std::string(localName(node)) + " " + name);
}

// "north east [elevation]" of a child element.
PlanPoint pointChild(pugi::xml_node node, std::string_view name, double* elevation = nullptr) {
  auto element = child(node, name);
  const std::string what = std::string(localName(node)) + " " + std::string(name);
  if (!element) throw ReadError(std::string(localName(node)) + " without " + std::string(name));
  std::istringstream words(element.text().get());
  std::string north, east, up;
  if (!(words >> north >> east)) throw ReadError(what + ": expected north and east");
  PlanPoint point{parseNumber(east, what), parseNumber(north, what)};
  if (!std::isfinite(point.x) || !std::isfinite(point.y)) throw ReadError(what + ": not a finite point");
  if (words >> up) {
    const double z = parseNumber(up, what);
    if (elevation != nullptr) *elevation = z;
  }
  return point;
}

bool rotationLeft(pugi::xml_node node) {
  const std::string_view rot = node.attribute("rot").value();
  if (rot == "ccw") return true;
  if (rot == "cw") return false;
  throw ReadError(std::string(localName(node)) + ": rot must be cw or ccw");
}

double direction(PlanPoint from, PlanPoint to) {
  const double angle = std::atan2(to.y - from.y, to.x - from.x);
  return angle < 0.0 ? angle + 2.0 * std::numbers::pi : angle;
}

AlignmentEntity readLine(pugi::xml_node node) {
  AlignmentEntity line;
  line.kind = EntityKind::Line;
  line.start = pointChild(node, "Start");
  line.end = pointChild(node, "End");
  line.length = std::hypot(line.end.x - line.start.x, line.end.y - line.start.y);
  line.startDirection = line.endDirection = direction(line.start, line.end);
  return line;
}

AlignmentEntity readCurve(pugi::xml_node node) {
  AlignmentEntity curve;
  curve.kind = EntityKind::Curve;
  curve.start = pointChild(node, "Start");
  curve.centre = pointChild(node, "Center");
  curve.end = pointChild(node, "End");
  curve.turnsLeft = rotationLeft(node);
  const double side = curve.turnsLeft ? 1.0 : -1.0;
  curve.radius = node.attribute("radius")
                     ? numberAttribute(node, "radius")
                     : std::hypot(curve.start.x - curve.centre.x, curve.start.y - curve.centre.y);
  if (!(curve.radius > 0.0)) throw ReadError("Curve: the radius must be positive");
  const double startPolar = direction(curve.centre, curve.start);
  double sweep = side * (direction(curve.centre, curve.end) - startPolar);
  while (sweep < 0.0) sweep += 2.0 * std::numbers::pi;
  curve.length = node.attribute("length") ? numberAttribute(node, "length") : curve.radius * sweep;
  curve.startDirection = std::fmod(startPolar + side * std::numbers::pi / 2.0 + 2.0 * std::numbers::pi,
                                   2.0 * std::numbers::pi);
  curve.endDirection = std::fmod(curve.startDirection + side * sweep + 2.0 * std::numbers::pi,
                                 2.0 * std::numbers::pi);
  return curve;
}

AlignmentEntity readSpiral(pugi::xml_node node) {
  AlignmentEntity spiral;
  spiral.kind = EntityKind::Spiral;
  spiral.start = pointChild(node, "Start");
  spiral.tangentIntersection = pointChild(node, "PI");
  spiral.end = pointChild(node, "End");
  spiral.turnsLeft = rotationLeft(node);
  if (const std::string_view type = node.attribute("spiType").value(); type != "clothoid")
    spiral.spiralType = type;
  spiral.length = numberAttribute(node, "length");
  spiral.startRadius = std::abs(numberAttribute(node, "radiusStart"));
  spiral.endRadius = std::abs(numberAttribute(node, "radiusEnd"));
  if (!(spiral.length > 0.0) || spiral.startRadius == 0.0 || spiral.endRadius == 0.0)
    throw ReadError("Spiral: length and radii must be positive");
  const double side = spiral.turnsLeft ? 1.0 : -1.0;
  spiral.startCurvature = std::isinf(spiral.startRadius) ? 0.0 : side / spiral.startRadius;
  spiral.endCurvature = std::isinf(spiral.endRadius) ? 0.0 : side / spiral.endRadius;
  if (std::abs(spiral.startCurvature + spiral.endCurvature) / 2.0 * spiral.length > 2.0 * std::numbers::pi)
    throw ReadError("Spiral: winds round more than a full turn");
  spiral.startDirection = direction(spiral.start, spiral.tangentIntersection);
  PlanPoint computedEnd;
  spiral.evaluate(spiral.length, computedEnd, spiral.endDirection);
  return spiral;
}

// One site as read, before it joins the document.
struct ReadSite {
  std::string name;
  std::vector<Alignment> alignments;
};

Alignment readAlignment(pugi::xml_node node) {
  Alignment alignment;
  if (!node.attribute("name")) throw ReadError("Alignment without a name");
  alignment.name = node.attribute("name").value();
  alignment.description = node.attribute("desc").value();
  alignment.startingStation = numberAttribute(node, "staStart");
  for (auto part : node.children()) {
    if (localName(part) == "CoordGeom") {
      for (auto element : part.children()) {
        const auto kind = localName(element);
        if (kind == "Line") alignment.entities.push_back(readLine(element));
        else if (kind == "Curve") alignment.entities.push_back(readCurve(element));
        else if (kind == "Spiral") alignment.entities.push_back(readSpiral(element));
      }
    } else if (localName(part) == "Feature" &&
               std::string_view(part.attribute("code").value()) == kModelFeature) {
      for (auto property : part.children()) {
        const std::string_view label = property.attribute("label").value();
        const std::string value = property.attribute("value").value();
        if (label == "layer") alignment.layer = value;
        else if (label == "style") alignment.style = value;
        else if (label == "labelStyle") alignment.labelStyle = value;
      }
    }
  }
  return alignment;
}

// The points of a CgPoints element and of the CgPoints nested in it, in document order. The
// nesting is walked with a stack of its own, not by recursion: a file may nest thousands deep.
void readPoints(pugi::xml_node node, std::vector<CogoPoint>& points) {
  std::vector<pugi::xml_node> next{node.first_child()};  // per open level: its next child
  while (!next.empty()) {
    const pugi::xml_node element = next.back();
    if (!element) {
      next.pop_back();
      continue;
    }
    next.back() = element.next_sibling();
    if (localName(element) == "CgPoints") {
      next.push_back(element.first_child());
    } else if (localName(element) == "CgPoint") {
      CogoPoint point;
      point.name = element.attribute("name").value();
      const std::string_view number = element.attribute("oID").value();
      if (!number.empty()) {
        const auto parsed = std::from_chars(number.data(), number.data() + number.size(), point.number);
        if (parsed.ec != std::errc() || parsed.ptr != number.data() + number.size())
          throw ReadError("CgPoint oID: \"" + std::string(number) + "\" is not a point number");
      }
      std::istringstream words(element.text().get());
      std::string north, east, up;
      if (!(words >> north >> east)) throw ReadError("CgPoint " + point.name + ": expected coordinates");
      point.y = parseNumber(north, "CgPoint");
      point.x = parseNumber(east, "CgPoint");
      if (words >> up) point.z = parseNumber(up, "CgPoint");
      points.push_back(point);
    }
  }
}

std::string presentTime(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

void writeLandXml(const CivilDocument& document, std::ostream& out, const std::string& date,
                  const std::string& time, const CogoPointSource* more,
                  const ParcelSource* parcels) {
  pugi::xml_document xml;
  auto declaration = xml.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  auto root = xml.append_child("LandXML");
  root.append_attribute("xmlns").set_value(kNamespace);
  root.append_attribute("version").set_value("1.2");
  root.append_attribute("date").set_value(date.c_str());
  root.append_attribute("time").set_value(time.c_str());
  auto metric = root.append_child("Units").append_child("Metric");
  metric.append_attribute("areaUnit").set_value("squareMeter");
  metric.append_attribute("linearUnit").set_value("meter");
  metric.append_attribute("volumeUnit").set_value("cubicMeter");
  metric.append_attribute("temperatureUnit").set_value("celsius");
  metric.append_attribute("pressureUnit").set_value("milliBars");
  metric.append_attribute("angularUnit").set_value("radians");
  metric.append_attribute("directionUnit").set_value("radians");

  // The points are many: the document holds a marker where they go, and they are streamed
  // there one at a time (see below) instead of being held as nodes.
  const bool hasPoints = !document.points().empty() || (more != nullptr && more->size() > 0);
  if (hasPoints) root.append_child("CgPoints").text().set(kPointsMarker);
  if (parcels != nullptr && parcels->size() > 0)
    root.append_child("Parcels").text().set(kParcelsMarker);

  // The schema wants at least one alignment per collection: a site without any is left out.
  for (const auto& site : document.sites()) {
    if (site.alignments.empty()) continue;
    auto collection = root.append_child("Alignments");
    collection.append_attribute("name").set_value(site.name.c_str());
    UniqueNames names;
    int ordinal = 0;
    for (const auto& alignment : site.alignments) {
      ++ordinal;
      auto element = collection.append_child("Alignment");
      element.append_attribute("name").set_value(
          std::string(names.take(alignment.name, "Alignment " + std::to_string(ordinal))).c_str());
      element.append_attribute("desc").set_value(alignment.description.c_str());
      setNumber(element, "staStart", alignment.startingStation);
      setNumber(element, "length", alignment.length());
      if (!alignment.entities.empty()) {
        auto geometry = element.append_child("CoordGeom");
        for (const auto& entity : alignment.entities) writeEntity(geometry, entity);
      }
      // What LandXML has no place for: the drawing layer and the styles.
      auto feature = element.append_child("Feature");
      feature.append_attribute("code").set_value(kModelFeature);
      addProperty(feature, "layer", alignment.layer);
      addProperty(feature, "style", alignment.style);
      addProperty(feature, "labelStyle", alignment.labelStyle);
    }
  }
  std::ostringstream shell;
  xml.save(shell, "  ", kFormat, pugi::encoding_utf8);
  const std::string text = shell.str();
  // The streamed parts go where their markers are, points before lots.
  std::size_t from = 0;
  for (const auto& [name, marker] :
       {std::pair{"CgPoints", kPointsMarker}, std::pair{"Parcels", kParcelsMarker}}) {
    const std::string open = std::string("<") + name + ">";
    const std::string placeholder = open + marker + "</" + name + ">";
    const std::size_t at = text.find(placeholder, from);
    if (at == std::string::npos) continue;
    out.write(text.data() + from, static_cast<std::streamsize>(at - from));
    out << open << "\n";
    if (std::string_view(name) == "CgPoints")
      writeCgPointLines(document.points(), more, out);
    else
      writeParcelLines(*parcels, out);
    out << "  </" << name << ">";
    from = at + placeholder.size();
  }
  out.write(text.data() + from, static_cast<std::streamsize>(text.size() - from));
}

kestrel::io::Result readLandXml(std::string_view text, CivilDocument& document) {
  auto rejected = [](std::string reason) {
    return kestrel::io::failed(kestrel::io::Failure::Content, "",
                               "not a LandXML file we can read: " + std::move(reason));
  };
  pugi::xml_document xml;
  const pugi::xml_parse_result parsed = xml.load_buffer(text.data(), text.size());
  if (!parsed) {
    kestrel::io::Result result = rejected(parsed.description());
    result.offset = parsed.offset > 0 ? static_cast<std::size_t>(parsed.offset) : 0;
    return result;
  }
  const auto root = xml.document_element();
  if (localName(root) != "LandXML") return rejected("the root element is not LandXML");
  std::vector<ReadSite> sites;
  std::vector<CogoPoint> points;
  try {
    for (auto part : root.children()) {
      if (localName(part) == "Alignments") {
        ReadSite site{part.attribute("name").value(), {}};
        for (auto element : part.children())
          if (localName(element) == "Alignment") site.alignments.push_back(readAlignment(element));
        sites.push_back(std::move(site));
      } else if (localName(part) == "CgPoints") {
        readPoints(part, points);
      }
    }
  } catch (const ReadError& error) {
    return rejected(error.text());
  }
  for (auto& read : sites) {
    Site* site = document.findSite(read.name);
    if (site == nullptr) site = &document.addSite(read.name);
    for (auto& alignment : read.alignments) {
      Alignment& added = document.addAlignment(*site, alignment.name);
      added.description = alignment.description;
      added.layer = alignment.layer;
      added.style = alignment.style;
      added.labelStyle = alignment.labelStyle;
      added.startingStation = alignment.startingStation;
      for (const auto& entity : alignment.entities) document.appendEntity(added, entity);
    }
  }
  document.points().insert(document.points().end(), points.begin(), points.end());
  document.setFileStamp(root.attribute("date").value(), root.attribute("time").value());
  return {};
}

namespace {

// An output stream over a file, so a large document goes to disk as it is written.
class SinkStream : private std::streambuf {
 public:
  explicit SinkStream(kestrel::io::ByteSink& sink) : out(this), sink_(sink) { setp(buffer_, buffer_ + sizeof buffer_); }
  std::ostream out;
  // Writes what is buffered; false when the sink refused something.
  bool finish() { return flushBuffer() && good_; }

 private:
  bool flushBuffer() {
    const std::size_t length = static_cast<std::size_t>(pptr() - pbase());
    if (length > 0 && !sink_.write(std::string_view(pbase(), length))) good_ = false;
    setp(buffer_, buffer_ + sizeof buffer_);
    return good_;
  }
  int_type overflow(int_type c) override {
    if (!flushBuffer()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return flushBuffer() ? 0 : -1; }

  kestrel::io::ByteSink& sink_;
  char buffer_[1 << 16];
  bool good_ = true;
};

}  // namespace

kestrel::io::Result saveLandXml(const CivilDocument& document, const std::string& path,
                                const CogoPointSource* more, const ParcelSource* parcels) {
  const bool stamped = !document.fileDate().empty() && !document.fileTime().empty();
  kestrel::io::AtomicFile file(path);
  if (!file.status()) return file.status();
  SinkStream stream(file);
  writeLandXml(document, stream.out, stamped ? document.fileDate() : presentTime("%Y-%m-%d"),
               stamped ? document.fileTime() : presentTime("%H:%M:%S"), more, parcels);
  if (!stream.finish()) return file.status();
  return file.commit();
}

kestrel::io::Result openLandXml(const std::string& path, CivilDocument& document) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return kestrel::io::failed(kestrel::io::Failure::Open, path, "cannot be opened");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  kestrel::io::Result result = readLandXml(bytes.str(), document);
  if (!result) result.file = path;
  return result;
}

}  // namespace ovcivil
