#include "platform/drawing/drawing_database.h"

#include <atomic>

#include "platform/drawing/object_data.h"

namespace {

// Ids carry the database's serial in their upper bits so that an id of one drawing never opens an
// entity of another; the lower bits are the model-space position + 1.
constexpr int kPositionBits = 40;
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << kPositionBits) - 1;

std::uint64_t nextDatabaseSerial() {
  static std::atomic<std::uint64_t> serial{0};
  return ++serial;
}

const std::string kLayerZero = "0";

OvDbDatabase*& workingDatabasePointer() {
  static OvDbDatabase* working = nullptr;
  return working;
}

}  // namespace

OvDbEntity::~OvDbEntity() = default;

const std::string& OvDbEntity::layer() const {
  if (database_ == nullptr || layerIndex_ >= database_->layers_.size()) return kLayerZero;
  return database_->layers_[layerIndex_].name;
}

bool OvDbEntity::setLayer(const std::string& name) {
  if (database_ == nullptr || kind_ == OvDbEntityKind::Raw) return false;
  const std::ptrdiff_t index = database_->layerIndex(name);
  if (index < 0) return false;
  layerIndex_ = static_cast<std::uint32_t>(index);
  return true;
}

const std::vector<OvDbXData>& OvDbEntity::xdata() const {
  static const std::vector<OvDbXData> none;
  return xdata_ ? *xdata_ : none;
}

void OvDbEntity::setXData(const std::string& applicationName, std::vector<std::string> values) {
  if (applicationName.empty()) return;
  if (!xdata_) xdata_ = std::make_unique<std::vector<OvDbXData>>();
  if (database_ != nullptr) database_->registerApplication(applicationName);
  for (auto& block : *xdata_) {
    if (block.applicationName == applicationName) {
      block.values = std::move(values);
      return;
    }
  }
  xdata_->push_back(OvDbXData{applicationName, std::move(values)});
}

OvDbDatabase::OvDbDatabase()
    : serial_(nextDatabaseSerial()), objectDataTables_(std::make_unique<OvMapODTables>(*this)) {
  addLayer("0");
  registerApplication("ACAD");
}

OvDbDatabase::~OvDbDatabase() = default;

bool OvDbDatabase::addLayer(const std::string& name) {
  if (name.empty() || layerIndexByName_.contains(name)) return false;
  layerIndexByName_.emplace(name, static_cast<std::uint32_t>(layers_.size()));
  layers_.push_back(OvDbSymbolRecord{name, std::string(), allocateHandle()});
  return true;
}

