#include "ui/series_counts.h"

namespace kestrel {

SeriesSelection countSeries(const ImportRun& run, sima::Language language) {
  SeriesSelection selection;
  for (int i = 0; i <= kSeriesCount; ++i)
    selection.labels[i] = std::string(sima::message(kSeriesLabelMessage[i], language));

  selection.counts[kSeriesA] = run.preScanCounts.pointsWithElevation;
  selection.counts[kSeriesD] = run.preScanCounts.lots;
  selection.counts[kSeriesH] = run.preScanCounts.stations;
  selection.counts[kSeriesI] = run.preScanCounts.sections;
  for (int type = 1; type <= 7; ++type)
    selection.counts[routeTypeEntry(type)] = run.counters.routesPerType[type];
  int32_t total = 0;
  for (int i = 0; i < kSeriesCount; ++i) {
    selection.selected[i] = selection.counts[i] >= 1;
    total += selection.counts[i];
  }
  selection.counts[kSeriesRoot] = total;
  return selection;
}

}  // namespace kestrel
