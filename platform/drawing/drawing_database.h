// The host drawing database: layers, model-space entities with stable object ids, extended data,
// and the host's drawing operations that the import module calls. It knows no file format: what a
// file held beyond what is modelled here is kept as opaque content for the format that read it.
//
// Storage: the common kinds made by the drawing operations (points, lightweight and simple 2-D
// polylines) live in flat tables, a point in 32 bytes with no allocation of its own. The entity
// classes below are the face the API shows: opening a stored entity (openEntity, openAs,
// entityAt) makes it an object once, and from then on the object is the entity. Readers that walk
// a whole drawing (writers, views) use storedEntity(), which makes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/drawing/chunked_array.h"
#include "platform/drawing/host_geometry.h"

class OvDbDatabase;
class OvMapODTables;

// Names one entity of one database for its whole life; 0 is the null id.
class OvDbObjectId {
 public:
  constexpr OvDbObjectId() = default;
  // Wraps a raw value as handed out by a database.
  constexpr explicit OvDbObjectId(std::uint64_t value) : value_(value) {}
  // True for the null id.
  constexpr bool isNull() const { return value_ == 0; }
  // True for any id a database handed out (whether or not that database still exists).
  constexpr bool isValid() const { return value_ != 0; }
  // The raw 64-bit value.
  constexpr std::uint64_t value() const { return value_; }
  friend constexpr auto operator<=>(OvDbObjectId, OvDbObjectId) = default;

 private:
  std::uint64_t value_ = 0;
};

template <>
struct std::hash<OvDbObjectId> {
  std::size_t operator()(OvDbObjectId id) const noexcept {
    return std::hash<std::uint64_t>{}(id.value());
  }
};

// Extended data of one application: a list of strings.
struct OvDbXData {
  std::string applicationName;
  std::vector<std::string> values;
};

// What kind of entity an OvDbEntity is.
enum class OvDbEntityKind : std::uint8_t { Point, Polyline2d, Polyline, Line, Arc, Raw };

// Base of every model-space entity: layer, handle, object id, extended data. What belongs to
// the entity's place in a drawing (layer, handle, extended data) is kept by the drawing.
class OvDbEntity {
 public:
  virtual ~OvDbEntity();
  // The concrete kind.
  OvDbEntityKind kind() const { return kind_; }
  // The object id (null until appended to a database).
  OvDbObjectId objectId() const;
  // The handle, persistent across files (0 until appended).
  std::uint64_t handle() const;
  // The layer's name ("0" until the entity belongs to a database and is given another).
  const std::string& layer() const;
  // Sets the layer by name; fails (false, layer unchanged) when the database has no such layer,
  // and for content kept from a base drawing, which is written back as it was.
  bool setLayer(const std::string& name);
  // Position of the layer in its database's table (UINT32_MAX until appended).
  std::uint32_t layerIndex() const;
  // Extended data set with setXData, in the order first set.
  const std::vector<OvDbXData>& xdata() const;
  // Sets (or replaces) the extended data of one application; the database registers the name.
  void setXData(const std::string& applicationName, std::vector<std::string> values);

 protected:
  explicit OvDbEntity(OvDbEntityKind kind) : kind_(kind) {}
  OvDbEntity(const OvDbEntity&) = delete;
  OvDbEntity& operator=(const OvDbEntity&) = delete;

 private:
  friend class OvDbDatabase;
  OvDbDatabase* database_ = nullptr;
  std::unique_ptr<std::vector<OvDbXData>> pendingXData_;  // set before the entity is appended
  std::uint32_t index_ = 0;                               // model-space position once appended
  OvDbEntityKind kind_;
};

// A point entity.
class OvDbPoint : public OvDbEntity {
 public:
  OvDbPoint() : OvDbEntity(OvDbEntityKind::Point) {}
  // Made at a position.
  explicit OvDbPoint(OvGePoint3d position)
      : OvDbEntity(OvDbEntityKind::Point), position(position) {}
  OvGePoint3d position;
};

// A simple 2-D polyline: elevation 0, open, widths 0, no bulges; one vertex per point.
class OvDb2dPolyline : public OvDbEntity {
 public:
  OvDb2dPolyline() : OvDbEntity(OvDbEntityKind::Polyline2d) {}
  std::vector<OvGePoint3d> vertices;
};

// A lightweight polyline: 2-D vertices at one elevation, open or closed.
class OvDbPolyline : public OvDbEntity {
 public:
  OvDbPolyline() : OvDbEntity(OvDbEntityKind::Polyline) {}
  struct Vertex {
    double x = 0.0;
    double y = 0.0;
  };
  std::vector<Vertex> vertices;
  double elevation = 0.0;
  bool closed = false;
};

