// The import log and the record checks that write to it.
#include "sima/import_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sima/field_kinds.h"

namespace kestrel {
namespace {

using sima::formatLineNumber;
using sima::isChoice;
using sima::isInteger;
using sima::isNumber;

constexpr std::string_view kHeader = "----- VUZI_Zovidazed\xE3\x80\x80Version1.0 -----\n\n";
constexpr std::string_view kBlockTop = "ERROR --------------------------------------------------------";
constexpr std::string_view kBlockBottom =
    "--------------------------------------------------------------";
constexpr std::string_view kIndent = "          ";
constexpr std::string_view kErrorPrefix = "ERROR     ";
// D00 says a bad field count in words of its own rather than with a table message.
constexpr std::string_view kLotFormatText = "書式が正しくありませんが、無視して処理を続けます。";
constexpr std::string_view kCountCode = "ErrX001";
constexpr int kTooManyFields = 101;
constexpr int kTooFewFields = 102;
constexpr int kPointFormat = 154;
constexpr int kVerticalFormat = 155;
constexpr int kPointNotFound = 138;

std::string join(std::initializer_list<std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (std::string_view part : parts) out.append(part);
  return out;
}

// "<Number> <rest>"
std::string numbered(int32_t line, std::string_view rest) {
  return join({formatLineNumber(line), " ", rest});
}

// The indented count lines: "          %d<unit>".
std::string counted(int count, std::string_view unit) {
  return join({kIndent, std::to_string(count), unit});
}

// Writes `bytes` to a temporary file beside `path` and renames it into place, so that a failed
// write leaves the earlier file as it was.
bool replaceFile(const std::string& path, const std::string& bytes, std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  };
  if (path.empty()) {
    if (error) *error = "no log path";
    return false;
  }
  std::string temporary = path + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());
  if (descriptor < 0) return fail("cannot create a temporary file beside " + path);
  struct stat existing {};
  const mode_t mode = stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  fchmod(descriptor, mode);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      close(descriptor);
      unlink(temporary.c_str());
      errno = saved;
      return fail("cannot write " + temporary);
    }
    done += static_cast<std::size_t>(written);
  }
  if (close(descriptor) != 0) {
    const int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    return fail("cannot write " + temporary);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    unlink(temporary.c_str());
    errno = saved;
    return fail("cannot replace " + path);
  }
  return true;
}

}  // namespace

// ---- record checks ----

int ImportLog::checkFieldCount(int32_t line, const Fields& f, std::string_view text,
                               std::size_t expected) {
  if (f.size() == expected) return 0;
  return reject(line, text, kCountCode, f.size() > expected ? kTooManyFields : kTooFewFields);
}

int ImportLog::checkG00(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isNumber(f[1])) return reject(line, text, "ErrG00-1", 124);
  return 0;
}

int ImportLog::checkA00(int32_t line, const Fields& f, std::string_view text) {
  return checkFieldCount(line, f, text, 2);
}

int ImportLog::checkA99(int32_t line, const Fields& f, std::string_view text) {
  return checkFieldCount(line, f, text, 2);
}

int ImportLog::checkA01(int32_t line, const Fields& f, std::string_view text,
                        const PointStore& earlierPoints) {
  if (f.size() != 7) return reject(line, text, kCountCode, kPointFormat);
  if (!isInteger(f[1])) return reject(line, text, "ErrA01-1", 104);
  if (earlierPoints.contains(sima::toInteger(f[1]))) return reject(line, text, "ErrA002", 105);
  if (!isNumber(f[3])) return reject(line, text, "ErrA01-2", 106);
  if (!isNumber(f[4])) return reject(line, text, "ErrA01-3", 107);
  if (!isNumber(f[5])) return reject(line, text, "ErrA01-4", 108);
  return 0;
}

int ImportLog::checkD00(int32_t line, const Fields& f, std::string_view text) {
  if (f.size() != 5) return rejectText(line, text, kCountCode, kLotFormatText, 0);
  if (!isInteger(f[1])) return reject(line, text, "ErrD00-1", 115);
  if (!isChoice(f[3], {"1", "2"})) return reject(line, text, "ErrD00-2", 126);
  return 0;
}

int ImportLog::checkB01(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isInteger(f[1])) return reject(line, text, "ErrB01-1", 104);
  return 0;
}

int ImportLog::checkB03(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 3) != 0) return -1;
  if (!isNumber(f[1])) return reject(line, text, "ErrB03-1", 109);
  return 0;
}

int ImportLog::checkF00(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 6) != 0) return -1;
  if (!isInteger(f[1])) return reject(line, text, "ErrF00-1", 116);
  if (!isInteger(f[2])) return reject(line, text, "ErrF00-2", 117);
  if (!isChoice(f[4], {"1", "2", "3", "4", "5", "6", "7"}))
    return reject(line, text, "ErrF00-3", 127);
  return 0;
}

int ImportLog::checkC01(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isChoice(f[1], {"0", "1"})) return reject(line, text, "ErrC01-1", 125);
  if (!isNumber(f[2])) return reject(line, text, "ErrC01-2", 134);
  return 0;
}

