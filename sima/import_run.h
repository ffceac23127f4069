// The state of one import run, shared by the driver, the series readers and the dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "io/text_encoding.h"
#include "sima/extended_cstring.h"
#include "sima/field_kinds.h"
#include "sima/import_log.h"
#include "sima/line_reader.h"
#include "sima/orvo_exception.h"
#include "sima/records.h"
#include "sima/serial_worker.h"

namespace kestrel {

// The entries of the import dialog's tree, in the order the selection keeps them.
enum SeriesEntry : int {
  kSeriesA = 0,
  kSeriesD = 1,
  kSeriesH = 2,
  kSeriesI = 3,
  kSeriesF1 = 4,  // route types 1..7 follow: kSeriesF1 + type - 1
  kSeriesCount = 11,
  kSeriesRoot = 11  // the label of the whole tree
};

constexpr int routeTypeEntry(int routeType) { return kSeriesF1 + routeType - 1; }

// What the tree shows and returns: ticks, labels (messages 140, 142..152) and pre-scan counts.
struct SeriesSelection {
  bool selected[kSeriesCount] = {};
  std::string labels[kSeriesCount + 1];
  int32_t counts[kSeriesCount + 1] = {};

  bool isSelected(int entry) const { return entry >= 0 && entry < kSeriesCount && selected[entry]; }
  bool routeTypeSelected(int routeType) const {
    return routeType >= 1 && routeType <= 7 && selected[routeTypeEntry(routeType)];
  }
};

// Message ids of the tree labels, in selection order, then the root.
inline constexpr int kSeriesLabelMessage[kSeriesCount + 1] = {140, 142, 143, 144, 145, 146,
                                                              147, 148, 149, 150, 151, 152};

// Counters the result dialog reads.
struct RunCounters {
  int32_t drawnPoints = 0;
  int32_t lotPolylines = 0;
  int32_t routesPerType[8] = {};         // F00 lines per route type 1..7
  int32_t routePolylines = 0;
  int32_t routePolylinesPerType[8] = {};  // types 1, 4, 5, 6
  int32_t alignments = 0;
  int32_t alignmentsPerType[8] = {};      // types 2, 3, 7
  int32_t verticalPoints = 0;
  int32_t sectionPoints = 0;
  int32_t unplacedResults = 0;            // vertical stations and sections without any alignment
  bool servedRouteType[8] = {};           // a result block found a route of that type (2, 3, 7)
};

// How a run reads its file: a real import, or the dialog's pre-scan, which reads through the same
// readers without any check, log line or drawing and counts what the import would find instead of
// keeping its records (only routes and result blocks are kept, without their elements and
// stations, for the alignment questions).
enum class ReadMode { Import, PreScan };

// The lines a tolerant reading let through, by deviation (ToleratedDeviation).
struct ToleratedCounts {
  int32_t lastFieldAdded = 0;      // a record one field short: its empty last field added
  int32_t elevationWordDropped = 0;  // an A01 elevation word read as no elevation
};

// What a pre-scan counts for the dialog's tree (route types are in RunCounters::routesPerType).
struct PreScanCounts {
  int32_t pointsWithElevation = 0;  // A01 lines with a Z
  int32_t lots = 0;                 // lots whose every vertex was found
  int32_t stations = 0;             // H01 lines of blocks that reached H99
  int32_t sections = 0;             // I01 lines of blocks that reached I99
};

// Field i of a line, or the empty text when the line has fewer fields.
inline const std::string& fieldAt(const Fields& fields, std::size_t i) {
  static const std::string empty;
  return i < fields.size() ? fields[i] : empty;
}

// Shows how far the file has been read. The progress window implements it.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void setPosition(std::size_t position) = 0;
  virtual void pumpMessages() = 0;
};

// The five layer settings, in the settings table's order.
enum LayerSetting : int {
  kLayerPoints = 0,
  kLayerIpLines = 1,
  kLayerLots = 2,
  kLayerWidthStakes = 3,
  kLayerContinuous = 4,
  kLayerCount = 5
};

