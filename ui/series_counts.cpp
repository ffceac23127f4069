#include "ui/series_counts.h"

namespace kestrel {

SeriesSelection countSeries(const ImportRun& run, sima::Language language) {
  SeriesSelection selection;
  for (int i = 0; i <= kSeriesCount; ++i)
    selection.labels[i] = std::string(sima::message(kSeriesLabelMessage[i], language));

  int32_t points = 0;
  for (const auto& p : run.pointStore.points()) points += p.hasElevation ? 1 : 0;
  int32_t stations = 0;
  for (const auto& block : run.verticalSeries) stations += static_cast<int32_t>(block.stations.size());
  int32_t sections = 0;
  for (const auto& block : run.crossSections) sections += static_cast<int32_t>(block.sections.size());

  selection.counts[kSeriesA] = points;
  selection.counts[kSeriesD] = static_cast<int32_t>(run.lots.size());
  selection.counts[kSeriesH] = stations;
  selection.counts[kSeriesI] = sections;
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
