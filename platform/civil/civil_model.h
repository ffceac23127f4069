// The civil model of the host: documents with sites and horizontal alignments built from fixed
// lines, arcs and clothoid spirals, evaluated by station and offset.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ovcivil {

// A point of the plan (x east, y north), as the drawing has it.
struct PlanPoint {
  double x = 0.0;
  double y = 0.0;
};

// Status of the model's operations: 0 success, anything else a failure.
enum Status : int { kOk = 0, kInvalidInput = -1, kNoSuchObject = -2, kOutsideAlignment = -3 };

// What an alignment entity is: a straight, a circular arc or a clothoid.
enum class EntityKind : std::uint8_t { Line, Curve, Spiral };

// One fixed entity of an alignment. Directions are radians counter-clockwise from the x axis;
// curvatures are signed, positive for a left turn (counter-clockwise on the map).
struct AlignmentEntity {
  int32_t objectId = 0;
  EntityKind kind = EntityKind::Line;
  PlanPoint start;
  PlanPoint end;
  double length = 0.0;
  double startDirection = 0.0;
  double endDirection = 0.0;
  bool turnsLeft = false;
  // Curve: centre and radius.
  PlanPoint centre;
  double radius = 0.0;
  // Spiral: radii (infinity for a straight end), signed curvatures at both ends, and the point
  // where the start and end tangents meet.
  double startRadius = 0.0;
  double endRadius = 0.0;
  double startCurvature = 0.0;
  double endCurvature = 0.0;
  PlanPoint tangentIntersection;
  // The kind of spiral a file named (LandXML's spiType); empty for a clothoid. The model
  // evaluates every spiral as a clothoid: the name is kept so that what cannot be one is known.
  std::string spiralType;

  // Point `along` metres from the entity's start (0 ≤ along ≤ length), with the direction there.
  void evaluate(double along, PlanPoint& point, double& direction) const;
  // The points at the given distances from the start, best given in increasing order (a spiral
  // is then followed piece by piece rather than evaluated afresh for each point).
  std::vector<PlanPoint> samplePoints(const std::vector<double>& alongs) const;
  // Points from start to end close enough that no chord strays more than `chordError` from the
  // entity: a straight's two ends, evenly spaced points on a curve, steps that shorten as a
  // spiral tightens.
  std::vector<PlanPoint> polylinePoints(double chordError) const;
};

// One horizontal alignment of a site.
struct Alignment {
  int32_t objectId = 0;
  std::string name;
  std::string description;
  std::string layer;
  std::string style;
  std::string labelStyle;
  double startingStation = 0.0;
  std::vector<AlignmentEntity> entities;

  // Sum of the entities' lengths.
  double length() const;
  // Plan point at a station (read as startingStation + distance along); offset positive to the
  // right of the direction of travel. kOutsideAlignment before the start or after the end.
  int pointAtStation(double station, double offset, PlanPoint& point) const;
  // As pointAtStation, also giving the direction of travel at that station.
  int pointAndDirectionAtStation(double station, double offset, PlanPoint& point,
                                 double& direction) const;
  // The inverse: station and offset (positive to the right) of a plan point, where the
  // perpendicular from it meets the alignment nearest to it. kOutsideAlignment when the point lies
  // before the start or beyond the end, and for an alignment without entities.
  int stationAndOffsetOf(PlanPoint point, double& station, double& offset) const;
  // The entity with that object id, or null.
  const AlignmentEntity* findEntity(int32_t objectId) const;

 private:
  // Distance from the start to the end of each entity, remade when the entities change.
  const std::vector<double>& entityEnds() const;
  mutable std::vector<double> ends_;
  mutable const AlignmentEntity* endsOf_ = nullptr;
  friend class CivilDocument;  // which forgets them when it adds or removes an entity
};

// A named site and the alignments it holds.
struct Site {
  std::string name;
  std::deque<Alignment> alignments;  // a deque: references stay valid as alignments are added
};

