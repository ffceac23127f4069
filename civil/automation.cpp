#include "civil/automation.h"

#include "platform/civil_model.h"
#include "platform/runtime.h"
#include "sima/orvo_exception.h"

namespace kestrel {

namespace {
constexpr const char* kAutomationError = "Corridor Utility Error.";
}

void CivilConnection::connect() {
  auto& application = ovcivil::civilApplication();
  if (!application.answersTo(ovcivil::kLandApplicationId) ||
      !application.answersTo(ovcivil::kRoadwayApplicationId))
    throw OrvoException(kAutomationError);
  application_ = &application;
  document_ = &application.activeDocument();
  // host application, civil application, its document, roadway application, its document
  references_[0] = &ovrx::docManager();
  references_[1] = application_;
  references_[2] = document_;
  references_[3] = application_;
  references_[4] = document_;
}

void CivilConnection::release() {
  for (int i = 6; i >= 0; --i) references_[i] = nullptr;
  application_ = nullptr;
  document_ = nullptr;
}

ovcivil::CivilDocument& CivilConnection::document() {
  if (document_ == nullptr) throw OrvoException(kAutomationError);
  return *document_;
}

int CivilConnection::listSiteNames(std::vector<std::string>& names) {
  names.clear();
  if (document_ == nullptr) return -1;
  if (document_->failSiteListing) return -1;
  for (const auto& site : document_->sites()) names.push_back(site.name);
  return 0;
}

void CivilConnection::addSite(const std::string& name) { document().addSite(name); }

int CivilConnection::listAlignments(std::map<std::string, int32_t>& alignments) {
  if (document_ == nullptr) return -1;
  for (const auto& site : document_->sites())
    for (const auto& alignment : site.alignments) alignments[alignment.name] = alignment.objectId;
  return 0;
}

std::string CivilConnection::alignmentName(int32_t objectId) {
  if (document_ == nullptr) return {};
  const auto* alignment = document_->findAlignment(objectId);
  return alignment == nullptr ? std::string() : alignment->name;
}

int CivilConnection::pointAtDistance(int32_t alignmentId, double, double&, double&) {
  // Station evaluation arrives with the alignment geometry; until then no station is on one.
  if (document_ == nullptr || document_->findAlignment(alignmentId) == nullptr) return -1;
  return -1;
}

int CivilConnection::pointAtDistanceOffset(int32_t alignmentId, double, double, double&, double&) {
  if (document_ == nullptr || document_->findAlignment(alignmentId) == nullptr) return -1;
  return -1;
}

}  // namespace kestrel
