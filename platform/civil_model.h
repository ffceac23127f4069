// The civil model of the host: documents with sites and horizontal alignments, reached by the
// module through its automation interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ovcivil {

// One horizontal alignment of a site.
struct Alignment {
  int32_t objectId = 0;
  std::string name;
  std::string description;
  std::string layer;
  std::string style;
  std::string labelStyle;
  double startingStation = 0.0;
};

struct Site {
  std::string name;
  std::vector<Alignment> alignments;
};

// The civil document that belongs to the host's drawing.
class CivilDocument {
 public:
  CivilDocument();

  std::vector<Site>& sites() { return sites_; }
  const std::vector<Site>& sites() const { return sites_; }
  Site* findSite(const std::string& name);
  Site& addSite(const std::string& name);

  const std::vector<std::string>& alignmentStyles() const { return alignmentStyles_; }
  const std::vector<std::string>& labelStyles() const { return labelStyles_; }

  // Adds an alignment to a site and gives it a fresh object id (never reused).
  Alignment& addAlignment(Site& site, const std::string& name);
  Alignment* findAlignment(int32_t objectId);
  const Alignment* findAlignment(int32_t objectId) const;

  // Makes the next site listing fail (how tests reach the "sites cannot be read" path).
  bool failSiteListing = false;

 private:
  std::vector<Site> sites_;
  std::vector<std::string> alignmentStyles_{"Standard"};
  std::vector<std::string> labelStyles_{"Standard"};
  int32_t nextObjectId_ = 1000;
};

// The programmatic ids the automation interface answers to.
inline constexpr const char* kLandApplicationId = "TrevXUiLand.TrevApplication.6.0";
inline constexpr const char* kRoadwayApplicationId = "TrevXUiRoadway.TrevRoadwayApplication.6.0";

// The civil application: its active document (the host may replace it, e.g. from a file).
class CivilApplication {
 public:
  CivilDocument& activeDocument() { return *document_; }
  void setActiveDocument(std::unique_ptr<CivilDocument> document) { document_ = std::move(document); }
  // Whether a connection by programmatic id succeeds (false for unknown ids).
  bool answersTo(const std::string& programmaticId) const;

 private:
  std::unique_ptr<CivilDocument> document_ = std::make_unique<CivilDocument>();
};

CivilApplication& civilApplication();

}  // namespace ovcivil
