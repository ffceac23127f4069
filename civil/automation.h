// The module's side of the civil automation interface: a connection opened for each use.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ovcivil {
class CivilApplication;
class CivilDocument;
struct Alignment;
}  // namespace ovcivil

namespace kestrel {

// Seven automation references, filled by connect() and released in reverse order.
class CivilConnection {
 public:
  CivilConnection() = default;
  CivilConnection(const CivilConnection&) = delete;
  CivilConnection& operator=(const CivilConnection&) = delete;
  ~CivilConnection() { release(); }

  // Reaches the host, the civil application and its active document, and the roadway
  // application and its document. Raises OrvoException("Corridor Utility Error.") on failure.
  void connect();
  void release();
  bool connected() const { return document_ != nullptr; }

  // Clears `names`, then lists every site; a non-zero status means failure (the names gathered
  // so far are kept).
  int listSiteNames(std::vector<std::string>& names);
  // Adds a site of that name.
  void addSite(const std::string& name);
  // Every alignment of every site, name → object id (a later equal name replaces an earlier one).
  int listAlignments(std::map<std::string, int32_t>& alignments);
  // The name of the alignment with that id, or empty.
  std::string alignmentName(int32_t objectId);
  // Plan point at a station along the alignment; non-zero status outside it.
  int pointAtDistance(int32_t alignmentId, double distance, double& x, double& y);
  // Plan point at a station and offset (positive right of the direction of travel).
  int pointAtDistanceOffset(int32_t alignmentId, double distance, double offset, double& x,
                            double& y);

  // Alignment creation. Each call raises OrvoException when the civil model refuses it:
  // "Error at 77" for a spiral, "Error at 777" for a curve, "Corridor Utility Error." otherwise.

  // A fixed entity just made: its object id and where it ends (x, y, 0).
  struct MadeEntity {
    int32_t objectId = 0;
    double end[3] = {0.0, 0.0, 0.0};
  };

  // Checks that the site exists (the builder's first step).
  void requireSite(const std::string& siteName);
  // Name of the document's alignment style / label style at that index.
  std::string alignmentStyleName(int index);
  std::string labelStyleName(int index);
  // Adds an alignment to the site; the new alignment's id.
  int32_t addAlignment(const std::string& siteName, const std::string& name,
                       const std::string& layer, const std::string& style,
                       const std::string& labelStyle);
  void setDescription(int32_t alignmentId, const std::string& description);
  MadeEntity addFixedLine(int32_t alignmentId, const double start[3], const double end[3]);
  MadeEntity addFixedCurve(int32_t alignmentId, const double start[3], const double end[3],
                           double radius, bool turnsLeft);
  MadeEntity addFixedSpiral(int32_t alignmentId, int32_t entityBefore, const double start[3],
                            const double tangentIntersection[3], double startRadius,
                            double endRadius, double length, bool turnsLeft, int kind);
  void removeEntityAt(int32_t alignmentId, long index);
  void setStartingStation(int32_t alignmentId, double station);
  void setLabelStyle(int32_t alignmentId, const std::string& labelStyle);
  void setStyle(int32_t alignmentId, const std::string& style);

  ovcivil::CivilDocument& document();

 private:
  void* references_[7] = {};
  ovcivil::Alignment& alignment(int32_t alignmentId);

  ovcivil::CivilApplication* application_ = nullptr;
  ovcivil::CivilDocument* document_ = nullptr;
};

}  // namespace kestrel