class ImportRun {
 public:
  PointStore pointStore;
  std::string fileTitle;
  std::string filePath;
  std::string unusedText1;
  std::string unusedText2;
  std::string siteName;
  std::string routeNumberText;  // F00 field 1 of the last route
  std::string groupText;        // F00 field 2
  std::string routeName;        // F00 field 3
  std::string layers[kLayerCount] = {"0", "0", "0", "0", "0"};
  double shiftDistance = 0.0001;
  SeriesSelection selection;
  int32_t chosenAlignmentId = 0;
  std::string chosenAlignmentName;
  double startStation = 0.0;
  int32_t routeType = 0;
  std::string unusedText3;
  GrowingArray<EntityData> routeElements;
  GrowingArray<SimaAlignment> routes;
  StableArray<LotData> lots;
  GrowingArray<VerticalData> verticalResults;
  GrowingArray<IntersectionData> crossSections;
  GrowingArray<HSeriesData> verticalSeries;
  int32_t lineCounter = 0;
  int32_t errorHighWater = 0;
  // The counter numbers lines up to this one; a longer file is read that far and no further
  // (lowered only by tests), and the run says so.
  int32_t lineLimit = INT32_MAX;
  bool stoppedAtLineLimit = false;
  // Reading as real exporters write, on request (tolerateDeviations); what it let through is
  // counted when the lines are checked.
  bool tolerant = false;
  ToleratedCounts tolerated;
  // A real import, or the pre-scan (whose log is silent and whose builders draw nothing).
  ReadMode mode = ReadMode::Import;
  ImportLog log;
  RunCounters counters;
  PreScanCounts preScanCounts;
  bool chosenAlignmentFlag = false;
  std::vector<std::string> names;  // alignments made, for the result dialog
  ProgressSink* progress = nullptr;

  // The alignment name results are logged and placed under; starts as the chosen alignment's.
  std::string currentAlignmentName;
  // What the input was read as (the log is written the same way unless the host asks for UTF-8),
  // and why.
  io::Encoding inputEncoding = io::Encoding::Utf8;
  std::string inputEncodingReason;
  bool logInUtf8 = false;
  // Whether the builders of results note where they placed each point (for hosts that write
  // more than the drawing), and those notes.
  bool keepPlacements = false;
  std::vector<PlacedResult> placements;
  // Input bytes that were no character in the encoding read and became U+FFFD.
  int64_t replacedCharacters = 0;
  // The lines being read; set by Read file for the time the file is open.
  sima::LineSource* reader = nullptr;
  // Where the points and lots read are drawn, in file order, while reading goes on. Whatever else
  // draws, or reads the drawing, waits for it first (finishDrawing). Declared after every member
  // its tasks use (the point store, the lots, the layers, the counters), so that they end before
  // any of those goes.
  SerialWorker drawing;

  // Appends a finished route and indexes it by number (first match kept).
  void addRoute(const SimaAlignment& route) {
    routeIndexByNumber_.insertFirst(route.routeNumber, routes.size());
    routes.append(route);
  }
  // The first finished route with that number, or null.
  const SimaAlignment* findRoute(int32_t number) const {
    const long at = routeIndexByNumber_.find(number);
    return at < 0 ? nullptr : &routes.at(at);
  }
  // Returns when everything posted to `drawing` is drawn.
  void finishDrawing() { drawing.drain(); }
  void clearRoutes() {
    routes.clear();
    routeIndexByNumber_.clear();
  }

  // One line as the readers see it: counted, shown in the progress window, trimmed, split.
  struct Line {
    std::string text;  // trimmed
    Fields fields;
    std::uint8_t deviations = 0;  // what a tolerant reading changed, until the line is checked
  };

  // Reads the next line into `line`; false at the end of the file, or at the line limit.
  bool nextLine(Line& line) {
    std::string_view text;
    if (!nextText(text)) return false;
    line.text.assign(text);
    ExtendedCString::Split(line.text, ',', line.fields);
    line.deviations = tolerant ? tolerateDeviations(line.fields) : 0;
    return true;
  }

  // Reads the next line as nextLine does, without splitting it: the trimmed text, valid until the
  // next read (a pre-scan's counting looks at a field or two; see fieldOf).
  bool nextText(std::string_view& text) {
    std::string_view raw;
    if (reader == nullptr || stoppedAtLineLimit || !reader->next(raw)) return false;
    if (lineCounter == lineLimit) {
      stoppedAtLineLimit = true;
      return false;
    }
    if (progress != nullptr) {
      progress->setPosition(reader->position());
      progress->pumpMessages();
    }
    ++lineCounter;
    text = sima::trim(raw);
    cutCount_ = 0;
    return true;
  }

