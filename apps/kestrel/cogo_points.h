// The survey points and lots of a drawing as the civil document's COGO points and parcels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "module_api/import_module.h"
#include "platform/civil/landxml.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"

namespace kestrel::cli {

// Every point entity carrying a record of the table the module names, of its coordinate type,
// with the record's number and name, read from the drawing as the LandXML is written. The
// drawing must not change meanwhile.
class DrawingCogoPoints : public ovcivil::CogoPointSource {
 public:
  DrawingCogoPoints(const OvDbDatabase& drawing, const module::SurveyPointTable& table);
  std::size_t size() const override { return points_.size(); }
  ovcivil::CogoPointView at(std::size_t i) const override;

 private:
  struct Point {
    std::uint32_t entity;  // model-space position
    OvMapODRecordView record;
  };
  const OvDbDatabase& drawing_;
  int number_ = -1;
  int name_ = -1;
  std::vector<Point> points_;
};

// Every lightweight polyline carrying a record of the module's polyline table of the lot type,
// with the record's number, name, type and file name, read from the drawing as the LandXML is
// written. The drawing must not change meanwhile.
class DrawingLots : public ovcivil::ParcelSource {
 public:
  DrawingLots(const OvDbDatabase& drawing, const module::SurveyPointTable& table);
  std::size_t size() const override { return lots_.size(); }
  ovcivil::ParcelView at(std::size_t i) const override;
  void vertices(std::size_t i, std::vector<ovcivil::PlanPoint>& out) const override;

 private:
  struct Lot {
    std::uint32_t entity;  // model-space position
    OvMapODRecordView record;
  };
  const OvDbDatabase& drawing_;
  int columns_[4] = {-1, -1, -1, -1};  // number, name, type, file name
  std::vector<Lot> lots_;
};

}  // namespace kestrel::cli
