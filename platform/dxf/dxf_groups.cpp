#include "platform/dxf/dxf_groups.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "io/number_text.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_text.h"

namespace {

constexpr std::size_t kFlushBytes = std::size_t{1} << 20;

// The code lines of every group code below 1072 ("  0\n", " 10\n", "1071\n"), made once.
struct CodeTable {
  static constexpr int kSize = 1072;
  struct Line {
    char text[8];
    std::size_t length;
  };
  CodeTable() {
    for (int code = 0; code < kSize; ++code) {
      auto& line = lines[static_cast<std::size_t>(code)];
      line.length =
          static_cast<std::size_t>(std::snprintf(line.text, sizeof line.text, "%3d\n", code));
    }
  }
  std::array<Line, kSize> lines{};
};

// Upper-case hex digits of a handle into `digits` (at least 17 bytes); the end of the text.
char* writeHandle(char* digits, std::uint64_t value) {
  const auto result = std::to_chars(digits, digits + 17, value, 16);
  for (char* c = digits; c != result.ptr; ++c) {
    if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
  }
  return result.ptr;
}

}  // namespace

// ---- reading ----

bool DxfGroupCursor::next(DxfGroupView& group) {
  if (!peek(group)) return false;
  hasPending_ = false;
  return true;
}

bool DxfGroupCursor::peek(DxfGroupView& group) {
  if (!hasPending_ && !readGroup(pending_)) return false;
  hasPending_ = true;
  group = pending_;
  return true;
}

bool DxfGroupCursor::nextIs(std::string_view value) {
  DxfGroupView group;
  return peek(group) && group.code == 0 && group.value == value;
}

bool DxfGroupCursor::atItemEnd() {
  DxfGroupView group;
  return !peek(group) || group.code == 0;
}

bool DxfGroupCursor::nextLine(std::string_view& lineText) {
  if (at_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', at_);
  if (end == std::string_view::npos) end = text_.size();
  lineText = text_.substr(at_, end - at_);
  if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
  at_ = end + 1;
  ++line_;
  return true;
}

bool DxfGroupCursor::readGroup(DxfGroupView& group) {
  if (failed()) return false;
  std::string_view codeText;
  if (!nextLine(codeText)) return false;
  const std::string_view code = trimDxfText(codeText);
  if (code.empty() && at_ >= text_.size()) return false;  // a final blank line
  const auto result = std::from_chars(code.data(), code.data() + code.size(), group.code);
  if (code.empty() || result.ec != std::errc() || result.ptr != code.data() + code.size()) {
    errorLine_ = line_;
    error_ = "a group code was expected, found \"" + dxfSafeText(code, 40) + "\"";
    return false;
  }
  groupLine_ = line_;
  if (!nextLine(group.value)) {
    errorLine_ = groupLine_;
    error_ = "the file ends inside a group";
    return false;
  }
  return true;
}

std::vector<DxfGroupView> parseDxfGroups(std::string_view text) {
  std::vector<DxfGroupView> groups;
  DxfGroupCursor cursor(text);
  DxfGroupView group;
  while (cursor.next(group)) groups.push_back(group);
  return groups;
}

DxfGroups dxfGroupsOf(const OvDbRawEntity& entity) {
  DxfGroups groups;
  for (const DxfGroupView& group : parseDxfGroups(entity.fileText))
    groups.push_back(DxfGroup{group.code, std::string(group.value)});
  return groups;
}

std::string dxfHandleText(std::uint64_t handle) {
  char digits[20];
  return std::string(digits, writeHandle(digits, handle));
}

std::optional<std::uint64_t> parseDxfHandle(std::string_view text) {
  text = trimDxfText(text);
  std::uint64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
    return std::nullopt;
  return value;
}

// ---- writing ----

void appendDxfGroup(std::string& out, int code, std::string_view value) {
  char digits[12];
  const auto result = std::to_chars(digits, digits + sizeof digits, code);
  const auto length = static_cast<std::size_t>(result.ptr - digits);
  if (length < 3) out.append(3 - length, ' ');
  out.append(digits, length);
  out.push_back('\n');
  out.append(value);
  out.push_back('\n');
}

DxfGroupWriter::DxfGroupWriter(kestrel::io::ByteSink& sink) : sink_(sink) {
  buffer_.reserve(kFlushBytes + 4096);
}

void DxfGroupWriter::code(int groupCode) {
  // Codes right-aligned in three columns, as CAD programs write them; the usual ones from a table.
  static const CodeTable table;
  if (groupCode >= 0 && groupCode < CodeTable::kSize) {
    const auto& entry = table.lines[static_cast<std::size_t>(groupCode)];
    buffer_.append(entry.text, entry.length);
    return;
  }
  char digits[12];
  const auto result = std::to_chars(digits, digits + sizeof digits, groupCode);
  const auto length = static_cast<std::size_t>(result.ptr - digits);
  if (length < 3) buffer_.append(3 - length, ' ');
  buffer_.append(digits, length);
  buffer_.push_back('\n');
}

void DxfGroupWriter::verbatim(int groupCode, std::string_view value) {
  code(groupCode);
  buffer_.append(value);
  buffer_.push_back('\n');
  maybeFlush();
}

void DxfGroupWriter::text(int groupCode, std::string_view value) {
  code(groupCode);
  textLine(value);
  maybeFlush();
}

void DxfGroupWriter::textLine(std::string_view value) {
  appendDxfSafeText(buffer_, value);
  buffer_.push_back('\n');
}

void DxfGroupWriter::real(int groupCode, double value) {
  code(groupCode);
  realLine(value);
}

void DxfGroupWriter::realLine(double value) {
  if (!std::isfinite(value)) value = 0.0;
  char digits[33];
  // Text that reads back to the same double.
  char* last = kestrel::io::writeRoundTripNumber(digits, digits + 32, value);
  *last++ = '\n';
  buffer_.append(digits, static_cast<std::size_t>(last - digits));
}

void DxfGroupWriter::integer(int groupCode, long long value) {
  code(groupCode);
  integerLine(value);
}

void DxfGroupWriter::integerLine(long long value) {
  char digits[24];
  char* last = std::to_chars(digits, digits + 23, value).ptr;
  *last++ = '\n';
  buffer_.append(digits, static_cast<std::size_t>(last - digits));
}

void DxfGroupWriter::handle(int groupCode, std::uint64_t value) {
  code(groupCode);
  handleLine(value);
}

void DxfGroupWriter::handleLine(std::uint64_t value) {
  char digits[20];
  char* last = writeHandle(digits, value);
  *last++ = '\n';
  buffer_.append(digits, static_cast<std::size_t>(last - digits));
}

void DxfGroupWriter::raw(std::string_view text) {
  buffer_.append(text);
  maybeFlush();
}

void DxfGroupWriter::groups(const DxfGroups& list) {
  for (const auto& group : list) verbatim(group.code, group.value);
}

void DxfGroupWriter::maybeFlush() {
  if (buffer_.size() >= kFlushBytes) flush();
}

bool DxfGroupWriter::flush() {
  if (!failed_ && !buffer_.empty() && !sink_.write(buffer_)) failed_ = true;
  buffer_.clear();
  return !failed_;
}