// A line segment.
class OvDbLine : public OvDbEntity {
 public:
  OvDbLine() : OvDbEntity(OvDbEntityKind::Line) {}
  OvGePoint3d start;
  OvGePoint3d end;
};

// A circular arc, counter-clockwise from startAngle to endAngle (radians, from the x axis).
class OvDbArc : public OvDbEntity {
 public:
  OvDbArc() : OvDbEntity(OvDbEntityKind::Arc) {}
  OvGePoint3d center;
  double radius = 0.0;
  double startAngle = 0.0;
  double endAngle = 0.0;
};

// Content read from a base drawing that the database does not model, kept as the file wrote it
// so it is written back unchanged (an entity with its sub-entities, e.g. a polyline with its
// vertices).
class OvDbRawEntity : public OvDbEntity {
 public:
  OvDbRawEntity() : OvDbEntity(OvDbEntityKind::Raw) {}
  // The entity type as the file names it ("TEXT", "HATCH", ...).
  std::string typeName;
  // The entity's text in the file's own format.
  std::string fileText;
  // Where in fileText the first entity's own part ends: extended data added here goes there.
  std::size_t ownPartEnd = 0;
};

// One model-space entity as the drawing stores it, for readers that walk a whole drawing: the
// geometry of points and polylines whichever way they are kept, lines, arcs and kept file
// content as their objects. Valid until the drawing next changes.
struct OvDbStoredEntity {
  OvDbEntityKind kind = OvDbEntityKind::Point;
  std::uint32_t layerIndex = 0;
  std::uint64_t handle = 0;
  OvGePoint3d position;                            // Point
  std::span<const OvDbPolyline::Vertex> vertices;  // Polyline
  std::span<const OvGePoint3d> simpleVertices;     // Polyline2d
  double elevation = 0.0;                          // Polyline
  bool closed = false;                             // Polyline
  const OvDbEntity* object = nullptr;              // Line, Arc, Raw (and any kind opened)
};

// One layer or application record.
struct OvDbSymbolRecord {
  std::string name;        // the name the drawing's users see
  std::string nameInFile;  // the name a base drawing gave it (empty: made here, mapped on save)
  std::uint64_t handle = 0;
};

// What a drawing file held beyond the modelled layers, applications and entities (its own tables,
// blocks, objects), kept by the file format that read it; the database only carries it.
class OvDbFileContent {
 public:
  virtual ~OvDbFileContent() = default;
};

// Handles 1 to this number belong to the objects every new drawing has before its first layer
// (symbol tables and their standard records, model and paper space, the root dictionaries): the
// file format that writes a new drawing makes them with these handles.
inline constexpr std::uint64_t kOvDbDefaultObjectHandles = 22;

// A drawing: layer table, current layer, model-space entities, object-data tables, and what an
// opened base drawing held beyond them.
class OvDbDatabase {
 public:
  // An empty drawing with layer "0" current.
  OvDbDatabase();
  ~OvDbDatabase();
  OvDbDatabase(const OvDbDatabase&) = delete;
  OvDbDatabase& operator=(const OvDbDatabase&) = delete;

  // Adds a layer at the end of the table; false when the name is empty or already present, or the
  // table holds 2^24 layers.
  bool addLayer(const std::string& name);
  // True when the table has a layer of that name (exact match).
  bool hasLayer(const std::string& name) const;
  // Every layer name in table order.
  std::vector<std::string> layerNames() const;
  // The layer records in table order.
  const std::vector<OvDbSymbolRecord>& layers() const { return layers_; }
  // The current layer's name.
  const std::string& currentLayerName() const;
  // Makes an existing layer current; false (unchanged) when there is none of that name.
  bool setCurrentLayer(const std::string& name);

  // Appends an entity to model space (on layer "0" unless already given one); returns its new id.
  OvDbObjectId appendEntity(std::unique_ptr<OvDbEntity> entity);
  // The entity of an id, or nullptr for the null id, an id of another database or one never made.
  // A stored entity becomes an object here (see the top of this file).
  OvDbEntity* openEntity(OvDbObjectId id);
  const OvDbEntity* openEntity(OvDbObjectId id) const;
  // The entity of an id when it is of kind T, else nullptr.
  template <class T>
  T* openAs(OvDbObjectId id);
  // Replaces the entity of an id by another (the id and handle pass to it); false when id is
  // unknown.
  bool replaceEntity(OvDbObjectId id, std::unique_ptr<OvDbEntity> entity);
  // Model-space entities in drawing order; entityAt makes a stored entity an object.
  std::size_t entityCount() const { return rows_.size(); }
  const OvDbEntity& entityAt(std::size_t index) const;
  OvDbEntity& entityAt(std::size_t index);
  // The entity at a position as stored, without making an object of it.
  OvDbStoredEntity storedEntity(std::size_t index) const;
  // The kind of the entity at a position, for walks that pass over most entities.
  OvDbEntityKind kindAt(std::size_t index) const { return rows_[index].kind(); }
  // The extended data of the entity at a position.
  const std::vector<OvDbXData>& xdataAt(std::size_t index) const;
  // Sets (or replaces) one application's extended data of the entity at a position.
  void setXDataAt(std::size_t index, const std::string& applicationName,
                  std::vector<std::string> values);
  // Position of an id's entity in model space, or -1.
  std::ptrdiff_t indexOf(OvDbObjectId id) const;

