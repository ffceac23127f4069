#include "sima_export/gis_source.h"

#include <algorithm>
#include <limits>

#include "sima_export/point_index.h"

namespace kestrel::sima_export {

namespace {

// The number a feature asks for, or -1 when it asks for none usable (said when it asked).
int64_t askedNumber(const gis::SurveyFeature& feature, Findings& findings) {
  if (feature.number && *feature.number >= 0 &&
      *feature.number <= std::numeric_limits<int32_t>::max())
    return *feature.number;
  if (feature.number || !feature.numberText.empty())
    findings.warn(Finding::NumberUnusable,
                  {feature.layer, std::to_string(feature.fid),
                   feature.number ? std::to_string(*feature.number) : feature.numberText});
  return -1;
}

}  // namespace

void addGisFeatures(const gis::SurveyFeatures& features, double tolerance, SimaData& data,
                    Findings& findings) {
  for (const std::string& warning : features.warnings)
    findings.warn(Finding::FeaturesLeftOut, {warning});
  PointIndex index(data);
  // Numbers asked for are kept first, so that numbering by rule never takes one of them.
  std::vector<int64_t> asked(features.points.size(), -1);
  std::vector<bool> kept(features.points.size(), false);
  for (std::size_t i = 0; i < features.points.size(); ++i) {
    const gis::SurveyFeature& feature = features.points[i];
    asked[i] = askedNumber(feature, findings);
    const auto number = static_cast<int32_t>(asked[i]);
    if (asked[i] < 0) continue;
    if (index.hasNumber(number)) {
      findings.warn(Finding::FeatureRenumbered,
                    {feature.layer, std::to_string(feature.fid), std::to_string(number)});
      continue;
    }
    index.add({number, feature.name.value_or("P" + std::to_string(number)), feature.north[0],
               feature.east[0], feature.hasZ ? std::optional(feature.z[0]) : std::nullopt});
    kept[i] = true;
  }
  // Then the points numbered by rule, in the dataset's order.
  for (std::size_t i = 0; i < features.points.size(); ++i) {
    if (kept[i]) continue;
    const gis::SurveyFeature& feature = features.points[i];
    int32_t number = 0;
    if (!index.takeNumber(number)) {
      findings.refuse(Finding::NoPointNumberLeft);
      return;
    }
    index.add({number, feature.name.value_or("P" + std::to_string(number)), feature.north[0],
               feature.east[0], feature.hasZ ? std::optional(feature.z[0]) : std::nullopt});
  }

  int64_t highestLot = 0;
  for (const Lot& lot : data.lots) highestLot = std::max<int64_t>(highestLot, lot.number);
  for (const gis::SurveyFeature& feature : features.polygons)
    if (feature.number && *feature.number <= std::numeric_limits<int32_t>::max())
      highestLot = std::max(highestLot, *feature.number);
  const gis::SurveyFeature* previous = nullptr;
  for (const gis::SurveyFeature& feature : features.polygons) {
    Lot lot;
    // The parts of one feature are lots of one number.
    if (previous != nullptr && previous->layer == feature.layer && previous->fid == feature.fid) {
      lot.number = data.lots.back().number;
    } else {
      const int64_t number = askedNumber(feature, findings);
      lot.number = static_cast<int32_t>(
          number >= 0 ? number
                      : std::min<int64_t>(++highestLot, std::numeric_limits<int32_t>::max()));
    }
    previous = &feature;
    lot.name = feature.name.value_or("L" + std::to_string(lot.number));
    for (std::size_t v = 0; v < feature.east.size(); ++v) {
      const std::ptrdiff_t near = index.nearest(feature.north[v], feature.east[v], tolerance);
      if (near >= 0) {
        lot.vertices.push_back(data.points[static_cast<std::size_t>(near)].number);
        continue;
      }
      int32_t added = 0;
      if (!index.takeNumber(added)) {
        findings.refuse(Finding::NoPointNumberLeft);
        return;
      }
      index.add(
          {added, "P" + std::to_string(added), feature.north[v], feature.east[v], std::nullopt});
      ++findings.pointsAdded;
      lot.vertices.push_back(added);
    }
    data.lots.push_back(std::move(lot));
  }
}

}  // namespace kestrel::sima_export
