#include "gis/plan/gis_plan.h"

#include <proj.h>

#include <string>

namespace kestrel::gis {
namespace {

class Planner : public GisPlanner {
 public:
  ZoneInFile findZone(const std::string& path, const std::string& encoding) override {
    return findZoneInFile(path, encoding == "utf-8");
  }

  // A context of its own, closed again: nothing of PROJ's stays open in the host.
  bool knowsEpsg(int code) override {
    PJ_CONTEXT* context = proj_context_create();
    if (context == nullptr) return false;
    proj_log_level(context, PJ_LOG_NONE);
    const std::string text = std::to_string(code);
    PJ* crs = proj_create_from_database(context, "EPSG", text.c_str(), PJ_CATEGORY_CRS, 0, nullptr);
    const bool known = crs != nullptr;
    proj_destroy(crs);
    proj_context_destroy(context);
    return known;
  }
};

}  // namespace
}  // namespace kestrel::gis

extern "C" KESTREL_GIS_PLAN_EXPORT kestrel::gis::GisPlanner* kestrelGisPlanner() {
  static kestrel::gis::Planner planner;
  return &planner;
}