  // The drawing operations (see ovdraw below), on this drawing.
  OvDbObjectId createPoint(const std::string& layer, double x, double y, double z);
  OvDbObjectId create2dPolyline(std::span<const OvGePoint3d> points);
  void convertToLightweight(OvDbObjectId id);
  void setPolylineLayerAndClosure(OvDbObjectId id, const std::string& layer, bool closed);
  OvDbObjectId createPolyline(const std::string& layer, std::span<const OvGePoint3d> points,
                              bool closed);

  // Registers an extended-data application name (idempotent).
  void registerApplication(const std::string& name);
  // Registered applications in order.
  const std::vector<OvDbSymbolRecord>& applications() const { return applications_; }

  // The object-data tables of this drawing.
  OvMapODTables& objectDataTables() { return *objectDataTables_; }
  const OvMapODTables& objectDataTables() const { return *objectDataTables_; }

  // Hands out the next unused handle.
  std::uint64_t allocateHandle() { return nextHandle_++; }
  // The next handle that allocateHandle would give ($HANDSEED).
  std::uint64_t handleSeed() const { return nextHandle_; }

  // What the file the drawing was opened from held beyond the modelled content; null for a new
  // drawing.
  const OvDbFileContent* fileContent() const { return fileContent_.get(); }
  // Starts over from a file: no layers, entities, applications or tables; the file's own content
  // kept; handles from seed.
  void resetFromFile(std::unique_ptr<OvDbFileContent> content, std::uint64_t handleSeed);
  // Adds a layer read from a file, keeping the file's name and handle for writing back.
  bool addLayerFromFile(const std::string& name, const std::string& nameInFile,
                        std::uint64_t handle);
  // Registers an application read from a file, keeping the file's name and handle.
  void addApplicationFromFile(const std::string& name, const std::string& nameInFile,
                              std::uint64_t handle);
  // Appends an entity read from a file with its handle, on the layer the file names (else "0").
  OvDbObjectId appendEntityFromFile(std::unique_ptr<OvDbEntity> entity, std::uint64_t handle,
                                    const std::string& layer);
  // Position of a layer in the table, or -1.
  std::ptrdiff_t layerIndex(const std::string& name) const;

 private:
  friend class OvDbEntity;
  // How an entity is kept: as an object, or in the table of its kind.
  enum class Storage : std::uint8_t { Object, Point, Polyline, SimplePolyline };
  // Eight bytes an entity; the layer fits since a drawing holds at most 2^24 layers. A bit says
  // whether the entity has extended data, so a writer asks the (rare) table only for those.
  struct Row {
    Row() = default;
    Row(std::uint32_t payloadIndex, std::uint32_t layerIndex, OvDbEntityKind entityKind,
        Storage storedAs)
        : payload(payloadIndex),
          layer(layerIndex),
          kindBits(static_cast<std::uint32_t>(entityKind)),
          hasXData(0),
          storageBits(static_cast<std::uint32_t>(storedAs)) {}
    OvDbEntityKind kind() const { return static_cast<OvDbEntityKind>(kindBits); }
    Storage storage() const { return static_cast<Storage>(storageBits); }
    void set(OvDbEntityKind entityKind, Storage storedAs, std::uint32_t payloadIndex) {
      kindBits = static_cast<std::uint32_t>(entityKind);
      storageBits = static_cast<std::uint32_t>(storedAs);
      payload = payloadIndex;
    }
    std::uint32_t payload;  // position in objects_ or in the table of its kind
    std::uint32_t layer : 24;
    static_assert(static_cast<unsigned>(OvDbEntityKind::Raw) < 8, "a kind takes three bits");
    std::uint32_t kindBits : 3;
    std::uint32_t hasXData : 1;
    std::uint32_t storageBits : 4;
  };
  // Handles of model-space entities as runs: an entity whose handle follows the one before it
  // (almost every one) costs nothing.
  struct HandleRun {
    std::size_t first;  // model-space position where the run starts
    std::uint64_t handle;
  };
  struct StoredPolyline {
    const OvDbPolyline::Vertex* vertices;
    std::uint32_t count;
    bool closed;
    double elevation;
  };
  struct StoredSimplePolyline {
    const OvGePoint3d* vertices;
    std::size_t count;
  };