  // Field i of the line nextText read last, as nextLine's split gives it; valid until the next
  // call. The line is cut once, at its first separators, when a field is first asked for.
  std::string_view fieldOf(std::string_view text, std::size_t i) {
    if (cutCount_ == 0) cut(text);
    if (cutCount_ < 0 || i + 1 >= kCuts) return ExtendedCString::Field(text, ',', i, fieldScratch_);
    if (i >= static_cast<std::size_t>(cutCount_)) return {};
    return text.substr(cuts_[i], cuts_[i + 1] - cuts_[i] - 1);
  }

  // Raises the error high-water mark to the log's error count.
  void raiseHighWater() {
    if (log.errorCount() > errorHighWater) errorHighWater = log.errorCount();
  }

  // The encoding the log file is written in.
  io::Encoding logEncoding() const { return logInUtf8 ? io::Encoding::Utf8 : inputEncoding; }

  // Whether the run imports (builders draw) rather than pre-scans.
  bool importing() const { return mode == ReadMode::Import; }

  // Checks the line by the record's rule and raises the high-water mark; true when the line is
  // rejected and passed over. A pre-scan checks nothing. A record's check counts what a tolerant
  // reading let through in its line.
  bool rejects(RecordCheck record, Line& line) {
    if (line.deviations != 0 && record < RecordCheck::SeriesA) {
      tolerated.lastFieldAdded += (line.deviations & kLastFieldAdded) ? 1 : 0;
      tolerated.elevationWordDropped += (line.deviations & kElevationWordDropped) ? 1 : 0;
      line.deviations = 0;
    }
    const int status = log.check(record, lineCounter, line.fields, line.text, &pointStore);
    raiseHighWater();
    return status != 0;
  }

  // Lots name points anywhere in a large store: a lot vertex line a few lines on has the index
  // slot of its point fetched now, so that its lookup finds it in the cache when it comes. Below
  // some hundred thousand points the index stays in the cache, and looking ahead only costs.
  void prefetchLotVertexAhead() {
    constexpr std::size_t kAhead = 8;
    constexpr std::size_t kFromPoints = std::size_t{1} << 18;
    std::string_view text;
    if (pointStore.indexedCount() < kFromPoints || reader == nullptr || !reader->peek(kAhead, text))
      return;
    text = sima::trim(text);
    if (text.substr(0, 4) != "B01,") return;
    const std::size_t end = text.find(',', 4);
    pointStore.prefetchNumber(sima::toInteger(text.substr(4, end == std::string_view::npos ? std::string_view::npos : end - 4)));
  }

  // The position in the point store of the first point with that number; a missing one raises
  // OrvoException with message 138, which the lot and route readers catch and log.
  uint32_t lookupPoint(int32_t number) const {
    const long at = pointStore.position(number);
    if (at < 0) throw OrvoException(std::string(sima::message(138, log.language())));
    return static_cast<uint32_t>(at);
  }

  // File name without folder (after the last "/" or "\"), as object-data records carry it.
  std::string fileName() const {
    auto cut = filePath.find_last_of("/\\");
    return cut == std::string::npos ? filePath : filePath.substr(cut + 1);
  }

 private:
  // Where the fields of a line start (the field after the last ends a byte past the line), the
  // first few; cutCount_ the fields found among them, -1 for a line with quotes.
  void cut(std::string_view text) {
    if (text.find('"') != std::string_view::npos) {
      cutCount_ = -1;
      return;
    }
    cuts_[0] = 0;
    cutCount_ = 1;
    forEachSeparator(text, ',', [&](std::size_t at) {
      if (cutCount_ + 1 < static_cast<int>(kCuts)) {
        cuts_[cutCount_++] = static_cast<std::uint32_t>(at + 1);
        return true;
      }
      cutCount_ = -1;  // a line of more fields than are cut keeps its later ones to Field()
      return false;
    });
    if (cutCount_ > 0) cuts_[cutCount_] = static_cast<std::uint32_t>(text.size() + 1);
  }

  static constexpr std::size_t kCuts = 10;
  FirstIndexByNumber routeIndexByNumber_;
  std::string fieldScratch_;
  std::uint32_t cuts_[kCuts] = {};
  int cutCount_ = 0;
};

}  // namespace kestrel
