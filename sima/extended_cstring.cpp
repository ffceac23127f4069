// The SIMA field splitter.
//
// Fields are cut at every separator and kept as written (no trimming). A field whose first
// character after blanks is a double quote is a quoted field: it runs to the next double quote
// that is not doubled, a doubled quote inside stands for one, and separators inside belong to
// it. After a quoted field that opens the rest of the line directly, the one character after
// the closing quote is dropped (the separator, when it follows directly) and splitting goes on
// from there: so a quoted field that ends the line is followed by an empty last field, and text
// between a closing quote and the next separator forms fields of its own. After a quoted field
// with blanks before it, the text up to the next separator is dropped. Malformed quoting is
// taken as written: a quote that does not open a field stays in it, and a field whose quote
// never closes is the text up to the next separator, quote included.
#include "sima/extended_cstring.h"

#include <cstring>

namespace kestrel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view trimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool opensQuote(std::string_view text) {
  for (char c : text) {
    if (c == '"') return true;
    if (!isBlank(c)) return false;
  }
  return false;
}

// Reads the quoted field at the start of `text` (its first character is the opening quote) into
// `out`. Returns the offset just past the closing quote, or npos when the quote never closes.
std::size_t readQuoted(std::string_view text, std::string& out) {
  out.clear();
  std::size_t from = 1;
  for (;;) {
    const std::size_t quote = text.find('"', from);
    if (quote == std::string_view::npos) return std::string_view::npos;
    out.append(text.substr(from, quote - from));
    if (quote + 1 < text.size() && text[quote + 1] == '"') {
      out.push_back('"');
      from = quote + 2;
      continue;
    }
    return quote + 1;
  }
}

// Hands out the caller's strings one by one, so that their buffers are reused line after line.
class FieldSink {
 public:
  explicit FieldSink(std::vector<std::string>& fields) : fields_(fields) {}
  std::string& next() {
    if (count_ == fields_.size()) fields_.emplace_back();
    return fields_[count_++];
  }
  int finish() {
    fields_.resize(count_);
    return static_cast<int>(count_);
  }

 private:
  std::vector<std::string>& fields_;
  std::size_t count_ = 0;
};

// A field cut at its separator (or the last field): quoted when it opens a quote.
void assignField(std::string_view text, std::string& out) {
  if (opensQuote(text) && readQuoted(trimBlanks(text), out) != std::string_view::npos) return;
  out.assign(text);
}

int splitUnquoted(std::string_view line, char separator, FieldSink& sink) {
  std::size_t start = 0;
  forEachSeparator(line, separator, [&](std::size_t at) {
    sink.next().assign(line.data() + start, line.data() + at);
    start = at + 1;
    return true;
  });
  sink.next().assign(line.data() + start, line.data() + line.size());
  return sink.finish();
}

}  // namespace

std::string_view ExtendedCString::Field(std::string_view line, char separator, std::size_t index,
                                        std::string& scratch) {
  if (line.find('"') != std::string_view::npos) {
    // Quoting decides where fields end: the whole line is cut.
    thread_local std::vector<std::string> fields;
    Split(line, separator, fields);
    if (index >= fields.size()) return {};
    scratch = fields[index];
    return scratch;
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    const std::size_t cut = line.find(separator, start);
    if (cut == std::string_view::npos) return {};
    start = cut + 1;
  }
  const std::size_t cut = line.find(separator, start);
  return line.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start);
}

int ExtendedCString::Split(char separator, std::vector<std::string>& fields) const {
  return Split(text_, separator, fields);
}

int ExtendedCString::Split(std::string_view line, char separator,
                           std::vector<std::string>& fields) {
  FieldSink sink(fields);
  if (line.find('"') == std::string_view::npos) return splitUnquoted(line, separator, sink);

  std::string_view rest = line;
  for (;;) {
    const std::size_t cut = rest.find(separator);
    if (cut == std::string_view::npos) break;
    if (opensQuote(rest)) {
      // A quote that opens the rest is read from the rest trimmed at both ends; one after blanks
      // from the quote on (the line's end belongs to later fields).
      const bool direct = rest.front() == '"';
      const std::string_view quoted = direct ? trimBlanks(rest) : rest.substr(rest.find('"'));
      std::string& field = sink.next();
      const std::size_t after = readQuoted(quoted, field);
      if (after == std::string_view::npos) {  // never closed: the text up to the separator
        field.assign(rest.substr(0, cut));
        rest.remove_prefix(cut + 1);
        continue;
      }
      rest = quoted.substr(after);
      if (direct) {  // one character dropped, the separator when it follows directly
        if (!rest.empty()) rest.remove_prefix(1);
        continue;
      }
      // Blanks before the quote: dropped up to the next separator; with none left, an empty
      // last field ends the line.
      const std::size_t next = rest.find(separator);
      rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
      continue;
    }
    assignField(rest.substr(0, cut), sink.next());
    rest.remove_prefix(cut + 1);
  }
  assignField(rest, sink.next());
  return sink.finish();
}

}  // namespace kestrel
