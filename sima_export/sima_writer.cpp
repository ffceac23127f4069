#include "sima_export/sima_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <unordered_map>

namespace kestrel::sima_export {

namespace {

// The version the G00 line names, as the survey software we exchange with writes it.
constexpr const char* kVersion = "03";
// The C01 division field: the arc is given by its radius alone.
constexpr const char* kArcDivision = "0";
// The F00 group number: every route of ours is in one group.
constexpr const char* kRouteGroup = "1";
constexpr std::size_t kFlushBytes = 1 << 20;

bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// "U+00E9", or the bytes in hex when the text is not one UTF-8 character.
std::string codePointText(std::string_view character) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(character.data());
  const std::size_t length = io::utf8SequenceLength(character, 0);
  char text[16];
  if (length == 0 || length != character.size()) {
    std::snprintf(text, sizeof text, "byte 0x%02X", bytes[0]);
    return text;
  }
  uint32_t code = length == 1 ? bytes[0] : bytes[0] & (0xFFu >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) code = code << 6 | (bytes[k] & 0x3Fu);
  std::snprintf(text, sizeof text, "U+%04X", code);
  return text;
}

std::string encodingName(io::Encoding encoding) {
  return encoding == io::Encoding::Cp932 ? "CP932" : "UTF-8";
}

class Writer {
 public:
  Writer(const WriteOptions& options, io::ByteSink& sink, WriteSummary& summary)
      : options_(options), sink_(sink), summary_(summary) {}

  // Line building: the record code, then fields, each followed by the separator.
  void begin(const char* code) {
    line_.assign(code);
    line_ += ',';
    control_.clear();
    notFinite_ = false;
  }
  void field(std::string_view text) {
    line_ += text;
    line_ += ',';
  }
  void number(double value) {
    notFinite_ = notFinite_ || !std::isfinite(value);
    field(numberText(value, options_.decimals));
  }
  void integer(int64_t value) {
    char text[24];
    field(std::string_view(
        text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text)));
  }
  // A text field: quoted when it holds the separator or a double quote (doubled inside), so that
  // a reader takes it whole; a line break or another control character cannot be in a line.
  void text(std::string_view value) {
    const bool quoted = value.find_first_of(",\"") != std::string_view::npos;
    if (quoted) line_ += '"';
    for (char c : value) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
        if (control_.empty()) control_.assign(1, c);
        ++controls_;
        line_ += '?';
        continue;
      }
      if (c == '"') line_ += '"';
      line_ += c;
    }
    if (quoted) line_ += '"';
    line_ += ',';
  }

  // Ends the line; `what` names the record for a refusal.
  bool end(const std::function<std::string()>& what) {
    ++summary_.lines;
    if (notFinite_) return fail(what() + ": a value that is not a finite number");
    if (!control_.empty()) {
      if (!options_.replaceUnmappable)
        return fail(what() + ": a text holds " + codePointText(control_) +
                    ", which a SIMA line cannot hold");
      summary_.replaced += controls_;
    }
    controls_ = 0;
    if (options_.encoding == io::Encoding::Utf8 || isAscii(line_)) {
      out_ += line_;
    } else {
      io::Unmappable unmappable;
      out_ += io::encode(line_, options_.encoding, &unmappable);
      if (unmappable.count > 0) {
        if (!options_.replaceUnmappable)
          return fail(what() + ": \"" + unmappable.first + "\" (" +
                      codePointText(unmappable.first) + ") cannot be written in " +
                      encodingName(options_.encoding));
        summary_.replaced += unmappable.count;
      }
    }
    out_ += "\r\n";
    if (out_.size() >= kFlushBytes) return flush();
    return true;
  }

  bool flush() {
    if (!out_.empty() && !sink_.write(out_)) {
      result_ = io::failed(io::Failure::Write, {}, sink_.errorText());
      return false;
    }
    out_.clear();
    return true;
  }

  io::Result result() const { return result_; }

 private:
  bool fail(const std::string& description) {
    result_ = io::failed(io::Failure::Content, {}, description, summary_.lines);
    return false;
  }

  const WriteOptions& options_;
  io::ByteSink& sink_;
  WriteSummary& summary_;
  std::string line_;
  std::string out_;
  std::string control_;
  std::size_t controls_ = 0;
  bool notFinite_ = false;
  io::Result result_;
};

// A name in a one-line message: control characters shown as "?".
std::string quotedName(std::string name) {
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return "\"" + name + "\"";
}

}  // namespace

