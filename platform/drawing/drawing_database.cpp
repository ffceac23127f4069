#include "platform/drawing/drawing_database.h"

#include <algorithm>
#include <atomic>

#include "platform/drawing/object_data.h"

namespace {

// Ids carry the database's serial in their upper bits so that an id of one drawing never opens an
// entity of another; the lower bits are the model-space position + 1.
constexpr int kPositionBits = 40;
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << kPositionBits) - 1;
// An entity's row keeps its layer's position in 24 bits.
constexpr std::size_t kMaxLayers = std::size_t{1} << 24;

std::uint64_t nextDatabaseSerial() {
  static std::atomic<std::uint64_t> serial{0};
  return ++serial;
}

const std::string kLayerZero = "0";
const std::vector<OvDbXData> kNoXData;

OvDbDatabase*& workingDatabasePointer() {
  static OvDbDatabase* working = nullptr;
  return working;
}

// Sets (or replaces) one application's block in a list of extended data.
void putXData(std::vector<OvDbXData>& list, const std::string& applicationName,
              std::vector<std::string> values) {
  for (auto& block : list) {
    if (block.applicationName == applicationName) {
      block.values = std::move(values);
      return;
    }
  }
  list.push_back(OvDbXData{applicationName, std::move(values)});
}

}  // namespace

// ---- the entity's face ----

OvDbEntity::~OvDbEntity() = default;

OvDbObjectId OvDbEntity::objectId() const {
  return database_ == nullptr ? OvDbObjectId() : database_->idAt(index_);
}

std::uint64_t OvDbEntity::handle() const {
  return database_ == nullptr ? 0 : database_->handleAt(index_);
}

std::uint32_t OvDbEntity::layerIndex() const {
  return database_ == nullptr ? UINT32_MAX : database_->rows_[index_].layer;
}

const std::string& OvDbEntity::layer() const {
  if (database_ == nullptr) return kLayerZero;
  const std::uint32_t layer = database_->rows_[index_].layer;
  return layer < database_->layers_.size() ? database_->layers_[layer].name : kLayerZero;
}

bool OvDbEntity::setLayer(const std::string& name) {
  if (database_ == nullptr || kind_ == OvDbEntityKind::Raw) return false;
  const std::ptrdiff_t index = database_->layerIndex(name);
  if (index < 0) return false;
  database_->rows_[index_].layer = static_cast<std::uint32_t>(index);
  return true;
}

const std::vector<OvDbXData>& OvDbEntity::xdata() const {
  if (database_ != nullptr) return database_->xdataAt(index_);
  return pendingXData_ ? *pendingXData_ : kNoXData;
}

void OvDbEntity::setXData(const std::string& applicationName, std::vector<std::string> values) {
  if (applicationName.empty()) return;
  if (database_ == nullptr) {
    if (!pendingXData_) pendingXData_ = std::make_unique<std::vector<OvDbXData>>();
    putXData(*pendingXData_, applicationName, std::move(values));
    return;
  }
  database_->setXDataAt(index_, applicationName, std::move(values));
}

// ---- layers and applications ----

OvDbDatabase::OvDbDatabase()
    : serial_(nextDatabaseSerial()), objectDataTables_(std::make_unique<OvMapODTables>(*this)) {
  addLayer("0");
  registerApplication("ACAD");
}

OvDbDatabase::~OvDbDatabase() = default;

bool OvDbDatabase::addLayer(const std::string& name) {
  if (name.empty() || layers_.size() >= kMaxLayers || layerIndexByName_.contains(name))
    return false;
  layerIndexByName_.emplace(name, static_cast<std::uint32_t>(layers_.size()));
  layers_.push_back(OvDbSymbolRecord{name, std::string(), allocateHandle()});
  return true;
}

bool OvDbDatabase::addLayerFromFile(const std::string& name, const std::string& nameInFile,
                                    std::uint64_t handle) {
  if (name.empty() || layers_.size() >= kMaxLayers || layerIndexByName_.contains(name))
    return false;
  layerIndexByName_.emplace(name, static_cast<std::uint32_t>(layers_.size()));
  layers_.push_back(OvDbSymbolRecord{name, nameInFile, handle});
  return true;
}

bool OvDbDatabase::hasLayer(const std::string& name) const {
  return layerIndexByName_.contains(name);
}