  OvDbObjectId appendWithHandle(std::unique_ptr<OvDbEntity> entity, std::uint64_t handle);
  OvDbObjectId appendRow(Row row, std::uint64_t handle);
  std::uint64_t handleAt(std::size_t index) const;
  OvDbObjectId idAt(std::size_t index) const;
  // The object of the entity at a position, made from its table when it is stored there.
  OvDbEntity& objectAt(std::size_t index);
  // The position of a layer, remembering the last name asked for (builders ask for one name
  // per entity); -1 when there is none.
  std::ptrdiff_t cachedLayerIndex(const std::string& name);
  std::uint32_t layerZero() const;

  std::uint64_t serial_;
  std::uint64_t nextHandle_ = kOvDbDefaultObjectHandles + 1;
  std::vector<OvDbSymbolRecord> layers_;
  std::unordered_map<std::string, std::uint32_t> layerIndexByName_;
  std::uint32_t currentLayer_ = 0;
  std::string lastLayerName_;
  std::ptrdiff_t lastLayerIndex_ = -1;
  OvDbChunkedArray<Row> rows_;
  std::vector<HandleRun> handleRuns_;
  OvDbChunkedArray<OvGePoint3d> points_;
  OvDbChunkedArray<StoredPolyline> polylines_;
  OvDbChunkedArray<StoredSimplePolyline> simplePolylines_;
  OvDbRunArena<OvDbPolyline::Vertex> vertices_;
  OvDbRunArena<OvGePoint3d> simpleVertices_;
  std::vector<std::unique_ptr<OvDbEntity>> objects_;
  std::unordered_map<std::uint32_t, std::vector<OvDbXData>> xdata_;  // by position; rare
  std::vector<OvDbSymbolRecord> applications_;
  std::unordered_set<std::string> applicationNames_;  // a drawing may carry thousands
  std::unique_ptr<OvMapODTables> objectDataTables_;
  std::unique_ptr<OvDbFileContent> fileContent_;
};

template <class T>
T* OvDbDatabase::openAs(OvDbObjectId id) {
  OvDbEntity* entity = openEntity(id);
  if (entity == nullptr) return nullptr;
  return dynamic_cast<T*>(entity);
}

// The working database the drawing operations act on (an empty drawing unless the host set one).
OvDbDatabase& ovWorkingDatabase();
// Makes a database the working one; nullptr returns to the default drawing.
void ovSetWorkingDatabase(OvDbDatabase* database);

// The host's drawing operations on the working database.
namespace ovdraw {

// Appends an entity to model space; returns its id.
OvDbObjectId appendToModelSpace(std::unique_ptr<OvDbEntity> entity);
// A point at (x, y, z) on a layer given by name (left on "0" when there is no such layer).
OvDbObjectId createPoint(const std::string& layer, double x, double y, double z);
// A simple 2-D polyline through the points; fewer than two points make nothing (null id).
OvDbObjectId create2dPolyline(std::vector<OvGePoint3d> points);
// Converts a 2-D polyline in place to a lightweight one under the same id; anything else: nothing.
void convertToLightweight(OvDbObjectId id);
// Sets a lightweight polyline's layer by name and its closure; anything else: nothing.
void setPolylineLayerAndClosure(OvDbObjectId id, const std::string& layer, bool closed);
// Every layer name in table order.
std::vector<std::string> listLayers();
// The current layer's name.
std::string currentLayerName();
// A line from (x1, y1) to (x2, y2) at elevation 0.
OvDbObjectId createLine(const std::string& layer, double x1, double y1, double x2, double y2);
// An arc around (centerX, centerY), counter-clockwise from startAngle to endAngle (radians).
OvDbObjectId createArc(const std::string& layer, double centerX, double centerY, double radius,
                       double startAngle, double endAngle);
// A lightweight polyline at the first point's elevation; fewer than two points make nothing.
OvDbObjectId createPolyline(const std::string& layer, const std::vector<OvGePoint3d>& points,
                            bool closed);
// Attaches extended data of an application to an entity; false for an unknown id.
bool attachXData(OvDbObjectId id, const std::string& applicationName,
                 std::vector<std::string> values);

}  // namespace ovdraw