std::string numberText(double value, std::optional<int> decimals) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char text[400];                 // the longest fixed-point double, 309 digits and the fraction
  const auto written =
      decimals ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, *decimals)
               : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
  std::string out(text, written.ec == std::errc() ? written.ptr : text);
  // Rounding may leave a negative zero ("-0.000"): written without its sign.
  if (!out.empty() && out[0] == '-' && out.find_first_of("123456789") == std::string::npos)
    out.erase(0, 1);
  return out;
}

io::Result writeSima(const SimaData& data, const WriteOptions& options, io::ByteSink& sink,
                     WriteSummary& summary) {
  summary = WriteSummary{};
  Writer w(options, sink, summary);
  std::unordered_map<int32_t, const Point*> pointByNumber;
  pointByNumber.reserve(data.points.size());
  for (const Point& point : data.points) pointByNumber.emplace(point.number, &point);
  auto nameOf = [&](int32_t number) -> const std::string& {
    static const std::string none;
    const auto found = pointByNumber.find(number);
    return found == pointByNumber.end() ? none : found->second->name;
  };
  const auto title = [] { return std::string("the title"); };

  w.begin("G00");
  w.field(kVersion);
  w.text(data.title);
  if (!w.end(title)) return w.result();
  w.begin("Z00");
  w.text(data.title);
  if (!w.end(title)) return w.result();

  if (!data.points.empty()) {
    w.begin("A00");
    if (!w.end([] { return std::string("A00"); })) return w.result();
    for (const Point& point : data.points) {
      w.begin("A01");
      w.integer(point.number);
      w.text(point.name);
      w.number(point.north);
      w.number(point.east);
      if (point.elevation)
        w.number(*point.elevation);
      else
        w.field("");
      if (!w.end([&] {
            return "A01 of point " + std::to_string(point.number) + " " + quotedName(point.name);
          }))
        return w.result();
    }
    w.begin("A99");
    if (!w.end([] { return std::string("A99"); })) return w.result();
  }

  for (const Lot& lot : data.lots) {
    const auto what = [&](const char* code) {
      return [&lot, code] {
        return std::string(code) + " of lot " + std::to_string(lot.number) + " " +
               quotedName(lot.name);
      };
    };
    w.begin("D00");
    w.integer(lot.number);
    w.text(lot.name);
    w.field(lot.closed ? "1" : "2");
    if (!w.end(what("D00"))) return w.result();
    for (int32_t vertex : lot.vertices) {
      w.begin("B01");
      w.integer(vertex);
      w.text(nameOf(vertex));
      if (!w.end(what("B01"))) return w.result();
    }
    w.begin("D99");
    if (!w.end(what("D99"))) return w.result();
  }

  for (const Route& route : data.routes) {
    const auto what = [&](const char* code) {
      return [&route, code] {
        return std::string(code) + " of route " + std::to_string(route.number) + " " +
               quotedName(route.name);
      };
    };
    w.begin("F00");
    w.integer(route.number);
    w.field(kRouteGroup);
    w.text(route.name);
    w.integer(route.type);
    if (!w.end(what("F00"))) return w.result();
    w.begin("F03");
    w.number(route.startStation);
    if (!w.end(what("F03"))) return w.result();
    for (const RoutePoint& point : route.points) {
      w.begin("B01");
      w.integer(point.point);
      w.text(nameOf(point.point));
      if (!w.end(what("B01"))) return w.result();
      w.begin("B03");
      w.number(point.station);
      if (!w.end(what("B03"))) return w.result();
      if (point.curve == Curve::Arc) {
        w.begin("C01");
        w.field(kArcDivision);
        w.number(point.radius);
        if (!w.end(what("C01"))) return w.result();
      } else if (point.curve == Curve::Clothoid) {
        w.begin("C02");
        w.number(point.parameter);
        w.number(point.startRadius);
        w.number(point.endRadius);
        if (!w.end(what("C02"))) return w.result();
      }
    }
    w.begin("F99");
    if (!w.end(what("F99"))) return w.result();
  }

  w.begin("Z00");
  if (!w.end([] { return std::string("Z00"); })) return w.result();
  if (!w.flush()) return w.result();
  return {};
}

io::Result writeSimaFile(const std::string& path, const SimaData& data, const WriteOptions& options,
                         WriteSummary& summary) {
  io::AtomicFile file(path);
  if (!file.status()) return file.status();
  io::Result written = writeSima(data, options, file, summary);
  if (!written) {
    written.file = path;
    return written;
  }
  return file.commit();
}

}  // namespace kestrel::sima_export
