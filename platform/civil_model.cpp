#include "platform/civil_model.h"

namespace ovcivil {

CivilDocument::CivilDocument() = default;

Site* CivilDocument::findSite(const std::string& name) {
  for (auto& site : sites_)
    if (site.name == name) return &site;
  return nullptr;
}

Site& CivilDocument::addSite(const std::string& name) {
  sites_.push_back(Site{name, {}});
  return sites_.back();
}

Alignment& CivilDocument::addAlignment(Site& site, const std::string& name) {
  Alignment alignment;
  alignment.objectId = nextObjectId_++;
  alignment.name = name;
  site.alignments.push_back(alignment);
  return site.alignments.back();
}

Alignment* CivilDocument::findAlignment(int32_t objectId) {
  for (auto& site : sites_)
    for (auto& alignment : site.alignments)
      if (alignment.objectId == objectId) return &alignment;
  return nullptr;
}

const Alignment* CivilDocument::findAlignment(int32_t objectId) const {
  return const_cast<CivilDocument*>(this)->findAlignment(objectId);
}

bool CivilApplication::answersTo(const std::string& programmaticId) const {
  return programmaticId == kLandApplicationId || programmaticId == kRoadwayApplicationId;
}

CivilApplication& civilApplication() {
  static CivilApplication application;
  return application;
}

}  // namespace ovcivil