int ImportLog::checkC02(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 5) != 0) return -1;
  if (!isNumber(f[1])) return reject(line, text, "ErrC02-1", 110);
  if (!isNumber(f[2])) return reject(line, text, "ErrC02-2", 111);
  if (!isNumber(f[3])) return reject(line, text, "ErrC02-3", 112);
  return 0;
}

int ImportLog::checkC03(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isNumber(f[1])) return reject(line, text, "ErrC03-1", 113);
  if (!isNumber(f[2])) return reject(line, text, "ErrC03-2", 114);
  return 0;
}

int ImportLog::checkH00(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isInteger(f[1])) return reject(line, text, "ErrH00-1", 119);
  return 0;
}

int ImportLog::checkH01(int32_t line, const Fields& f, std::string_view text) {
  if (f.size() != 7) return reject(line, text, kCountCode, kVerticalFormat);
  if (!isNumber(f[2])) return reject(line, text, "ErrH01-1", 109);
  if (!isNumber(f[3])) return reject(line, text, "ErrH01-2", 123);
  if (!isNumber(f[4])) return reject(line, text, "ErrH01-3", 121);
  if (!isChoice(f[5], {"1", "2"})) return reject(line, text, "ErrH01-4", 128);
  return 0;
}

int ImportLog::checkH99(int32_t line, const Fields& f, std::string_view text) {
  return checkFieldCount(line, f, text, 2);
}

int ImportLog::checkI00(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 4) != 0) return -1;
  if (!isInteger(f[1])) return reject(line, text, "ErrI00-1", 119);
  return 0;
}

int ImportLog::checkI01(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 6) != 0) return -1;
  if (!isNumber(f[2])) return reject(line, text, "ErrI01-1", 109);
  if (!isNumber(f[3])) return reject(line, text, "ErrI01-2", 123);
  if (!isNumber(f[4])) return reject(line, text, "ErrI01-3", 121);
  return 0;
}

int ImportLog::checkI02(int32_t line, const Fields& f, std::string_view text) {
  if (checkFieldCount(line, f, text, 5) != 0) return -1;
  if (!isNumber(f[2])) return reject(line, text, "ErrI02-1", 122);
  if (!isNumber(f[3])) return reject(line, text, "ErrI02-2", 123);
  return 0;
}

int ImportLog::checkI99(int32_t line, const Fields& f, std::string_view text) {
  return checkFieldCount(line, f, text, 2);
}

// ---- series code checks ----

int ImportLog::checkSeries(int32_t line, const Fields& f, std::string_view text,
                           std::initializer_list<std::string_view> expectedCodes,
                           std::string_view code, int messageId) {
  if (f.empty() || f[0].empty()) return -1;  // a blank line: passed over without a word
  if (isChoice(f[0], expectedCodes)) return 0;
  return reject(line, text, code, messageId);
}

int ImportLog::checkSeriesA(int32_t line, const Fields& f, std::string_view text) {
  return checkSeries(line, f, text, {"A01", "A99", "Z00"}, "ErrA001", 103);
}

int ImportLog::checkSeriesD(int32_t line, const Fields& f, std::string_view text) {
  return checkSeries(line, f, text,
                     {"B01", "C01", "C02", "C03", "E00", "E01", "E03", "E99", "D99"}, "ErrD001",
                     130);
}

int ImportLog::checkSeriesF(int32_t line, const Fields& f, std::string_view text) {
  return checkSeries(line, f, text,
                     {"B01", "B03", "B04", "C00", "C01", "C02", "C03", "C04", "C99", "F03", "F99"},
                     "ErrF001", 131);
}

int ImportLog::checkSeriesH(int32_t line, const Fields& f, std::string_view text) {
  return checkSeries(line, f, text, {"H01", "H99"}, "ErrH001", 132);
}

int ImportLog::checkSeriesI(int32_t line, const Fields& f, std::string_view text) {
  return checkSeries(line, f, text, {"I01", "I02", "I99"}, "ErrI001", 133);
}

// ---- error entries ----

void ImportLog::addCurveInStraightRoute(int32_t line, std::string_view text) {
  reject(line, text, "ErrF002", 139);
}

void ImportLog::addVerticalOutsideAlignment(int32_t line, std::string_view text) {
  reject(line, text, kCountCode, 141);
}

void ImportLog::addSectionOutsideAlignment(int32_t line, std::string_view text) {
  reject(line, text, kCountCode, 153);
}

void ImportLog::addPointNotFound(int32_t line, std::string_view text) {
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
  progress_.push_back(join({formatLineNumber(line), " G01 SIMAのバージョン： ", version, "\n"}));
}

void ImportLog::logCoordinateStart(int32_t line) {
  progress_.push_back(numbered(line, "A00 座標データの読み込み開始"));
}

void ImportLog::logCoordinateEnd(int32_t line, int withElevation, int without) {
  progress_.push_back(numbered(line, "A99 座標データの読み込み終了"));
  progress_.push_back(counted(withElevation, "点のポイント"));
  progress_.push_back(counted(without, "点の2次元ポイント\n"));
}

