// The module's side of the civil automation interface: a connection opened for each use.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ovcivil {
class CivilApplication;
class CivilDocument;
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

  ovcivil::CivilDocument& document();

 private:
  void* references_[7] = {};
  ovcivil::CivilApplication* application_ = nullptr;
  ovcivil::CivilDocument* document_ = nullptr;
};

}  // namespace kestrel