// A surveyed point the document carries (exported as a COGO point).
struct CogoPoint {
  int32_t number = 0;
  std::string name;
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

// The civil document that belongs to the host's drawing.
class CivilDocument {
 public:
  CivilDocument();
  CivilDocument(const CivilDocument&) = delete;  // the id index points into the sites
  CivilDocument& operator=(const CivilDocument&) = delete;

  // The sites in the order they were added (references stay valid as sites are added).
  std::deque<Site>& sites() { return sites_; }
  const std::deque<Site>& sites() const { return sites_; }
  // The first site of that name, or null.
  Site* findSite(const std::string& name);
  // Adds a site (names need not be unique).
  Site& addSite(const std::string& name);

  // The alignment styles and label styles; each has at least "Standard".
  const std::vector<std::string>& alignmentStyles() const { return alignmentStyles_; }
  const std::vector<std::string>& labelStyles() const { return labelStyles_; }

  // Adds an alignment to a site and gives it a fresh object id (never reused).
  Alignment& addAlignment(Site& site, const std::string& name);
  // The alignment with that object id, or null.
  Alignment* findAlignment(int32_t objectId);
  const Alignment* findAlignment(int32_t objectId) const;

  // The add operations return a status and, on success, point `made` at the new entity (valid
  // until the alignment's next change).
  // A straight from start to end; kInvalidInput when the points coincide.
  int addFixedLine(Alignment& alignment, PlanPoint start, PlanPoint end, AlignmentEntity*& made);
  // The minor arc of that radius from start to end, turning left when turnsLeft; kInvalidInput
  // when no arc of that radius joins the points.
  int addFixedCurve(Alignment& alignment, PlanPoint start, PlanPoint end, double radius,
                    bool turnsLeft, AlignmentEntity*& made);
  // A clothoid after the entity `before`: from start, heading toward tangentIntersection, its
  // curvature going linearly from 1/startRadius to 1/endRadius (infinity: a straight end) over
  // length. `kind` is accepted as given.
  int addFixedSpiral(Alignment& alignment, int32_t before, PlanPoint start,
                     PlanPoint tangentIntersection, double startRadius, double endRadius,
                     double length, bool turnsLeft, int kind, AlignmentEntity*& made);
  // Removes the entity at that index; kInvalidInput outside the collection.
  int removeEntityAt(Alignment& alignment, long index);

  // Entities exactly as a file gave them (the LandXML reader); each gets a fresh object id.
  AlignmentEntity& appendEntity(Alignment& alignment, const AlignmentEntity& entity);

  // The surveyed points the document carries.
  std::vector<CogoPoint>& points() { return points_; }
  const std::vector<CogoPoint>& points() const { return points_; }

  // The date and time of the file the document was read from ("YYYY-MM-DD", "hh:mm:ss"); both
  // empty for a document made or changed since.
  const std::string& fileDate() const { return fileDate_; }
  const std::string& fileTime() const { return fileTime_; }
  // Records the date and time of the file the document was read from.
  void setFileStamp(std::string date, std::string time);
  // Forgets the file stamp: the document differs from the file now.
  void markModified();

  // Makes the next site listing fail (how tests reach the "sites cannot be read" path).
  bool failSiteListing = false;

 private:
  int32_t nextId() { return nextObjectId_++; }

  std::deque<Site> sites_;
  std::vector<std::string> alignmentStyles_{"Standard"};
  std::vector<std::string> labelStyles_{"Standard"};
  std::vector<CogoPoint> points_;
  std::unordered_map<int32_t, Alignment*> alignmentById_;
  std::unordered_map<std::string, Site*> firstSiteByName_;  // a file may hold thousands of sites
  std::string fileDate_;
  std::string fileTime_;
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
  // Hands the active document over to the caller; a fresh one becomes active.
  std::unique_ptr<CivilDocument> takeActiveDocument() {
    return std::exchange(document_, std::make_unique<CivilDocument>());
  }
  // Whether a connection by programmatic id succeeds (false for unknown ids).
  bool answersTo(const std::string& programmaticId) const;

 private:
  std::unique_ptr<CivilDocument> document_ = std::make_unique<CivilDocument>();
};

// The host's one civil application.
CivilApplication& civilApplication();

}  // namespace ovcivil
