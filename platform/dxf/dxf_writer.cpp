#include "platform/dxf/dxf_writer.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <numbers>
#include <unordered_map>
#include <unordered_set>

#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_groups.h"
#include "platform/dxf/dxf_structure.h"
#include "platform/dxf/dxf_text.h"
#include "platform/dxf/dxf_view.h"

namespace {

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string_view cutAtCharacter(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) --end;
  return text.substr(0, end);
}

std::string_view headerVariableName(const DxfGroup& group) {
  return group.code == 9 ? std::string_view(group.value) : std::string_view();
}

// The value of a header variable's first group, or empty.
std::string_view headerValue(const DxfGroups& header, std::string_view name) {
  for (std::size_t i = 0; i + 1 < header.size(); ++i)
    if (header[i].code == 9 && header[i].value == name) return trimDxfText(header[i + 1].value);
  return {};
}

bool isActiveViewport(const DxfTableEntry& entry) { return asciiLower(entry.name) == "*active"; }

// Colours the base drawing's layers have, so that the layers made here differ from them.
std::vector<int> baseLayerColours(const DxfStructure& structure) {
  std::vector<int> colours;
  for (const auto& table : structure.tables) {
    if (asciiLower(table.name) != "layer") continue;
    for (const auto& entry : table.entries)
      for (const auto& group : entry.groups)
        if (group.code == 62) colours.push_back(std::abs(std::atoi(group.value.c_str())));
  }
  return colours;
}

class DrawingWriter {
 public:
  DrawingWriter(const OvDbDatabase& database, kestrel::io::ByteSink& sink)
      : database_(database),
        structure_(dxfStructureOf(database)),
        tables_(database.objectDataTables()),
        out_(sink),
        layerNames_(dxfSymbolNames(database.layers())),
        applicationNames_(dxfSymbolNames(database.applications())),
        layerColours_(dxfLayerColours(database.layers(), baseLayerColours(structure_))),
        extents_(drawingExtents(database, structure_.contentExtents)),
        view_(viewOf(extents_)) {
    for (std::size_t i = 0; i < database.applications().size(); ++i) {
      applicationIndex_.emplace(database.applications()[i].name, i);
    }
    // The object-data definitions get handles above everything the drawing has handed out.
    std::uint64_t next = database.handleSeed();
    for (const auto& table : structure_.tables) {
      if (table.name != "VPORT") continue;
      if (std::none_of(table.entries.begin(), table.entries.end(), isActiveViewport))
        activeViewport_ = next++;
    }
    if (!tables_.Tables().empty()) {
      objectDataDictionary_ = next++;
      for (std::size_t i = 0; i < tables_.Tables().size(); ++i)
        tableRecordHandles_.push_back(next++);
    }
    handleSeed_ = next;
  }

  bool write() {
    writeHeader();
    section("CLASSES");
    out_.groups(structure_.classes);
    endSection();
    writeTables();
    section("BLOCKS");
    out_.groups(structure_.blocks);
    endSection();
    writeEntities();
    writeObjects();
    for (const auto& other : structure_.otherSections) {
      section(other.name);
      out_.groups(other.groups);
      endSection();
    }
    out_.verbatim(0, "EOF");
    return out_.flush();
  }

 private:
  void section(std::string_view name) {
    out_.verbatim(0, "SECTION");
    out_.verbatim(2, name);
  }
  void endSection() { out_.verbatim(0, "ENDSEC"); }

  const std::string& currentLayerDxfName() const {
    const std::ptrdiff_t index = database_.layerIndex(database_.currentLayerName());
    static const std::string zero = "0";
    return index < 0 ? zero : layerNames_[static_cast<std::size_t>(index)];
  }

