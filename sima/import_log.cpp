// The import log: error entries, progress lines, and the log file (the checks that write to it are
// in record_checks.cpp).
#include "sima/import_log.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "io/atomic_file.h"
#include "sima/field_kinds.h"

namespace kestrel {
namespace {

using sima::formatLineNumber;

constexpr std::string_view kHeader = "----- VUZI_Zovidazed\xE3\x80\x80Version1.0 -----\n\n";
constexpr std::string_view kBlockTop = "ERROR --------------------------------------------------------";
constexpr std::string_view kBlockBottom =
    "--------------------------------------------------------------";
constexpr std::string_view kIndent = "          ";
constexpr std::string_view kErrorPrefix = "ERROR     ";
constexpr std::string_view kCountCode = "ErrX001";
constexpr int kPointNotFound = 138;

std::string join(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (std::string_view part : parts) out.append(part);
  return out;
}

// "<Number> <rest>", put together in the lines.
void numbered(LogLines& lines, int32_t line, std::string_view rest) {
  char number[12];
  lines.append({formatLineNumber(line, number), " ", rest});
}

// The indented count lines: "          %d<unit>".
void counted(LogLines& lines, int count, std::string_view unit) {
  char digits[12];
  const auto length = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, count).ptr - digits);
  lines.append({kIndent, std::string_view(digits, length), unit});
}

constexpr std::size_t kLogBlock = std::size_t{1} << 16;

}  // namespace

// ---- the lines ----

void LogLines::push_back(std::string_view line) { append({line}); }

void LogLines::append(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  if (blocks_.empty() || blocks_.back().size() + size > blocks_.back().capacity()) {
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kLogBlock, size));
  }
  std::string& block = blocks_.back();
  lines_.append(Line{static_cast<std::uint32_t>(blocks_.size() - 1),
                     static_cast<std::uint32_t>(block.size()), static_cast<std::uint32_t>(size)});
  for (std::string_view part : parts) block.append(part);
}

LogLines::operator std::vector<std::string>() const {
  std::vector<std::string> lines;
  lines.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) lines.emplace_back(view(i));
  return lines;
}

void LogLines::clear() {
  blocks_.clear();
  lines_.clear();
}

// ---- error entries ----

void ImportLog::addCurveInStraightRoute(int32_t line, std::string_view text) {
  if (silent_) return;
  reject(line, text, "ErrF002", 139);
}

void ImportLog::addVerticalOutsideAlignment(int32_t line, std::string_view text) {
  if (silent_) return;
  reject(line, text, kCountCode, 141);
}

void ImportLog::addSectionOutsideAlignment(int32_t line, std::string_view text) {
  if (silent_) return;
  reject(line, text, kCountCode, 153);
}

void ImportLog::addPointNotFound(int32_t line, std::string_view text) {
  if (silent_) return;
  const std::string_view message = msg(kPointNotFound);
  appendBlock(std::string(message), join({formatLineNumber(line), " ", text}));
  errors_.push_back(ErrorEntry{"", kPointNotFound, std::string(message), line, std::string(text)});
}

void ImportLog::appendBlock(const std::string& codeLine, const std::string& referenceLine) {
  errorLines_.emplace_back(kBlockTop);
  errorLines_.push_back(codeLine);
  errorLines_.push_back(referenceLine);
  errorLines_.emplace_back(kBlockBottom);
  ++errorCount_;
}

void ImportLog::addErrorBlock(const std::string& codeLine, const std::string& referenceLine) {
  if (silent_) return;
  appendBlock(codeLine, referenceLine);
  // Only the two lines are known here; the entry keeps them as they are.
  errors_.push_back(ErrorEntry{"", 0, codeLine, 0, referenceLine});
}

int ImportLog::reject(int32_t line, std::string_view text, std::string_view code, int messageId) {
  return rejectText(line, text, code, msg(messageId), messageId);
}

int ImportLog::rejectText(int32_t line, std::string_view text, std::string_view code,
                          std::string_view messageText, int messageId) {
  appendBlock(join({code, " ", messageText}), join({formatLineNumber(line), "行目 ", text}));
  errors_.push_back(ErrorEntry{std::string(code), messageId, std::string(messageText), line,
                               std::string(text)});
  return -1;
}

// ---- progress lines ----

void ImportLog::logVersion(int32_t line, std::string_view version) {
  if (silent_) return;
  progress_.append({formatLineNumber(line), " G01 SIMAのバージョン： ", version, "\n"});
}

void ImportLog::logCoordinateStart(int32_t line) {
  if (silent_) return;
  numbered(progress_, line, "A00 座標データの読み込み開始");
}

void ImportLog::logCoordinateEnd(int32_t line, int withElevation, int without) {
  if (silent_) return;
  numbered(progress_, line, "A99 座標データの読み込み終了");
  counted(progress_, withElevation, "点のポイント");
  counted(progress_, without, "点の2次元ポイント\n");
}

void ImportLog::logLotStart(int32_t line) {
  if (silent_) return;
  numbered(progress_, line, "D00 画地データの読み込み開始");
}

void ImportLog::logLotEnd(int32_t line, bool made, int vertexCount, bool hadTriangleBlock) {
  if (silent_) return;
  numbered(progress_, line, "D99 画地データの読み込み終了");
  if (!made) {
    progress_.append({kErrorPrefix, "画地を作成できませんでした\n"});
    return;
  }
  counted(progress_, vertexCount, "点の構成点");
  if (hadTriangleBlock) progress_.append({kIndent, "三斜データは読み込みません\n"});
}

void ImportLog::logRouteStart(int32_t line) {
  if (silent_) return;
  numbered(progress_, line, "F00 路線データの読み込み開始");
}