std::ptrdiff_t OvDbDatabase::layerIndex(const std::string& name) const {
  const auto found = layerIndexByName_.find(name);
  return found == layerIndexByName_.end() ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

std::ptrdiff_t OvDbDatabase::cachedLayerIndex(const std::string& name) {
  // Layers are only ever appended (until a reset, which forgets this), so a name once found keeps
  // its position.
  if (lastLayerIndex_ >= 0 && name == lastLayerName_) return lastLayerIndex_;
  const std::ptrdiff_t index = layerIndex(name);
  if (index >= 0) {
    lastLayerName_ = name;
    lastLayerIndex_ = index;
  }
  return index;
}

std::uint32_t OvDbDatabase::layerZero() const {
  const std::ptrdiff_t zero = layerIndex(kLayerZero);
  return zero < 0 ? 0 : static_cast<std::uint32_t>(zero);
}

std::vector<std::string> OvDbDatabase::layerNames() const {
  std::vector<std::string> names;
  names.reserve(layers_.size());
  for (const auto& layer : layers_) names.push_back(layer.name);
  return names;
}

const std::string& OvDbDatabase::currentLayerName() const {
  return layers_.empty() ? kLayerZero : layers_[currentLayer_].name;
}

bool OvDbDatabase::setCurrentLayer(const std::string& name) {
  const std::ptrdiff_t index = layerIndex(name);
  if (index < 0) return false;
  currentLayer_ = static_cast<std::uint32_t>(index);
  return true;
}

void OvDbDatabase::registerApplication(const std::string& name) {
  if (name.empty() || !applicationNames_.insert(name).second) return;
  applications_.push_back(OvDbSymbolRecord{name, std::string(), allocateHandle()});
}

void OvDbDatabase::addApplicationFromFile(const std::string& name, const std::string& nameInFile,
                                          std::uint64_t handle) {
  if (!applicationNames_.insert(name).second) return;
  applications_.push_back(OvDbSymbolRecord{name, nameInFile, handle});
}

void OvDbDatabase::resetFromFile(std::unique_ptr<OvDbFileContent> content,
                                 std::uint64_t handleSeed) {
  fileContent_ = std::move(content);
  nextHandle_ = handleSeed;
  layers_.clear();
  layerIndexByName_.clear();
  currentLayer_ = 0;
  lastLayerIndex_ = -1;
  rows_.clear();
  handleRuns_.clear();
  points_.clear();
  polylines_.clear();
  simplePolylines_.clear();
  vertices_.clear();
  simpleVertices_.clear();
  objects_.clear();
  xdata_.clear();
  applications_.clear();
  applicationNames_.clear();
  objectDataTables_->clear();
  // Ids of the entities dropped here must never name the new ones.
  serial_ = nextDatabaseSerial();
}

// ---- model space ----

OvDbObjectId OvDbDatabase::idAt(std::size_t index) const {
  return OvDbObjectId((serial_ << kPositionBits) | (index + 1));
}

std::ptrdiff_t OvDbDatabase::indexOf(OvDbObjectId id) const {
  if (id.isNull() || (id.value() >> kPositionBits) != serial_) return -1;
  const std::uint64_t position = (id.value() & kPositionMask) - 1;
  if (position >= rows_.size()) return -1;
  return static_cast<std::ptrdiff_t>(position);
}

OvDbObjectId OvDbDatabase::appendRow(Row row, std::uint64_t handle) {
  if (rows_.size() >= kPositionMask) return OvDbObjectId();
  const std::uint64_t given = handle != 0 ? handle : allocateHandle();
  if (handleRuns_.empty() || handleAt(rows_.size() - 1) + 1 != given)
    handleRuns_.push_back(HandleRun{rows_.size(), given});
  rows_.push_back(row);
  return idAt(rows_.size() - 1);
}

std::uint64_t OvDbDatabase::handleAt(std::size_t index) const {
  // The last run starting at or before the position.
  const auto after = std::upper_bound(
      handleRuns_.begin(), handleRuns_.end(), index,
      [](std::size_t position, const HandleRun& run) { return position < run.first; });
  const HandleRun& run = *(after - 1);
  return run.handle + (index - run.first);
}

OvDbObjectId OvDbDatabase::appendEntity(std::unique_ptr<OvDbEntity> entity) {
  return appendWithHandle(std::move(entity), 0);
}

OvDbObjectId OvDbDatabase::appendEntityFromFile(std::unique_ptr<OvDbEntity> entity,
                                                std::uint64_t handle, const std::string& layer) {
  const OvDbObjectId id = appendWithHandle(std::move(entity), handle);
  const std::ptrdiff_t index = layerIndex(layer);
  if (id.isValid() && index >= 0) rows_.back().layer = static_cast<std::uint32_t>(index);
  return id;
}

OvDbObjectId OvDbDatabase::appendWithHandle(std::unique_ptr<OvDbEntity> entity,
                                            std::uint64_t handle) {
  if (!entity || entity->database_ != nullptr) return OvDbObjectId();
  const Row row{static_cast<std::uint32_t>(objects_.size()), layerZero(), entity->kind(),
                Storage::Object};
  const OvDbObjectId id = appendRow(row, handle);
  if (id.isNull()) return id;
  entity->database_ = this;
  entity->index_ = static_cast<std::uint32_t>(rows_.size() - 1);
  if (entity->pendingXData_) {
    for (const auto& block : *entity->pendingXData_) registerApplication(block.applicationName);
    xdata_[entity->index_] = std::move(*entity->pendingXData_);
    rows_[entity->index_].hasXData = 1;
    entity->pendingXData_.reset();
  }
  objects_.push_back(std::move(entity));
  return id;
}

OvDbEntity& OvDbDatabase::objectAt(std::size_t index) {
  Row& row = rows_[index];
  if (row.storage() == Storage::Object) return *objects_[row.payload];
  std::unique_ptr<OvDbEntity> object;
  switch (row.storage()) {
    case Storage::Point:
      object = std::make_unique<OvDbPoint>(points_[row.payload]);
      break;
    case Storage::Polyline: {
      const StoredPolyline& stored = polylines_[row.payload];
      auto polyline = std::make_unique<OvDbPolyline>();
      polyline->vertices.assign(stored.vertices, stored.vertices + stored.count);
      polyline->closed = stored.closed;
      polyline->elevation = stored.elevation;
      object = std::move(polyline);
      break;
    }
    case Storage::SimplePolyline: {
      const StoredSimplePolyline& stored = simplePolylines_[row.payload];
      auto polyline = std::make_unique<OvDb2dPolyline>();
      polyline->vertices.assign(stored.vertices, stored.vertices + stored.count);
      object = std::move(polyline);
      break;
    }
    case Storage::Object:
      break;
  }
  // The table's slot is left behind: from now on the object is the entity.
  object->database_ = this;
  object->index_ = static_cast<std::uint32_t>(index);
  row.set(row.kind(), Storage::Object, static_cast<std::uint32_t>(objects_.size()));
  objects_.push_back(std::move(object));
  return *objects_.back();
}

OvDbEntity& OvDbDatabase::entityAt(std::size_t index) {
  return objectAt(index);
}

const OvDbEntity& OvDbDatabase::entityAt(std::size_t index) const {
  // Making the object changes how the entity is kept, not what it is.
  return const_cast<OvDbDatabase*>(this)->objectAt(index);
}

OvDbEntity* OvDbDatabase::openEntity(OvDbObjectId id) {
  const std::ptrdiff_t index = indexOf(id);
  return index < 0 ? nullptr : &objectAt(static_cast<std::size_t>(index));
}

const OvDbEntity* OvDbDatabase::openEntity(OvDbObjectId id) const {
  return const_cast<OvDbDatabase*>(this)->openEntity(id);
}

OvDbStoredEntity OvDbDatabase::storedEntity(std::size_t index) const {
  const Row& row = rows_[index];
  OvDbStoredEntity stored;
  stored.kind = row.kind();
  stored.layerIndex = row.layer;
  stored.handle = handleAt(index);
  switch (row.storage()) {
    case Storage::Point:
      stored.position = points_[row.payload];
      return stored;
    case Storage::Polyline: {
      const StoredPolyline& polyline = polylines_[row.payload];
      stored.vertices = {polyline.vertices, polyline.count};
      stored.closed = polyline.closed;
      stored.elevation = polyline.elevation;
      return stored;
    }
    case Storage::SimplePolyline: {
      const StoredSimplePolyline& polyline = simplePolylines_[row.payload];
      stored.simpleVertices = {polyline.vertices, polyline.count};
      return stored;
    }
    case Storage::Object:
      break;
  }
  const OvDbEntity& object = *objects_[row.payload];
  stored.object = &object;
  switch (row.kind()) {
    case OvDbEntityKind::Point:
      stored.position = static_cast<const OvDbPoint&>(object).position;
      break;
    case OvDbEntityKind::Polyline: {
      const auto& polyline = static_cast<const OvDbPolyline&>(object);
      stored.vertices = polyline.vertices;
      stored.closed = polyline.closed;
      stored.elevation = polyline.elevation;
      break;
    }
    case OvDbEntityKind::Polyline2d:
      stored.simpleVertices = static_cast<const OvDb2dPolyline&>(object).vertices;
      break;
    default:
      break;
  }
  return stored;
}

const std::vector<OvDbXData>& OvDbDatabase::xdataAt(std::size_t index) const {
  if (index >= rows_.size() || rows_[index].hasXData == 0) return kNoXData;
  const auto found = xdata_.find(static_cast<std::uint32_t>(index));
  return found == xdata_.end() ? kNoXData : found->second;
}

void OvDbDatabase::setXDataAt(std::size_t index, const std::string& applicationName,
                              std::vector<std::string> values) {
  if (applicationName.empty() || index >= rows_.size()) return;
  registerApplication(applicationName);
  putXData(xdata_[static_cast<std::uint32_t>(index)], applicationName, std::move(values));
  rows_[index].hasXData = 1;
}

bool OvDbDatabase::replaceEntity(OvDbObjectId id, std::unique_ptr<OvDbEntity> entity) {
  const std::ptrdiff_t index = indexOf(id);
  if (index < 0 || !entity || entity->database_ != nullptr) return false;
  const auto position = static_cast<std::uint32_t>(index);
  Row& row = rows_[position];
  entity->database_ = this;
  entity->index_ = position;
  // The entity's own extended data wins; without any it takes over the old entity's.
  if (entity->pendingXData_) {
    for (const auto& block : *entity->pendingXData_) registerApplication(block.applicationName);
    xdata_[position] = std::move(*entity->pendingXData_);
    row.hasXData = 1;
    entity->pendingXData_.reset();
  }
  if (row.storage() == Storage::Object) {
    row.set(entity->kind(), Storage::Object, row.payload);
    objects_[row.payload] = std::move(entity);
  } else {
    row.set(entity->kind(), Storage::Object, static_cast<std::uint32_t>(objects_.size()));
    objects_.push_back(std::move(entity));
  }
  return true;
}

// ---- the drawing operations ----

OvDbObjectId OvDbDatabase::createPoint(const std::string& layer, double x, double y, double z) {
  const std::ptrdiff_t index = cachedLayerIndex(layer);
  const Row row{static_cast<std::uint32_t>(points_.size()),
                index < 0 ? layerZero() : static_cast<std::uint32_t>(index), OvDbEntityKind::Point,
                Storage::Point};
  const OvDbObjectId id = appendRow(row, 0);
  if (id.isValid()) points_.push_back(OvGePoint3d{x, y, z});
  return id;
}

OvDbObjectId OvDbDatabase::create2dPolyline(std::span<const OvGePoint3d> points) {
  if (points.size() < 2) return OvDbObjectId();
  const Row row{static_cast<std::uint32_t>(simplePolylines_.size()), layerZero(),
                OvDbEntityKind::Polyline2d, Storage::SimplePolyline};
  const OvDbObjectId id = appendRow(row, 0);
  if (id.isNull()) return id;
  const std::span<OvGePoint3d> vertices = simpleVertices_.allocate(points.size());
  std::copy(points.begin(), points.end(), vertices.begin());
  simplePolylines_.push_back(StoredSimplePolyline{vertices.data(), vertices.size()});
  return id;
}

void OvDbDatabase::convertToLightweight(OvDbObjectId id) {
  const std::ptrdiff_t index = indexOf(id);
  if (index < 0) return;
  Row& row = rows_[static_cast<std::size_t>(index)];
  if (row.kind() != OvDbEntityKind::Polyline2d) return;
  // A simple 2-D polyline lies at elevation 0 and is open; the lightweight one keeps that.
  if (row.storage() == Storage::Object) {
    const auto& simple = static_cast<const OvDb2dPolyline&>(*objects_[row.payload]);
    auto lightweight = std::make_unique<OvDbPolyline>();
    lightweight->vertices.reserve(simple.vertices.size());
    for (const auto& vertex : simple.vertices)
      lightweight->vertices.push_back({vertex.x, vertex.y});
    replaceEntity(id, std::move(lightweight));
    return;
  }
  const StoredSimplePolyline simple = simplePolylines_[row.payload];
  const std::span<OvDbPolyline::Vertex> vertices = vertices_.allocate(simple.count);
  for (std::size_t i = 0; i < simple.count; ++i)
    vertices[i] = {simple.vertices[i].x, simple.vertices[i].y};
  // The builders convert at once, so the simple form was the last one made: its room goes back.
  simpleVertices_.releaseIfLast({simple.vertices, simple.count});
  if (row.payload + 1 == simplePolylines_.size()) simplePolylines_.pop_back();
  row.set(OvDbEntityKind::Polyline, Storage::Polyline,
          static_cast<std::uint32_t>(polylines_.size()));
  polylines_.push_back(
      StoredPolyline{vertices.data(), static_cast<std::uint32_t>(vertices.size()), false, 0.0});
}

void OvDbDatabase::setPolylineLayerAndClosure(OvDbObjectId id, const std::string& layer,
                                              bool closed) {
  const std::ptrdiff_t index = indexOf(id);
  if (index < 0) return;
  Row& row = rows_[static_cast<std::size_t>(index)];
  if (row.kind() != OvDbEntityKind::Polyline) return;
  if (const std::ptrdiff_t found = cachedLayerIndex(layer); found >= 0)
    row.layer = static_cast<std::uint32_t>(found);
  if (row.storage() == Storage::Object)
    static_cast<OvDbPolyline&>(*objects_[row.payload]).closed = closed;
  else
    polylines_[row.payload].closed = closed;
}

OvDbObjectId OvDbDatabase::createPolyline(const std::string& layer,
                                          std::span<const OvGePoint3d> points, bool closed) {
  if (points.size() < 2 || points.size() > UINT32_MAX) return OvDbObjectId();
  const std::ptrdiff_t index = cachedLayerIndex(layer);
  const Row row{static_cast<std::uint32_t>(polylines_.size()),
                index < 0 ? layerZero() : static_cast<std::uint32_t>(index),
                OvDbEntityKind::Polyline, Storage::Polyline};
  const OvDbObjectId id = appendRow(row, 0);
  if (id.isNull()) return id;
  const std::span<OvDbPolyline::Vertex> vertices = vertices_.allocate(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) vertices[i] = {points[i].x, points[i].y};
  polylines_.push_back(StoredPolyline{vertices.data(), static_cast<std::uint32_t>(points.size()),
                                      closed, points.front().z});
  return id;
}

// ---- the working database ----

OvDbDatabase& ovWorkingDatabase() {
  OvDbDatabase* working = workingDatabasePointer();
  if (working != nullptr) return *working;
  static OvDbDatabase defaultDatabase;
  return defaultDatabase;
}

void ovSetWorkingDatabase(OvDbDatabase* database) {
  workingDatabasePointer() = database;
}

namespace ovdraw {

OvDbObjectId appendToModelSpace(std::unique_ptr<OvDbEntity> entity) {
  return ovWorkingDatabase().appendEntity(std::move(entity));
}

OvDbObjectId createPoint(const std::string& layer, double x, double y, double z) {
  return ovWorkingDatabase().createPoint(layer, x, y, z);
}

OvDbObjectId create2dPolyline(std::vector<OvGePoint3d> points) {
  return ovWorkingDatabase().create2dPolyline(points);
}

void convertToLightweight(OvDbObjectId id) {
  ovWorkingDatabase().convertToLightweight(id);
}

void setPolylineLayerAndClosure(OvDbObjectId id, const std::string& layer, bool closed) {
  ovWorkingDatabase().setPolylineLayerAndClosure(id, layer, closed);
}

std::vector<std::string> listLayers() {
  return ovWorkingDatabase().layerNames();
}

std::string currentLayerName() {
  return ovWorkingDatabase().currentLayerName();
}

OvDbObjectId createLine(const std::string& layer, double x1, double y1, double x2, double y2) {
  auto line = std::make_unique<OvDbLine>();
  line->start = {x1, y1, 0.0};
  line->end = {x2, y2, 0.0};
  OvDbDatabase& database = ovWorkingDatabase();
  const OvDbObjectId id = database.appendEntity(std::move(line));
  if (OvDbEntity* entity = database.openEntity(id)) entity->setLayer(layer);
  return id;
}

OvDbObjectId createArc(const std::string& layer, double centerX, double centerY, double radius,
                       double startAngle, double endAngle) {
  auto arc = std::make_unique<OvDbArc>();
  arc->center = {centerX, centerY, 0.0};
  arc->radius = radius;
  arc->startAngle = startAngle;
  arc->endAngle = endAngle;
  OvDbDatabase& database = ovWorkingDatabase();
  const OvDbObjectId id = database.appendEntity(std::move(arc));
  if (OvDbEntity* entity = database.openEntity(id)) entity->setLayer(layer);
  return id;
}

OvDbObjectId createPolyline(const std::string& layer, const std::vector<OvGePoint3d>& points,
                            bool closed) {
  return ovWorkingDatabase().createPolyline(layer, points, closed);
}

bool attachXData(OvDbObjectId id, const std::string& applicationName,
                 std::vector<std::string> values) {
  OvDbDatabase& database = ovWorkingDatabase();
  const std::ptrdiff_t index = database.indexOf(id);
  if (index < 0 || applicationName.empty()) return false;
  database.setXDataAt(static_cast<std::size_t>(index), applicationName, std::move(values));
  return true;
}

}  // namespace ovdraw
