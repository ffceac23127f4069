// DXF as groups, knowing nothing of sections or entities: a group is a code line and a value line;
// groups are read one at a time from text and written, buffered, to a sink.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/atomic_file.h"

class OvDbRawEntity;

// One group kept as read (code and value text).
struct DxfGroup {
  int code = 0;
  std::string value;
};
using DxfGroups = std::vector<DxfGroup>;

// One group as read, its value a view into the text being read.
struct DxfGroupView {
  int code = 0;
  std::string_view value;
};

// Reads groups one by one from DXF text, with one group of lookahead; keeps no list of them.
class DxfGroupCursor {
 public:
  explicit DxfGroupCursor(std::string_view text) : text_(text) {}

  // The next group, consumed; false at the end of the text or on a malformed group (see failed()).
  bool next(DxfGroupView& group);
  // The next group, left for next().
  bool peek(DxfGroupView& group);
  // True when the next group is "0 <value>".
  bool nextIs(std::string_view value);
  // True when the next group starts an item (code 0) or there is none.
  bool atItemEnd();
  // Line of the code of the group last returned.
  std::size_t line() const { return groupLine_; }
  bool failed() const { return !error_.empty(); }
  // What was malformed, and on which line.
  const std::string& error() const { return error_; }
  std::size_t errorLine() const { return errorLine_; }

 private:
  bool nextLine(std::string_view& lineText);
  bool readGroup(DxfGroupView& group);

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 0;
  std::size_t groupLine_ = 0;
  std::size_t errorLine_ = 0;
  DxfGroupView pending_;
  bool hasPending_ = false;
  std::string error_;
};

// Buffers groups and hands them to a sink a megabyte at a time; stops writing after the sink
// refuses.
class DxfGroupWriter {
 public:
  explicit DxfGroupWriter(kestrel::io::ByteSink& sink);
  // Text known at compile time (code lines, fixed values), copied in without a length scan.
  template <std::size_t N>
  void literal(const char (&text)[N]) {
    room(N - 1);
    std::memcpy(put_, text, N - 1);
    put_ += N - 1;
  }
  // A value known to be safe (ASCII names, values read from a file line).
  void verbatim(int code, std::string_view value);
  // A value from the drawing's users: made safe on the way (dxfSafeText).
  void text(int code, std::string_view value);
  // A real that reads back to the same double (0 for a value that is not finite).
  void real(int code, double value);
  void integer(int code, long long value);
  // A handle in upper-case hex.
  void handle(int code, std::uint64_t value);
  // Text already laid out as groups (or as the code lines of the value lines below).
  void raw(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(end_ - put_)) return appendLong(text);
    std::memcpy(put_, text.data(), text.size());
    put_ += text.size();
  }
  // A value line alone, after its code line laid out with raw(): as real(), integer(), handle()
  // and text() write their values.
  void realLine(double value);
  void integerLine(long long value);
  void handleLine(std::uint64_t value);
  void textLine(std::string_view value);
  void groups(const DxfGroups& list);
  // Hands the buffer to the sink when it is full.
  void maybeFlush();
  // Hands everything buffered to the sink; false once the sink refused anything.
  bool flush();
  bool failed() const { return failed_; }

 private:
  void code(int groupCode);
  // Makes room for `bytes` more (at most kRoom): the buffer goes to the sink when it lacks it.
  void room(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - put_) < bytes) hand();
  }
  void hand();
  // Appends text that does not fit the room left.
  void appendLong(std::string_view text);
  void append(std::string_view text) { raw(text); }

  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  kestrel::io::ByteSink& sink_;
  std::unique_ptr<char[]> buffer_;
  char* put_;
  char* end_;
  std::string scratch_;
  bool failed_ = false;
};

// Appends one group the way the writer lays groups out: the code right-aligned in three columns.
void appendDxfGroup(std::string& out, int code, std::string_view value);
// The groups of text laid out that way.
std::vector<DxfGroupView> parseDxfGroups(std::string_view text);
// The groups of an entity kept from a base drawing.
DxfGroups dxfGroupsOf(const OvDbRawEntity& entity);

// A handle as DXF writes it (upper-case hex), and back; nullopt for text that is not one.
std::string dxfHandleText(std::uint64_t handle);
std::optional<std::uint64_t> parseDxfHandle(std::string_view text);