void ImportLog::logRouteEnd(int32_t line, bool made, int32_t routeType, int count,
                            std::string_view routeName) {
  if (silent_) return;
  const bool alignment = routeType == 2 || routeType == 3 || routeType == 7;
  numbered(progress_, line, "F99 路線データの読み込み終了");
  if (!made) {
    progress_.append({kErrorPrefix, alignment ? "平面線形を作成できませんでした\n"
                                                      : "ポリラインを作成できませんでした\n"});
    return;
  }
  if (alignment) {
    progress_.append({kIndent, "平面線形”", routeName, "”"});
    counted(progress_, count, "個の線形要素\n");
  } else {
    counted(progress_, count, "点の構成点\n");
  }
}

void ImportLog::logVerticalStart(int32_t line, std::string_view alignmentName) {
  if (silent_) return;
  numbered(progress_, line, "H00 縦断成果データの読み込み開始");
  if (alignmentName.empty())
    progress_.append({kErrorPrefix, "中心線が指定されませんでした"});
  else
    progress_.append({kIndent, "中心線”", alignmentName, "”の縦断成果データ"});
}

void ImportLog::logVerticalEnd(int32_t line, bool success, int pointCount) {
  if (silent_) return;
  numbered(progress_, line, "H99 縦断成果データの読み込み終了");
  if (success) {
    counted(progress_, pointCount, "点のポイント\n");
  } else {
    counted(progress_, pointCount, "点のポイント");
    progress_.append({kErrorPrefix, "縦断成果をポイントに変換できませんでした\n"});
  }
}

void ImportLog::logCrossSectionStart(int32_t line, std::string_view alignmentName) {
  if (silent_) return;
  numbered(progress_, line, "I00 横断成果データの読み込み開始");
  if (alignmentName.empty())
    progress_.append({kErrorPrefix, "中心線が指定されませんでした"});
  else
    progress_.append({kIndent, "中心線”", alignmentName, "”の横断成果データ"});
}

void ImportLog::logSection(int32_t line, std::string_view sectionName) {
  if (silent_) return;
  progress_.append({formatLineNumber(line), " I01 断面 ", sectionName, " データを処理"});
}

void ImportLog::logSectionPointCount(int pointCount) {
  if (silent_) return;
  counted(progress_, pointCount, "個のポイント");
}

void ImportLog::logCrossSectionEnd(int32_t line, bool success, int pointCount) {
  if (silent_) return;
  numbered(progress_, line, "I99 横断成果データの読み込み終了");
  if (success) {
    counted(progress_, pointCount, "点のポイント\n");
  } else {
    counted(progress_, pointCount, "点のポイント");
    progress_.append({kErrorPrefix, "横断成果をポイントに変換できませんでした\n"});
  }
}

void ImportLog::logEnd(int32_t line) {
  if (silent_) return;
  numbered(progress_, line, "    読み込み終了");
}

// ---- the log as a whole ----

void ImportLog::setPath(std::string_view inputPath) {
  // Four characters, not bytes: a name ending in Japanese loses whole characters.
  std::size_t end = inputPath.size();
  for (int removed = 0; removed < 4 && end > 0; ++removed) {
    --end;
    while (end > 0 && (static_cast<unsigned char>(inputPath[end]) & 0xC0) == 0x80) --end;
  }
  path_ = join({inputPath.substr(0, end), "_Input.log"});
}

std::string ImportLog::render() const {
  std::size_t size = kHeader.size();
  for (std::size_t i = 0; i < progress_.size(); ++i) size += progress_.view(i).size() + 1;
  for (const auto& line : errorLines_) size += line.size() + 1;
  std::string out;
  out.reserve(size);
  out.append(kHeader);
  for (std::size_t i = 0; i < progress_.size(); ++i) out.append(progress_.view(i)).push_back('\n');
  for (const auto& line : errorLines_) out.append(line).push_back('\n');
  return out;
}

void ImportLog::clear() {
  errorLines_.clear();
  progress_.clear();
  errors_.clear();
}

io::Result writeLogFile(const ImportLog& log, io::Encoding encoding,
                        const std::vector<std::string>& after) {
  if (log.path().empty()) return io::failed(io::Failure::Write, "", "no log path");
  // The text as render() gives it, encoded and written a piece at a time (pieces end at line
  // ends, so no character is cut): a log of a large file is not held again whole, twice.
  constexpr std::size_t kPiece = std::size_t{1} << 16;
  io::AtomicFile file(log.path());
  std::string piece(kHeader);
  auto add = [&](std::string_view line) {
    piece.append(line).push_back('\n');
    if (piece.size() < kPiece) return;
    file.write(io::encode(piece, encoding));
    piece.clear();
  };
  const LogLines& progress = log.progressLines();
  for (std::size_t i = 0; i < progress.size(); ++i) add(progress.view(i));
  for (const auto& line : log.errorLines()) add(line);
  for (const auto& line : after) add(line);
  file.write(io::encode(piece, encoding));
  return file.commit();
}

io::Result appendLogLines(const std::string& path, const std::vector<std::string>& lines,
                          io::Encoding encoding) {
  io::AtomicFile file(path);
  // The existing log is copied over a block at a time: a log of a large file runs to megabytes.
  if (std::ifstream existing(path, std::ios::binary); existing) {
    std::string block(std::size_t{1} << 16, '\0');
    while (existing.read(block.data(), static_cast<std::streamsize>(block.size())) ||
           existing.gcount() > 0) {
      file.write(std::string_view(block.data(), static_cast<std::size_t>(existing.gcount())));
    }
  }
  std::string added;
  for (const auto& line : lines) added.append(line).push_back('\n');
  file.write(io::encode(added, encoding));
  return file.commit();
}

}  // namespace kestrel