bool OvDbDatabase::addLayerFromFile(const std::string& name, const std::string& nameInFile,
                                    std::uint64_t handle) {
  if (name.empty() || layerIndexByName_.contains(name)) return false;
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

OvDbObjectId OvDbDatabase::appendEntity(std::unique_ptr<OvDbEntity> entity) {
  return appendWithHandle(std::move(entity), 0);
}

OvDbObjectId OvDbDatabase::appendEntityFromFile(std::unique_ptr<OvDbEntity> entity,
                                                std::uint64_t handle, const std::string& layer) {
  if (entity) {
    const std::ptrdiff_t index = layerIndex(layer);
    if (index >= 0) entity->layerIndex_ = static_cast<std::uint32_t>(index);
  }
  return appendWithHandle(std::move(entity), handle);
}

OvDbObjectId OvDbDatabase::appendWithHandle(std::unique_ptr<OvDbEntity> entity,
                                            std::uint64_t handle) {
  if (!entity || entity->database_ != nullptr) return OvDbObjectId();
  if (entities_.size() >= kPositionMask) return OvDbObjectId();
  const OvDbObjectId id((serial_ << kPositionBits) | (entities_.size() + 1));
  entity->database_ = this;
  entity->objectId_ = id;
  entity->handle_ = handle != 0 ? handle : allocateHandle();
  if (entity->layerIndex_ >= layers_.size()) {
    const std::ptrdiff_t zero = layerIndex(kLayerZero);
    entity->layerIndex_ = zero < 0 ? 0 : static_cast<std::uint32_t>(zero);
  }
  if (entity->xdata_) {
    for (const auto& block : *entity->xdata_) registerApplication(block.applicationName);
  }
  entities_.push_back(std::move(entity));
  return id;
}

std::ptrdiff_t OvDbDatabase::indexOf(OvDbObjectId id) const {
  if (id.isNull() || (id.value() >> kPositionBits) != serial_) return -1;
  const std::uint64_t position = (id.value() & kPositionMask) - 1;
  if (position >= entities_.size()) return -1;
  return static_cast<std::ptrdiff_t>(position);
}

OvDbEntity* OvDbDatabase::openEntity(OvDbObjectId id) {
  const std::ptrdiff_t index = indexOf(id);
  return index < 0 ? nullptr : entities_[static_cast<std::size_t>(index)].get();
}

const OvDbEntity* OvDbDatabase::openEntity(OvDbObjectId id) const {
  const std::ptrdiff_t index = indexOf(id);
  return index < 0 ? nullptr : entities_[static_cast<std::size_t>(index)].get();
}

bool OvDbDatabase::replaceEntity(OvDbObjectId id, std::unique_ptr<OvDbEntity> entity) {
  const std::ptrdiff_t index = indexOf(id);
  if (index < 0 || !entity || entity->database_ != nullptr) return false;
  auto& slot = entities_[static_cast<std::size_t>(index)];
  entity->database_ = this;
  entity->objectId_ = id;
  entity->handle_ = slot->handle_;
  entity->layerIndex_ = slot->layerIndex_;
  if (!entity->xdata_) entity->xdata_ = std::move(slot->xdata_);
  for (const auto& block : entity->xdata()) registerApplication(block.applicationName);
  slot = std::move(entity);
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
  entities_.clear();
  applications_.clear();
  applicationNames_.clear();
  objectDataTables_->clear();
  // Ids of the entities dropped here must never name the new ones.
  serial_ = nextDatabaseSerial();
}

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
  OvDbDatabase& database = ovWorkingDatabase();
  const OvDbObjectId id = database.appendEntity(std::make_unique<OvDbPoint>(OvGePoint3d{x, y, z}));
  if (OvDbEntity* entity = database.openEntity(id)) entity->setLayer(layer);
  return id;
}

OvDbObjectId create2dPolyline(std::vector<OvGePoint3d> points) {
  if (points.size() < 2) return OvDbObjectId();
  auto polyline = std::make_unique<OvDb2dPolyline>();
  polyline->vertices = std::move(points);
  return ovWorkingDatabase().appendEntity(std::move(polyline));
}

void convertToLightweight(OvDbObjectId id) {
  OvDbDatabase& database = ovWorkingDatabase();
  const auto* simple = database.openAs<OvDb2dPolyline>(id);
  if (simple == nullptr) return;
  auto lightweight = std::make_unique<OvDbPolyline>();
  lightweight->vertices.reserve(simple->vertices.size());
  for (const auto& vertex : simple->vertices) lightweight->vertices.push_back({vertex.x, vertex.y});
  // A simple 2-D polyline lies at elevation 0 and is open; the lightweight one keeps that.
  database.replaceEntity(id, std::move(lightweight));
}

void setPolylineLayerAndClosure(OvDbObjectId id, const std::string& layer, bool closed) {
  auto* polyline = ovWorkingDatabase().openAs<OvDbPolyline>(id);
  if (polyline == nullptr) return;
  polyline->setLayer(layer);
  polyline->closed = closed;
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
  if (points.size() < 2) return OvDbObjectId();
  auto polyline = std::make_unique<OvDbPolyline>();
  polyline->vertices.reserve(points.size());
  for (const auto& point : points) polyline->vertices.push_back({point.x, point.y});
  polyline->elevation = points.front().z;
  polyline->closed = closed;
  OvDbDatabase& database = ovWorkingDatabase();
  const OvDbObjectId id = database.appendEntity(std::move(polyline));
  if (OvDbEntity* entity = database.openEntity(id)) entity->setLayer(layer);
  return id;
}

bool attachXData(OvDbObjectId id, const std::string& applicationName,
                 std::vector<std::string> values) {
  OvDbEntity* entity = ovWorkingDatabase().openEntity(id);
  if (entity == nullptr || applicationName.empty()) return false;
  entity->setXData(applicationName, std::move(values));
  return true;
}

}  // namespace ovdraw
