#include "gis/geojson_stream.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "io/number_text.h"

namespace kestrel::gis {

namespace {
constexpr std::size_t kFlushAt = 256 << 10;
}  // namespace

class JsonOut {
 public:
  explicit JsonOut(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) error_ = std::strerror(errno);
    text_.reserve(kFlushAt + 4096);
  }
  ~JsonOut() {
    if (file_ != nullptr) std::fclose(file_);
  }
  JsonOut(const JsonOut&) = delete;
  JsonOut& operator=(const JsonOut&) = delete;

  void raw(std::string_view text) { text_.append(text); }

  // A number as it reads back exactly; JSON has no infinity or NaN, so those are null.
  void number(double value) {
    if (!std::isfinite(value)) {
      text_.append("null");
      return;
    }
    char buffer[40];
    text_.append(buffer, io::writeRoundTripNumber(buffer, buffer + sizeof buffer, value));
  }

  void integer(long long value) {
    char buffer[24];
    text_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
  }

  // A JSON string: quotes, backslashes and control characters escaped, the rest as it is (UTF-8).
  // Runs of characters that need no escape are copied whole.
  void string(std::string_view text) {
    text_.push_back('"');
    std::size_t copied = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
      const char c = text[at];
      const auto byte = static_cast<unsigned char>(c);
      if (c != '"' && c != '\\' && byte >= 0x20) continue;
      text_.append(text.substr(copied, at - copied));
      copied = at + 1;
      if (byte >= 0x20) {
        text_.push_back('\\');
        text_.push_back(c);
      } else {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
        text_.append(buffer);
      }
    }
    text_.append(text.substr(copied));
    text_.push_back('"');
  }

  // Hands what is gathered to the file once there is enough of it.
  void flushSometimes() {
    if (text_.size() >= kFlushAt) flush();
  }

  // Writes the rest and closes the file; false with the reason when anything failed.
  bool finish(std::string& error) {
    flush();
    if (file_ != nullptr && std::fclose(file_) != 0 && error_.empty()) error_ = std::strerror(errno);
    file_ = nullptr;
    error = error_;
    return error_.empty();
  }

 private:
  void flush() {
    if (file_ != nullptr && !text_.empty() &&
        std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size() && error_.empty())
      error_ = std::strerror(errno);
    text_.clear();
  }

  std::FILE* file_;
  std::string text_;
  std::string error_;
};

namespace {

void position(JsonOut& out, const Layer& layer, std::uint32_t at, bool hasZ) {
  out.raw("[");
  out.number(layer.x[at]);
  out.raw(",");
  out.number(layer.y[at]);
  if (hasZ) {
    out.raw(",");
    out.number(layer.z[at]);
  }
  out.raw("]");
}

void positions(JsonOut& out, const Layer& layer, const Part& part, bool hasZ) {
  out.raw("[");
  for (std::uint32_t i = 0; i < part.count; ++i) {
    if (i > 0) out.raw(",");
    position(out, layer, part.first + i, hasZ);
  }
  out.raw("]");
}

void geometry(JsonOut& out, const Layer& layer, std::size_t feature) {
  const std::uint32_t first = layer.firstPart[feature];
  if (first == layer.firstPart[feature + 1]) {
    out.raw("null");
    return;
  }
  const Part& part = layer.parts[first];
  const bool hasZ = layer.spec->hasZ;
  switch (layer.spec->shape) {
    case Shape::Point:
      out.raw("{\"type\":\"Point\",\"coordinates\":");
      position(out, layer, part.first, hasZ);
      break;
    case Shape::Polygon:
      out.raw("{\"type\":\"Polygon\",\"coordinates\":[");
      positions(out, layer, part, hasZ);
      out.raw("]");
      break;
    case Shape::LineString:
    case Shape::Alignment:  // gathered without curves: one line string
      out.raw("{\"type\":\"LineString\",\"coordinates\":");
      positions(out, layer, part, hasZ);
      break;
  }
  out.raw("}");
}

void properties(JsonOut& out, const Layer& layer, std::size_t feature) {
  const auto& fields = layer.spec->fields;
  out.raw("{");
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.raw(",");
    out.string(fields[i].name);
    out.raw(":");
    const Value& value = layer.value(feature, i);
    if (const auto* integer = std::get_if<std::int64_t>(&value))
      out.integer(*integer);
    else if (const auto* real = std::get_if<double>(&value))
      out.number(*real);
    else if (const auto* text = std::get_if<std::string_view>(&value))
      out.string(*text);
    else
      out.raw("null");
  }
  out.raw("}");
}

}  // namespace

GeoJsonFile::GeoJsonFile(const std::string& path, const LayerSpec& spec, const std::string& crsName)
    : out_(std::make_unique<JsonOut>(path)) {
  JsonOut& out = *out_;
  out.raw("{\n\"type\": \"FeatureCollection\",\n\"name\": ");
  out.string(spec.name);
  if (!crsName.empty()) {
    out.raw(",\n\"crs\": {\"type\": \"name\", \"properties\": {\"name\": ");
    out.string(crsName);
    out.raw("}}");
  }
  out.raw(",\n\"features\": [\n");
}

GeoJsonFile::~GeoJsonFile() = default;

void GeoJsonFile::add(const Layer& batch) {
  JsonOut& out = *out_;
  for (std::size_t i = 0; i < batch.featureCount(); ++i) {
    out.raw(first_ ? "{\"type\":\"Feature\",\"properties\":" : ",\n{\"type\":\"Feature\",\"properties\":");
    first_ = false;
    properties(out, batch, i);
    out.raw(",\"geometry\":");
    geometry(out, batch, i);
    out.raw("}");
    out.flushSometimes();
  }
}

bool GeoJsonFile::finish(std::string& error) {
  out_->raw("\n]\n}\n");
  return out_->finish(error);
}

}  // namespace kestrel::gis