  void writeHeader() {
    section("HEADER");
    out_.verbatim(9, "$ACADVER");
    out_.verbatim(1, "AC1027");
    // A base drawing that already shows its points as marks keeps its style.
    const std::string_view baseMode = headerValue(structure_.header, "$PDMODE");
    const bool ownPointStyle = baseMode.empty() || baseMode == "0";
    bool codePageWritten = false;
    bool handleSeedWritten = false;
    bool currentLayerWritten = false;
    bool extentsWritten = false;
    bool pointStyleWritten = !ownPointStyle;
    bool skipping = false;
    for (const auto& group : structure_.header) {
      const std::string_view name = headerVariableName(group);
      if (!name.empty()) {
        skipping = true;
        if (name == "$ACADVER") continue;
        if (name == "$DWGCODEPAGE") {
          writeCodePage();
          codePageWritten = true;
        } else if (name == "$HANDSEED") {
          writeHandleSeed();
          handleSeedWritten = true;
        } else if (name == "$CLAYER") {
          writeCurrentLayer();
          currentLayerWritten = true;
        } else if (name == "$EXTMIN" || name == "$EXTMAX") {
          if (!extentsWritten) writeExtents();
          extentsWritten = true;
        } else if (ownPointStyle && (name == "$PDMODE" || name == "$PDSIZE")) {
          if (!pointStyleWritten) writePointStyle();
          pointStyleWritten = true;
        } else {
          skipping = false;
        }
      }
      if (!skipping) out_.verbatim(group.code, group.value);
    }
    if (!codePageWritten) writeCodePage();
    if (!extentsWritten) writeExtents();
    if (!pointStyleWritten) writePointStyle();
    if (!currentLayerWritten) writeCurrentLayer();
    if (!handleSeedWritten) writeHandleSeed();
    endSection();
  }
  // An empty drawing's extents are written the wrong way round, as CAD programs write them.
  void writeExtents() {
    const bool empty = extents_.empty();
    for (const auto& [name, corner, fallback] :
         {std::tuple{"$EXTMIN", extents_.min, 1e20}, std::tuple{"$EXTMAX", extents_.max, -1e20}}) {
      out_.verbatim(9, name);
      for (int axis = 0; axis < 3; ++axis) {
        const bool known = !empty && extents_.min[axis] <= extents_.max[axis];
        out_.real(10 * (axis + 1), known ? corner[axis] : (empty ? fallback : 0.0));
      }
    }
  }
  // Points as a circle with a cross, sized to the drawing, so they show at any zoom that shows
  // the drawing rather than as one-pixel dots.
  void writePointStyle() {
    out_.verbatim(9, "$PDMODE");
    out_.verbatim(70, "34");
    out_.verbatim(9, "$PDSIZE");
    out_.real(40, pointMarkSize(extents_));
  }
  void writeCodePage() {
    // The text is UTF-8 (as from R2007 on it must be). Readers that decode by the code page (GDAL,
    // and QGIS through it) read "ANSI_n" as code page n, so 65001 gives them UTF-8 too.
    out_.verbatim(9, "$DWGCODEPAGE");
    out_.verbatim(3, "ANSI_65001");
  }
  void writeHandleSeed() {
    out_.verbatim(9, "$HANDSEED");
    out_.handle(5, handleSeed_);
  }
  void writeCurrentLayer() {
    out_.verbatim(9, "$CLAYER");
    out_.verbatim(8, currentLayerDxfName());
  }

