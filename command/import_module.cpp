#include "command/import_module.h"

#include "command/read_file.h"
#include "drawing/object_records.h"
#include "platform/runtime/windowing.h"
#include "ui/series_counts.h"

namespace kestrel {

namespace {

// The tree's order, with the keys hosts name the entries by.
struct TreeEntry {
  int entry;
  const char* key;
};
constexpr TreeEntry kTreeOrder[] = {{kSeriesA, "A"},
                                    {kSeriesD, "D"},
                                    {routeTypeEntry(1), "F1"},
                                    {routeTypeEntry(2), "F2"},
                                    {routeTypeEntry(3), "F3"},
                                    {routeTypeEntry(4), "F4"},
                                    {routeTypeEntry(5), "F5"},
                                    {routeTypeEntry(6), "F6"},
                                    {routeTypeEntry(7), "F7"},
                                    {kSeriesH, "H"},
                                    {kSeriesI, "I"}};

}  // namespace

bool KestrelImportModule::setInputEncoding(const std::string& choice) {
  return io::parseEncodingChoice(choice, encoding_);
}

bool KestrelImportModule::scan(const std::string& path, module::ScanReport& report) {
  ImportRun run;
  if (preScanFile(run, path, encoding_) != 0) return false;
  const SeriesSelection selection = countSeries(run, threadLanguage());
  report.encoding = run.inputEncoding == io::Encoding::Utf8 ? "utf-8" : "cp932";
  report.rootLabel = selection.labels[kSeriesRoot];
  report.entries.clear();
  for (const TreeEntry& tree : kTreeOrder)
    report.entries.push_back(
        {tree.key, selection.labels[tree.entry], selection.counts[tree.entry]});
  return true;
}

module::SurveyPointTable KestrelImportModule::surveyPointTable() const {
  return {kPointTable,        kRecordColumns[0],   kRecordColumns[1],
          kRecordColumns[2],  kCoordinateType,     kPolylineTable,
          kRecordColumns[3],  kLotType,            kVerticalResultType,
          kSectionResultType};
}

void KestrelImportModule::reset() {
  conversation_ = module::Conversation{};
  encoding_ = io::EncodingChoice::Auto;
}

sima::Language threadLanguage() {
  return ovwin::threadLocale() == ovwin::kJapaneseLocale ? sima::Language::Japanese
                                                         : sima::Language::English;
}

KestrelImportModule& importModule() {
  static KestrelImportModule instance;
  return instance;
}

}  // namespace kestrel

extern "C" kestrel::module::ImportModule* kestrelImportModule() {
  return &kestrel::importModule();
}
