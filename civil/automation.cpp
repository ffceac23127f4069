#include "civil/automation.h"

#include "platform/civil/civil_model.h"
#include "platform/runtime/runtime.h"
#include "sima/orvo_exception.h"

#include <string>

namespace kestrel {

namespace {
constexpr const char* kAutomationError = "Corridor Utility Error.";
constexpr int kSpiralStep = 77;
constexpr int kCurveStep = 777;

[[noreturn]] void failAtStep(int step) {
  throw OrvoException("Error at " + std::to_string(step));
}

ovcivil::PlanPoint planPoint(const double point[3]) { return ovcivil::PlanPoint{point[0], point[1]}; }

CivilConnection::MadeEntity madeFrom(const ovcivil::AlignmentEntity& entity) {
  CivilConnection::MadeEntity made;
  made.objectId = entity.objectId;
  made.end[0] = entity.end.x;
  made.end[1] = entity.end.y;
  return made;
}
}  // namespace

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

void CivilConnection::addSite(const std::string& name) {
  document().addSite(name);
  document_->markModified();
}

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

int CivilConnection::pointAtDistance(int32_t alignmentId, double distance, double& x, double& y) {
  return pointAtDistanceOffset(alignmentId, distance, 0.0, x, y);
}

int CivilConnection::pointAtDistanceOffset(int32_t alignmentId, double distance, double offset,
                                           double& x, double& y) {
  if (document_ == nullptr) return -1;
  const auto* found = document_->findAlignment(alignmentId);
  if (found == nullptr) return -1;
  ovcivil::PlanPoint point;
  if (found->pointAtStation(distance, offset, point) != ovcivil::kOk) return -1;
  x = point.x;
  y = point.y;
  return 0;
}

ovcivil::Alignment& CivilConnection::alignment(int32_t alignmentId) {
  auto* found = document().findAlignment(alignmentId);
  if (found == nullptr) throw OrvoException(kAutomationError);
  return *found;
}

void CivilConnection::requireSite(const std::string& siteName) {
  if (document().findSite(siteName) == nullptr) throw OrvoException(kAutomationError);
}

std::string CivilConnection::alignmentStyleName(int index) {
  const auto& styles = document().alignmentStyles();
  if (index < 0 || index >= static_cast<int>(styles.size())) throw OrvoException(kAutomationError);
  return styles[static_cast<std::size_t>(index)];
}

std::string CivilConnection::labelStyleName(int index) {
  const auto& styles = document().labelStyles();
  if (index < 0 || index >= static_cast<int>(styles.size())) throw OrvoException(kAutomationError);
  return styles[static_cast<std::size_t>(index)];
}

int32_t CivilConnection::addAlignment(const std::string& siteName, const std::string& name,
                                      const std::string& layer, const std::string& style,
                                      const std::string& labelStyle) {
  auto* site = document().findSite(siteName);
  if (site == nullptr) throw OrvoException(kAutomationError);
  document_->markModified();
  auto& added = document_->addAlignment(*site, name);
  added.layer = layer;
  added.style = style;
  added.labelStyle = labelStyle;
  return added.objectId;
}

void CivilConnection::setDescription(int32_t alignmentId, const std::string& description) {
  alignment(alignmentId).description = description;
  document_->markModified();
}

CivilConnection::MadeEntity CivilConnection::addFixedLine(int32_t alignmentId, const double start[3],
                                                          const double end[3]) {
  auto& target = alignment(alignmentId);
  document_->markModified();
  ovcivil::AlignmentEntity* made = nullptr;
  if (document_->addFixedLine(target, planPoint(start), planPoint(end), made) != ovcivil::kOk)
    throw OrvoException(kAutomationError);
  return madeFrom(*made);
}

CivilConnection::MadeEntity CivilConnection::addFixedCurve(int32_t alignmentId,
                                                           const double start[3],
                                                           const double end[3], double radius,
                                                           bool turnsLeft) {
  auto* target = document_ == nullptr ? nullptr : document_->findAlignment(alignmentId);
  if (target == nullptr) failAtStep(kCurveStep);
  document_->markModified();
  ovcivil::AlignmentEntity* made = nullptr;
  if (document_->addFixedCurve(*target, planPoint(start), planPoint(end), radius, turnsLeft, made) !=
      ovcivil::kOk)
    failAtStep(kCurveStep);
  return madeFrom(*made);
}

CivilConnection::MadeEntity CivilConnection::addFixedSpiral(
    int32_t alignmentId, int32_t entityBefore, const double start[3],
    const double tangentIntersection[3], double startRadius, double endRadius, double length,
    bool turnsLeft, int kind) {
  auto* target = document_ == nullptr ? nullptr : document_->findAlignment(alignmentId);
  if (target == nullptr) failAtStep(kSpiralStep);
  document_->markModified();
  ovcivil::AlignmentEntity* made = nullptr;
  if (document_->addFixedSpiral(*target, entityBefore, planPoint(start),
                                planPoint(tangentIntersection), startRadius, endRadius, length,
                                turnsLeft, kind, made) != ovcivil::kOk)
    failAtStep(kSpiralStep);
  return madeFrom(*made);
}

void CivilConnection::removeEntityAt(int32_t alignmentId, long index) {
  auto& target = alignment(alignmentId);
  document_->markModified();
  if (document_->removeEntityAt(target, index) != ovcivil::kOk) throw OrvoException(kAutomationError);
}

void CivilConnection::setStartingStation(int32_t alignmentId, double station) {
  alignment(alignmentId).startingStation = station;
  document_->markModified();
}

void CivilConnection::setLabelStyle(int32_t alignmentId, const std::string& labelStyle) {
  alignment(alignmentId).labelStyle = labelStyle;
  document_->markModified();
}

void CivilConnection::setStyle(int32_t alignmentId, const std::string& style) {
  alignment(alignmentId).style = style;
  document_->markModified();
}

}  // namespace kestrel