  void writeTables() {
    section("TABLES");
    for (const auto& table : structure_.tables) {
      std::size_t generated = 0;
      if (table.name == "LAYER") generated = countMadeHere(database_.layers());
      if (table.name == "APPID") generated = countMadeHere(database_.applications());
      if (table.name == "VPORT" && activeViewport_ != 0) generated = 1;
      bool countWritten = false;
      for (const auto& group : table.head) {
        if (group.code == 70 && !countWritten) {
          out_.integer(70, static_cast<long long>(table.entries.size() + generated));
          countWritten = true;
        } else {
          out_.verbatim(group.code, group.value);
        }
      }
      for (const auto& entry : table.entries) {
        if (table.name == "VPORT" && isActiveViewport(entry))
          writeViewport(entry.groups);
        else
          out_.groups(entry.groups);
      }
      if (table.name == "VPORT" && activeViewport_ != 0) writeNewViewport(table);
      if (table.name == "LAYER") {
        writeMadeEntries(table, database_.layers(), layerNames_, "LAYER", "AcDbLayerTableRecord");
      } else if (table.name == "APPID") {
        writeMadeEntries(table, database_.applications(), applicationNames_, "APPID",
                         "AcDbRegAppTableRecord");
      }
      out_.verbatim(0, "ENDTAB");
    }
    endSection();
  }
  static std::size_t countMadeHere(const std::vector<OvDbSymbolRecord>& records) {
    std::size_t count = 0;
    for (const auto& record : records) count += record.nameInFile.empty() ? 1 : 0;
    return count;
  }
  void writeMadeEntries(const DxfTable& table, const std::vector<OvDbSymbolRecord>& records,
                        const std::vector<std::string>& names, std::string_view kind,
                        std::string_view subclass) {
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (!records[i].nameInFile.empty()) continue;
      out_.verbatim(0, kind);
      out_.handle(5, records[i].handle);
      out_.handle(330, table.handle);
      out_.verbatim(100, "AcDbSymbolTableRecord");
      out_.verbatim(100, subclass);
      out_.verbatim(2, names[i]);
      out_.verbatim(70, "0");
      if (kind == "LAYER") {
        out_.integer(62, layerColours_[i]);
        out_.verbatim(6, "Continuous");
      }
    }
  }

  // The active viewport of a base drawing, its view moved onto the extents.
  void writeViewport(const DxfGroups& groups) {
    for (const auto& group : groups) {
      switch (group.code) {
        case 12: out_.real(12, view_.centreX); break;
        case 22: out_.real(22, view_.centreY); break;
        case 40: out_.real(40, view_.height); break;
        case 41: out_.real(41, view_.aspect); break;
        default: out_.verbatim(group.code, group.value);
      }
    }
  }
  // The active viewport of a drawing without one: a plan view of the extents.
  void writeNewViewport(const DxfTable& table) {
    out_.verbatim(0, "VPORT");
    out_.handle(5, activeViewport_);
    out_.handle(330, table.handle);
    out_.verbatim(100, "AcDbSymbolTableRecord");
    out_.verbatim(100, "AcDbViewportTableRecord");
    out_.verbatim(2, "*Active");
    out_.verbatim(70, "0");
    for (const auto& [code, value] :
         {std::pair{10, 0.0}, {20, 0.0}, {11, 1.0}, {21, 1.0}, {12, view_.centreX},
          {22, view_.centreY}, {13, 0.0}, {23, 0.0}, {14, 1.0}, {24, 1.0}, {15, 1.0}, {25, 1.0},
          {16, 0.0}, {26, 0.0}, {36, 1.0}, {17, 0.0}, {27, 0.0}, {37, 0.0}, {40, view_.height},
          {41, view_.aspect}, {42, 50.0}, {43, 0.0}, {44, 0.0}, {50, 0.0}, {51, 0.0}})
      out_.real(code, value);
    for (const auto& [code, value] : {std::pair{71, "0"}, {72, "100"}, {73, "1"}, {74, "3"},
                                      {75, "0"}, {76, "0"}, {77, "0"}, {78, "0"}})
      out_.verbatim(code, value);
  }

  // The groups every entity of a kind on a layer starts with, laid out once: what comes before
  // the handle, and by layer what comes after it up to the entity's own groups.
  struct EntityStart {
    EntityStart(std::string_view type, std::string_view subclassName) : subclass(subclassName) {
      appendDxfGroup(beforeHandle, 0, type);
      beforeHandle += "  5\n";
    }
    std::string subclass;
    std::string beforeHandle;
    std::vector<std::string> afterHandle;  // by layer; empty until first needed
  };
  void entityStart(EntityStart& start, std::uint64_t handle, std::uint32_t layerIndex) {
    const std::size_t layer = layerIndex < layerNames_.size() ? layerIndex : 0;
    if (start.afterHandle.size() <= layer) start.afterHandle.resize(layerNames_.size());
    std::string& after = start.afterHandle[layer];
    if (after.empty()) {
      appendDxfGroup(after, 330, dxfHandleText(structure_.modelSpaceRecordHandle));
      appendDxfGroup(after, 100, "AcDbEntity");
      appendDxfGroup(after, 8, layerNames_[layer]);
      appendDxfGroup(after, 100, start.subclass);
    }
    out_.raw(start.beforeHandle);
    out_.handleLine(handle);
    out_.raw(after);
  }

  // Extended data: the entity's own, then its object-data records under their tables' names.
  void writeExtendedData(std::size_t index) {
    for (const auto& block : database_.xdataAt(index)) {
      const auto found = applicationIndex_.find(block.applicationName);
      if (found == applicationIndex_.end()) continue;
      out_.verbatim(1001, applicationNames_[found->second]);
      for (const auto& value : block.values) out_.text(1000, value);
    }
    tables_.forEachRecordOf(index, [&](const OvMapODTable& table, const OvMapODRecordView& record) {
      RecordLayout& layout = recordLayout(table, record.Count());
      if (layout.head.empty()) return;
      out_.raw(layout.head);
      for (int column = 0; column < record.Count(); ++column) {
        switch (record.Type(column)) {
          case OvMapDataType::Integer:
            out_.literal("1071\n");
            out_.integerLine(record.Int32Value(column));
            break;
          case OvMapDataType::Real:
            out_.literal("1040\n");
            out_.realLine(record.DoubleValue(column));
            break;
          case OvMapDataType::Character:
            out_.literal("1000\n");
            writeRecordText(layout.texts[static_cast<std::size_t>(column)], record, column);
            break;
        }
      }
    });
  }
  // What every record of a table writes the same way: "1001" and the application name its
  // records go under (empty for a table without one), and per column the text written last.
  struct TextLine {
    std::uint32_t id = UINT32_MAX;
    bool ready = false;  // `line` holds the text of `id` as written
    std::string line;
  };
  struct RecordLayout {
    std::string head;
    std::vector<TextLine> texts;  // by column
  };
  RecordLayout& recordLayout(const OvMapODTable& table, int columns) {
    const auto cached = recordLayouts_.find(&table);
    if (cached != recordLayouts_.end()) return cached->second;
    RecordLayout layout;
    const auto found = applicationIndex_.find(table.name);
    if (found != applicationIndex_.end())
      appendDxfGroup(layout.head, 1001, applicationNames_[found->second]);
    layout.texts.resize(static_cast<std::size_t>(columns));
    return recordLayouts_.emplace(&table, std::move(layout)).first->second;
  }
  // A record's text as a value line. Texts that repeat (a type, a file name) are stored once and
  // come back under the same id: the second time in a row the line is kept ready made.
  void writeRecordText(TextLine& last, const OvMapODRecordView& record, int column) {
    const std::uint32_t id = record.TextId(column);
    if (id == last.id) {
      if (!last.ready) {
        last.line.clear();
        appendDxfSafeText(last.line, record.TextValue(column));
        last.line.push_back('\n');
        last.ready = true;
      }
      out_.raw(last.line);
      return;
    }
    last.id = id;
    last.ready = false;
    out_.textLine(record.TextValue(column));
  }

  void writeLightweight(std::uint64_t handle, std::uint32_t layer, const auto& vertices,
                        bool closed, double elevation) {
    entityStart(lightweightStart_, handle, layer);
    out_.literal(" 90\n");
    out_.integerLine(static_cast<long long>(vertices.size()));
    if (closed)
      out_.literal(" 70\n1\n");
    else
      out_.literal(" 70\n0\n");
    if (elevation != 0.0) out_.real(38, elevation);
    for (const auto& vertex : vertices) {
      out_.literal(" 10\n");
      out_.realLine(vertex.x);
      out_.literal(" 20\n");
      out_.realLine(vertex.y);
    }
  }

  void writeEntity(std::size_t index) {
    const OvDbStoredEntity entity = database_.storedEntity(index);
    switch (entity.kind) {
      case OvDbEntityKind::Point:
        entityStart(pointStart_, entity.handle, entity.layerIndex);
        out_.literal(" 10\n");
        out_.realLine(entity.position.x);
        out_.literal(" 20\n");
        out_.realLine(entity.position.y);
        out_.literal(" 30\n");
        out_.realLine(entity.position.z);
        break;
      case OvDbEntityKind::Polyline2d:
        // A simple 2-D polyline (elevation 0, open, no widths or bulges) says exactly what a
        // lightweight one says, in fewer handles.
        writeLightweight(entity.handle, entity.layerIndex, entity.simpleVertices, false, 0.0);
        break;
      case OvDbEntityKind::Polyline:
        writeLightweight(entity.handle, entity.layerIndex, entity.vertices, entity.closed,
                         entity.elevation);
        break;
      case OvDbEntityKind::Line: {
        const auto& line = static_cast<const OvDbLine&>(*entity.object);
        entityStart(lineStart_, entity.handle, entity.layerIndex);
        out_.real(10, line.start.x);
        out_.real(20, line.start.y);
        out_.real(30, line.start.z);
        out_.real(11, line.end.x);
        out_.real(21, line.end.y);
        out_.real(31, line.end.z);
        break;
      }
      case OvDbEntityKind::Arc: {
        const auto& arc = static_cast<const OvDbArc&>(*entity.object);
        entityStart(arcStart_, entity.handle, entity.layerIndex);
        out_.real(10, arc.center.x);
        out_.real(20, arc.center.y);
        out_.real(30, arc.center.z);
        out_.real(40, arc.radius);
        out_.verbatim(100, "AcDbArc");
        out_.real(50, arc.startAngle * 180.0 / std::numbers::pi);
        out_.real(51, arc.endAngle * 180.0 / std::numbers::pi);
        break;
      }
      case OvDbEntityKind::Raw: {
        // Extended data belongs at the end of the first entity, before any sub-entity.
        const auto& raw = static_cast<const OvDbRawEntity&>(*entity.object);
        const std::size_t split = std::min(raw.ownPartEnd, raw.fileText.size());
        out_.raw(std::string_view(raw.fileText).substr(0, split));
        writeExtendedData(index);
        out_.raw(std::string_view(raw.fileText).substr(split));
        return;
      }
    }
    writeExtendedData(index);
  }

  void writeEntities() {
    section("ENTITIES");
    for (std::size_t i = 0; i < database_.entityCount(); ++i) {
      writeEntity(i);
      out_.maybeFlush();
      if (out_.failed()) return;
    }
    endSection();
  }

  void writeObjects() {
    section("OBJECTS");
    for (const auto& object : structure_.objects) {
      if (object.handle != structure_.rootDictionaryHandle || objectDataDictionary_ == 0) {
        out_.groups(object.groups);
        continue;
      }
      // The root dictionary gains the entry of the object-data definitions, before any extended
      // data.
      std::size_t split = 0;
      while (split < object.groups.size() && object.groups[split].code < 1000) ++split;
      for (std::size_t i = 0; i < split; ++i)
        out_.verbatim(object.groups[i].code, object.groups[i].value);
      out_.verbatim(3, kDxfObjectDataDictionary);
      out_.handle(350, objectDataDictionary_);
      for (std::size_t i = split; i < object.groups.size(); ++i) {
        out_.verbatim(object.groups[i].code, object.groups[i].value);
      }
    }
    if (objectDataDictionary_ != 0) writeObjectDataDefinitions();
    endSection();
  }

  // One XRECORD per table: 1 name, 3 description, 70 extended-data flag, then per column
  // 301 name and 71 type (0 integer, 1 real, 2 character).
  void writeObjectDataDefinitions() {
    const auto& tables = tables_.Tables();
    out_.verbatim(0, "DICTIONARY");
    out_.handle(5, objectDataDictionary_);
    out_.handle(330, structure_.rootDictionaryHandle);
    out_.verbatim(100, "AcDbDictionary");
    out_.verbatim(281, "1");
    for (std::size_t i = 0; i < tables.size(); ++i) {
      out_.text(3, tables[i].name);
      out_.handle(350, tableRecordHandles_[i]);
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
      out_.verbatim(0, "XRECORD");
      out_.handle(5, tableRecordHandles_[i]);
      out_.handle(330, objectDataDictionary_);
      out_.verbatim(100, "AcDbXrecord");
      out_.verbatim(280, "1");
      out_.text(1, tables[i].name);
      out_.text(3, tables[i].description);
      out_.integer(70, tables[i].isXData ? 1 : 0);
      for (int column = 0; column < tables[i].definition.Count(); ++column) {
        out_.text(301, tables[i].definition.Column(column).Name());
        out_.integer(71, static_cast<int>(tables[i].definition.Column(column).Type()));
      }
    }
  }

  const OvDbDatabase& database_;
  const DxfStructure& structure_;
  const OvMapODTables& tables_;
  DxfGroupWriter out_;
  std::vector<std::string> layerNames_;
  std::vector<std::string> applicationNames_;
  std::vector<int> layerColours_;
  DxfExtents extents_;
  DxfView view_;
  std::uint64_t activeViewport_ = 0;  // the handle of a new *Active viewport, 0 when the file has one
  std::unordered_map<std::string, std::size_t> applicationIndex_;
  std::uint64_t objectDataDictionary_ = 0;
  std::vector<std::uint64_t> tableRecordHandles_;
  std::uint64_t handleSeed_ = 0;
  EntityStart pointStart_{"POINT", "AcDbPoint"};
  EntityStart lightweightStart_{"LWPOLYLINE", "AcDbPolyline"};
  EntityStart lineStart_{"LINE", "AcDbLine"};
  EntityStart arcStart_{"ARC", "AcDbCircle"};
  std::unordered_map<const OvMapODTable*, RecordLayout> recordLayouts_;
};

}  // namespace

