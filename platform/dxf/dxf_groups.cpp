#include "platform/dxf/dxf_groups.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "io/number_text.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_text.h"

namespace {

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
  static constexpr char kHex[] = "0123456789ABCDEF";
  int length = 1;
  while (length < 16 && (value >> (4 * length)) != 0) ++length;
  for (int i = length - 1; i >= 0; --i) {
    digits[i] = kHex[value & 0xF];
    value >>= 4;
  }
  return digits + length;
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

DxfGroupWriter::DxfGroupWriter(kestrel::io::ByteSink& sink)
    : sink_(sink),
      buffer_(std::make_unique_for_overwrite<char[]>(kCapacity)),
      put_(buffer_.get()),
      end_(buffer_.get() + kCapacity) {}

void DxfGroupWriter::hand() {
  const std::string_view bytes(buffer_.get(), static_cast<std::size_t>(put_ - buffer_.get()));
  if (!failed_ && !bytes.empty() && !sink_.write(bytes)) failed_ = true;
  put_ = buffer_.get();
}

void DxfGroupWriter::appendLong(std::string_view text) {
  if (text.size() > kCapacity) {
    // Too long for the buffer: what is buffered goes first, then the text itself.
    hand();
    if (!failed_ && !sink_.write(text)) failed_ = true;
    return;
  }
  room(text.size());
  if (!text.empty()) std::memcpy(put_, text.data(), text.size());
  put_ += text.size();
}

void DxfGroupWriter::code(int groupCode) {
  // Codes right-aligned in three columns, as CAD programs write them; the usual ones from a table.
  static const CodeTable table;
  room(16);
  if (groupCode >= 0 && groupCode < CodeTable::kSize) {
    const auto& entry = table.lines[static_cast<std::size_t>(groupCode)];
    std::memcpy(put_, entry.text, 8);
    put_ += entry.length;
    return;
  }
  char digits[12];
  const auto result = std::to_chars(digits, digits + sizeof digits, groupCode);
  const auto length = static_cast<std::size_t>(result.ptr - digits);
  for (std::size_t pad = length; pad < 3; ++pad) *put_++ = ' ';
  std::memcpy(put_, digits, length);
  put_ += length;
  *put_++ = '\n';
}

void DxfGroupWriter::verbatim(int groupCode, std::string_view value) {
  code(groupCode);
  append(value);
  literal("\n");
}

void DxfGroupWriter::text(int groupCode, std::string_view value) {
  code(groupCode);
  textLine(value);
}

void DxfGroupWriter::textLine(std::string_view value) {
  if (value.size() <= kDxfMaxStringBytes && isPlainDxfText(value)) {
    room(value.size() + 1);
    std::memcpy(put_, value.data(), value.size());
    put_ += value.size();
    *put_++ = '\n';
    return;
  }
  scratch_.clear();
  appendDxfSafeText(scratch_, value);
  scratch_.push_back('\n');
  append(scratch_);
}

void DxfGroupWriter::real(int groupCode, double value) {
  code(groupCode);
  realLine(value);
}

void DxfGroupWriter::realLine(double value) {
  if (!std::isfinite(value)) value = 0.0;
  room(34);
  // Text that reads back to the same double.
  put_ = kestrel::io::writeRoundTripNumber(put_, put_ + 32, value);
  *put_++ = '\n';
}

void DxfGroupWriter::integer(int groupCode, long long value) {
  code(groupCode);
  integerLine(value);
}

void DxfGroupWriter::integerLine(long long value) {
  room(24);
  put_ = std::to_chars(put_, put_ + 22, value).ptr;
  *put_++ = '\n';
}

void DxfGroupWriter::handle(int groupCode, std::uint64_t value) {
  code(groupCode);
  handleLine(value);
}

void DxfGroupWriter::handleLine(std::uint64_t value) {
  room(20);
  put_ = writeHandle(put_, value);
  *put_++ = '\n';
}


void DxfGroupWriter::groups(const DxfGroups& list) {
  for (const auto& group : list) verbatim(group.code, group.value);
}

void DxfGroupWriter::maybeFlush() {
  if (static_cast<std::size_t>(put_ - buffer_.get()) >= kCapacity / 2) hand();
}

bool DxfGroupWriter::flush() {
  hand();
  return !failed_;
}