void ImportLog::logLotStart(int32_t line) {
  progress_.push_back(numbered(line, "D00 画地データの読み込み開始"));
}

void ImportLog::logLotEnd(int32_t line, bool made, int vertexCount, bool hadTriangleBlock) {
  progress_.push_back(numbered(line, "D99 画地データの読み込み終了"));
  if (!made) {
    progress_.push_back(join({kErrorPrefix, "画地を作成できませんでした\n"}));
    return;
  }
  progress_.push_back(counted(vertexCount, "点の構成点"));
  if (hadTriangleBlock) progress_.push_back(join({kIndent, "三斜データは読み込みません\n"}));
}

void ImportLog::logRouteStart(int32_t line) {
  progress_.push_back(numbered(line, "F00 路線データの読み込み開始"));
}

void ImportLog::logRouteEnd(int32_t line, bool made, int32_t routeType, int count,
                            std::string_view routeName) {
  const bool alignment = routeType == 2 || routeType == 3 || routeType == 7;
  progress_.push_back(numbered(line, "F99 路線データの読み込み終了"));
  if (!made) {
    progress_.push_back(join({kErrorPrefix, alignment ? "平面線形を作成できませんでした\n"
                                                      : "ポリラインを作成できませんでした\n"}));
    return;
  }
  if (alignment) {
    progress_.push_back(join({kIndent, "平面線形”", routeName, "”"}));
    progress_.push_back(counted(count, "個の線形要素\n"));
  } else {
    progress_.push_back(counted(count, "点の構成点\n"));
  }
}

void ImportLog::logVerticalStart(int32_t line, std::string_view alignmentName) {
  progress_.push_back(numbered(line, "H00 縦断成果データの読み込み開始"));
  if (alignmentName.empty())
    progress_.push_back(join({kErrorPrefix, "中心線が指定されませんでした"}));
  else
    progress_.push_back(join({kIndent, "中心線”", alignmentName, "”の縦断成果データ"}));
}

void ImportLog::logVerticalEnd(int32_t line, bool success, int pointCount) {
  progress_.push_back(numbered(line, "H99 縦断成果データの読み込み終了"));
  if (success) {
    progress_.push_back(counted(pointCount, "点のポイント\n"));
  } else {
    progress_.push_back(counted(pointCount, "点のポイント"));
    progress_.push_back(join({kErrorPrefix, "縦断成果をポイントに変換できませんでした\n"}));
  }
}

void ImportLog::logCrossSectionStart(int32_t line, std::string_view alignmentName) {
  progress_.push_back(numbered(line, "I00 横断成果データの読み込み開始"));
  if (alignmentName.empty())
    progress_.push_back(join({kErrorPrefix, "中心線が指定されませんでした"}));
  else
    progress_.push_back(join({kIndent, "中心線”", alignmentName, "”の横断成果データ"}));
}

void ImportLog::logSection(int32_t line, std::string_view sectionName) {
  progress_.push_back(join({formatLineNumber(line), " I01 断面 ", sectionName, " データを処理"}));
}

void ImportLog::logSectionPointCount(int pointCount) {
  progress_.push_back(counted(pointCount, "個のポイント"));
}

void ImportLog::logCrossSectionEnd(int32_t line, bool success, int pointCount) {
  progress_.push_back(numbered(line, "I99 横断成果データの読み込み終了"));
  if (success) {
    progress_.push_back(counted(pointCount, "点のポイント\n"));
  } else {
    progress_.push_back(counted(pointCount, "点のポイント"));
    progress_.push_back(join({kErrorPrefix, "横断成果をポイントに変換できませんでした\n"}));
  }
}

void ImportLog::logEnd(int32_t line) { progress_.push_back(numbered(line, "    読み込み終了")); }

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
  for (const auto& line : progress_) size += line.size() + 1;
  for (const auto& line : errorLines_) size += line.size() + 1;
  std::string out;
  out.reserve(size);
  out.append(kHeader);
  for (const auto& line : progress_) out.append(line).push_back('\n');
  for (const auto& line : errorLines_) out.append(line).push_back('\n');
  return out;
}

void ImportLog::clear() {
  errorLines_.clear();
  progress_.clear();
  errors_.clear();
}

bool writeLogFile(const ImportLog& log, sima::Encoding encoding, std::string* error) {
  return replaceFile(log.path(), sima::encode(log.render(), encoding), error);
}

bool appendLogLines(const std::string& path, const std::vector<std::string>& lines,
                    sima::Encoding encoding, std::string* error) {
  std::string bytes;
  if (std::ifstream existing(path, std::ios::binary | std::ios::ate); existing) {
    // Read in one piece: a log of a large file runs to megabytes.
    bytes.resize(static_cast<std::size_t>(std::max<std::streamoff>(existing.tellg(), 0)));
    existing.seekg(0);
    existing.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(existing.gcount()));
  }
  std::string added;
  for (const auto& line : lines) added.append(line).push_back('\n');
  bytes += sima::encode(added, encoding);
  return replaceFile(path, bytes, error);
}

}  // namespace kestrel