std::vector<std::string> dxfSymbolNames(const std::vector<OvDbSymbolRecord>& records) {
  std::vector<std::string> names(records.size());
  std::unordered_set<std::string> taken;
  // Names from the base drawing are fixed: its entities use them.
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].nameInFile.empty()) continue;
    names[i] = records[i].nameInFile;
    taken.insert(asciiLower(names[i]));
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!records[i].nameInFile.empty()) continue;
    const std::string escaped = dxfSafeText(escapeDxfSymbolName(records[i].name));
    std::string candidate(cutAtCharacter(escaped, kDxfMaxStringBytes));
    for (int suffix = 2; taken.contains(asciiLower(candidate)); ++suffix) {
      std::string tail(1, '~');
      tail += std::to_string(suffix);
      candidate = std::string(cutAtCharacter(escaped, kDxfMaxStringBytes - tail.size())) + tail;
    }
    taken.insert(asciiLower(candidate));
    names[i] = std::move(candidate);
  }
  return names;
}

kestrel::io::Result writeDxf(const OvDbDatabase& database, kestrel::io::ByteSink& sink) {
  DrawingWriter writer(database, sink);
  if (writer.write()) return {};
  return kestrel::io::failed(kestrel::io::Failure::Write, "", sink.errorText());
}

kestrel::io::Result saveDxf(const OvDbDatabase& database, const std::string& path) {
  kestrel::io::AtomicFile file(path);
  if (!file.status()) return file.status();
  kestrel::io::Result written = writeDxf(database, file);
  if (!written) {
    written.file = path;
    return written;
  }
  return file.commit();
}
