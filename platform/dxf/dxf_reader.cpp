#include "platform/dxf/dxf_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "io/iconv_converter.h"
#include "io/text_encoding.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_object_data.h"
#include "platform/dxf/dxf_structure.h"
#include "platform/dxf/dxf_text.h"

namespace {

using Group = DxfGroupView;
using GroupCursor = DxfGroupCursor;

bool isAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

// The iconv name of a DXF $DWGCODEPAGE value, or empty when unknown.
std::string iconvCodePage(std::string_view dxfCodePage) {
  const std::string name = upper(trimDxfText(dxfCodePage));
  if (name.empty()) return "CP1252";  // what CAD programs assume when the header says nothing
  if (name == "UTF-8" || name == "UTF8") return "UTF-8";
  static const std::unordered_map<std::string, std::string> known = {
      {"ANSI_874", "CP874"},   {"ANSI_932", "CP932"},   {"ANSI_936", "GBK"},
      {"ANSI_949", "CP949"},   {"ANSI_950", "BIG5"},    {"ANSI_1250", "CP1250"},
      {"ANSI_1251", "CP1251"}, {"ANSI_1252", "CP1252"}, {"ANSI_1253", "CP1253"},
      {"ANSI_1254", "CP1254"}, {"ANSI_1255", "CP1255"}, {"ANSI_1256", "CP1256"},
      {"ANSI_1257", "CP1257"}, {"ANSI_1258", "CP1258"}, {"ISO8859-1", "ISO-8859-1"},
      {"ANSI_65001", "UTF-8"}};
  const auto found = known.find(name);
  return found == known.end() ? std::string() : found->second;
}

// Line of the first byte that is not valid UTF-8, or 0 when the text is valid.
std::size_t firstInvalidUtf8Line(std::string_view bytes) {
  const std::size_t offset = kestrel::io::firstInvalidUtf8(bytes);
  if (offset == std::string_view::npos) return 0;
  return 1 + static_cast<std::size_t>(std::count(
                 bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

class Reader {
 public:
  bool read(std::string_view bytes, OvDbDatabase& out) {
    // A binary DXF opens with a 22-byte signature: a seven-letter vendor word, then this.
    if (bytes.size() >= 22 && bytes.substr(7, 15) == std::string_view(" Binary DXF\r\n\x1a\0", 15)) {
      return fail("binary DXF cannot be opened; save the drawing as ASCII DXF");
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (trimDxfText(bytes).find_first_not_of("\r\n") == std::string_view::npos)
      return fail("the file is empty");
    if (!readVersionAndDecode(bytes)) return false;
    if (!readSections()) return false;
    return build(out);
  }

  // What stopped the reading, with the line where that is known.
  const kestrel::io::Result& result() const { return result_; }

 private:
  bool fail(std::string reason) {
    result_ = kestrel::io::failed(kestrel::io::Failure::Content, "", std::move(reason));
    return false;
  }
  bool failAt(std::size_t line, std::string reason) {
    result_ = kestrel::io::failed(kestrel::io::Failure::Content, "", std::move(reason), line);
    return false;
  }
  // A malformed group, at the line the cursor stopped on.
  bool failCursor(const GroupCursor& cursor) { return failAt(cursor.errorLine(), cursor.error()); }

  // Finds $ACADVER and $DWGCODEPAGE, refuses versions before R2000 or after R2018, and brings
  // text of an older drawing to UTF-8.
  bool readVersionAndDecode(std::string_view bytes) {
    std::string version;
    std::string codePage;
    GroupCursor header(bytes);
    Group group;
    std::string_view variable;
    while (header.next(group) && !(group.code == 0 && group.value == "ENDSEC")) {
      if (group.code == 9) {
        variable = group.value;
      } else if (variable == "$ACADVER") {
        version = upper(trimDxfText(group.value));
      } else if (variable == "$DWGCODEPAGE") {
        codePage = std::string(trimDxfText(group.value));
      }
    }
    if (header.failed()) return failCursor(header);
    if (version.empty()) {
      return fail(
          "no $ACADVER in the header: a drawing before R2000 cannot be opened (R2000 to R2018 "
          "can)");
    }
    if (version.size() != 6 || !version.starts_with("AC") || version < "AC1015" ||
        version > "AC1032") {
      return fail("DXF version " + dxfSafeText(version, 20) +
                  " cannot be opened (R2000 to R2018, AC1015 to AC1032, can)");
    }
    if (version >= "AC1021") {
      // From R2007 on, DXF text is UTF-8 whatever the code page says.
      if (const std::size_t line = firstInvalidUtf8Line(bytes); line != 0) {
        return failAt(line,
                      "text is not valid UTF-8, as a drawing of version " + version + " must be");
      }
      text_ = bytes;
      return true;
    }
    if (isAscii(bytes)) return decodeUnicodeEscapes(bytes);
    const std::string from = iconvCodePage(codePage);
    if (from.empty())
      return fail("unknown code page " + dxfSafeText(codePage, 40) + " in $DWGCODEPAGE");
    if (from == "UTF-8") {
      if (const std::size_t line = firstInvalidUtf8Line(bytes); line != 0) {
        return failAt(line, "text is not valid UTF-8");
      }
      return decodeUnicodeEscapes(bytes);
    }
    kestrel::io::IconvConverter converter("UTF-8", from.c_str());
    decoded_.clear();
    if (converter.convert(bytes, decoded_) != kestrel::io::IconvConverter::Outcome::Complete) {
      return fail("text cannot be read as " + from + " (the code page $DWGCODEPAGE names)");
    }
    return decodeUnicodeEscapes(decoded_);
  }

  // Before R2007, characters outside the code page are written as \U+XXXX; the output is UTF-8,
  // so they become the characters themselves (layer names included, consistently everywhere).
  bool decodeUnicodeEscapes(std::string_view text) {
    if (text.find("\\U+") == std::string_view::npos) {
      text_ = text;
      return true;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
      unsigned codePoint = 0;
      if (text.compare(at, 3, "\\U+") == 0 && at + 7 <= text.size()) {
        const auto result =
            std::from_chars(text.data() + at + 3, text.data() + at + 7, codePoint, 16);
        if (result.ec == std::errc() && result.ptr == text.data() + at + 7 && codePoint >= 0x20 &&
            (codePoint < 0xD800 || codePoint > 0xDFFF)) {
          appendUtf8(out, codePoint);
          at += 6;
          continue;
        }
      }
      out.push_back(text[at]);
    }
    decoded_ = std::move(out);
    text_ = decoded_;
    return true;
  }

  static void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
      out.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
      out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
  }

  void noteHandle(const Group& group) {
    if (group.code != 5 && group.code != 105) return;
    if (const auto handle = parseDxfHandle(group.value)) maxHandle_ = std::max(maxHandle_, *handle);
  }

  // Groups from the cursor up to the next "0" (the start group already read is passed in).
  void readItem(GroupCursor& cursor, const Group& start, DxfGroups& into, std::uint64_t* handle,
                std::string* name) {
    into.push_back(DxfGroup{start.code, std::string(start.value)});
    Group group;
    while (!cursor.atItemEnd() && cursor.next(group)) {
      noteHandle(group);
      if (handle != nullptr && *handle == 0 && (group.code == 5 || group.code == 105)) {
        *handle = parseDxfHandle(group.value).value_or(0);
      }
      if (name != nullptr && name->empty() && group.code == 2)
        *name = std::string(trimDxfText(group.value));
      into.push_back(DxfGroup{group.code, std::string(group.value)});
    }
  }

  // A section's content never holds the start of a section or the file's end: a file that does
  // has lost an ENDSEC, and its groups written back as read would nest one section in another.
  static bool sectionBoundary(const Group& group) {
    return group.code == 0 && (group.value == "SECTION" || group.value == "EOF");
  }
  bool unendedSection(const GroupCursor& cursor, const std::string& name) {
    return failAt(cursor.line(), "section " + dxfSafeText(name, 40) + " has no ENDSEC");
  }

  bool noEndsec(GroupCursor& cursor, const std::string& name) {
    if (cursor.failed()) return failCursor(cursor);
    return fail("section " + dxfSafeText(name, 40) + " has no ENDSEC");
  }

  // Every group up to ENDSEC, as read.
  bool readPlainSection(GroupCursor& cursor, const std::string& name, DxfGroups& into,
                        bool noteHandles) {
    Group group;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "ENDSEC") return true;
      if (sectionBoundary(group)) return unendedSection(cursor, name);
      if (noteHandles) noteHandle(group);
      into.push_back(DxfGroup{group.code, std::string(group.value)});
    }
    return noEndsec(cursor, name);
  }

  bool readSections() {
    GroupCursor cursor(text_);
    Group group;
    bool sawEof = false;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "EOF") {
        sawEof = true;
        break;
      }
      if (group.code == 999) continue;  // a comment
      const std::size_t sectionLine = cursor.line();
      Group nameGroup;
      if (group.code != 0 || group.value != "SECTION" || !cursor.next(nameGroup) ||
          nameGroup.code != 2) {
        if (cursor.failed()) return failCursor(cursor);
        return failAt(sectionLine, "a SECTION was expected");
      }
      const std::string name(trimDxfText(nameGroup.value));
      if (!seenSections_.insert(name).second)
        return failAt(sectionLine, "section " + dxfSafeText(name, 40) + " appears twice");
      bool ok = true;
      if (name == "HEADER") {
        // The header's $HANDSEED is a group 5 too, but no object's handle.
        ok = readPlainSection(cursor, name, structure_->header, false);
      } else if (name == "CLASSES") {
        ok = readPlainSection(cursor, name, structure_->classes, true);
      } else if (name == "TABLES") {
        ok = readTables(cursor);
      } else if (name == "BLOCKS") {
        ok = readPlainSection(cursor, name, structure_->blocks, true);
      } else if (name == "ENTITIES") {
        ok = readEntities(cursor);
      } else if (name == "OBJECTS") {
        ok = readObjects(cursor);
      } else {
        structure_->otherSections.push_back(DxfRawSection{name, {}});
        ok = readPlainSection(cursor, name, structure_->otherSections.back().groups, true);
      }
      if (!ok) return false;
    }
    if (cursor.failed()) return failCursor(cursor);
    if (!sawEof) return fail("the file ends without EOF: it is incomplete");
    for (const char* required : {"HEADER", "TABLES", "BLOCKS", "OBJECTS"}) {
      if (!seenSections_.contains(required)) {
        return fail(std::string("no ") + required +
                    " section: not a complete drawing of R2000 or later");
      }
    }
    return true;
  }

  bool readTables(GroupCursor& cursor) {
    Group group;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "ENDSEC") return true;
      if (group.code != 0 || group.value != "TABLE")
        return failAt(cursor.line(), "a TABLE was expected");
      DxfTable table;
      readItem(cursor, group, table.head, &table.handle, &table.name);
      while (cursor.peek(group) &&
             !(group.code == 0 &&
               (group.value == "ENDTAB" || group.value == "TABLE" || group.value == "ENDSEC"))) {
        cursor.next(group);
        if (sectionBoundary(group)) return unendedSection(cursor, "TABLES");
        DxfTableEntry entry;
        readItem(cursor, group, entry.groups, &entry.handle, &entry.name);
        table.entries.push_back(std::move(entry));
      }
      if (!cursor.nextIs("ENDTAB")) {
        if (cursor.failed()) return failCursor(cursor);
        return fail("table " + dxfSafeText(table.name, 40) + " has no ENDTAB");
      }
      cursor.next(group);
      structure_->tables.push_back(std::move(table));
    }
    return noEndsec(cursor, "TABLES");
  }

  bool readObjects(GroupCursor& cursor) {
    Group group;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "ENDSEC") return true;
      if (sectionBoundary(group)) return unendedSection(cursor, "OBJECTS");
      DxfObject object;
      object.type = std::string(group.value);
      readItem(cursor, group, object.groups, &object.handle, nullptr);
      structure_->objects.push_back(std::move(object));
    }
    return noEndsec(cursor, "OBJECTS");
  }

  struct RawItem {
    std::unique_ptr<OvDbRawEntity> entity;
    std::uint64_t handle = 0;
    std::string layer;
  };

  // Each entity straight into its DXF text; a POLYLINE, or an INSERT with attributes, carries its
  // sub-entities up to SEQEND.
  bool readEntities(GroupCursor& cursor) {
    Group group;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "ENDSEC") return true;
      if (sectionBoundary(group)) return unendedSection(cursor, "ENTITIES");
      RawItem item;
      item.entity = std::make_unique<OvDbRawEntity>();
      item.entity->typeName = std::string(group.value);
      std::string& text = item.entity->fileText;
      appendDxfGroup(text, group.code, group.value);
      bool own = true;
      bool sawEnd = false;
      const bool hasFollowers =
          item.entity->typeName == "POLYLINE" || item.entity->typeName == "INSERT";
      const ExtentGroups extentGroups = extentGroupsOf(item.entity->typeName);
      while (cursor.peek(group)) {
        if (group.code == 0) {
          const bool follower =
              group.value == "VERTEX" || group.value == "ATTRIB" || group.value == "SEQEND";
          if (!hasFollowers || !follower || sawEnd) break;
          if (own) item.entity->ownPartEnd = text.size();
          own = false;
          sawEnd = group.value == "SEQEND";
        }
        cursor.next(group);
        noteHandle(group);
        if (own && item.handle == 0 && group.code == 5)
          item.handle = parseDxfHandle(group.value).value_or(0);
        if (own && item.layer.empty() && group.code == 8) item.layer = std::string(group.value);
        noteExtent(group, extentGroups);
        appendDxfGroup(text, group.code, group.value);
      }
      if (own) item.entity->ownPartEnd = text.size();
      entities_.push_back(std::move(item));
    }
    return noEndsec(cursor, "ENTITIES");
  }

  // Which coordinate groups of an entity are points in the drawing: 10/20/30 of every kind but
  // the infinite lines, 11/21/31 where they are a point rather than a direction.
  enum class ExtentGroups { None, First, FirstAndSecond };
  static ExtentGroups extentGroupsOf(std::string_view type) {
    if (type == "XLINE" || type == "RAY") return ExtentGroups::None;
    if (type == "MTEXT" || type == "ELLIPSE") return ExtentGroups::First;
    return ExtentGroups::FirstAndSecond;
  }
  // The base drawing's content counts in the extents by its defining points (insertion points,
  // vertices, centres, ends), noted as the entities are read.
  void noteExtent(const Group& group, ExtentGroups which) {
    if (which == ExtentGroups::None) return;
    const int offset = group.code % 10;
    if (group.code < 10 || group.code > 31 || offset > (which == ExtentGroups::First ? 0 : 1))
      return;
    const std::string_view text = trimDxfText(group.value);
    double value = 0.0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec == std::errc() && parsed.ptr == text.data() + text.size())
      structure_->contentExtents.addAxis(group.code / 10 - 1, value);
  }

  static std::string userName(const std::string& dxfName) { return unescapeDxfSymbolName(dxfName); }

  const DxfTable* table(const char* name) const {
    for (const auto& candidate : structure_->tables) {
      if (upper(candidate.name) == name) return &candidate;
    }
    return nullptr;
  }

  bool build(OvDbDatabase& out) {
    const DxfTable* layers = table("LAYER");
    const DxfTable* applications = table("APPID");
    const DxfTable* blockRecords = table("BLOCK_RECORD");
    if (layers == nullptr || applications == nullptr || blockRecords == nullptr) {
      return fail(
          "the LAYER, APPID or BLOCK_RECORD table is missing: not a complete drawing of R2000 or "
          "later");
    }
    for (const auto& entry : blockRecords->entries) {
      if (upper(entry.name) == "*MODEL_SPACE") structure_->modelSpaceRecordHandle = entry.handle;
    }
    if (structure_->modelSpaceRecordHandle == 0) return fail("no *Model_Space block record");
    if (structure_->objects.empty() || structure_->objects.front().type != "DICTIONARY") {
      return fail("OBJECTS does not start with the root dictionary");
    }
    structure_->rootDictionaryHandle = structure_->objects.front().handle;

    std::uint64_t seed = 0;
    std::string currentLayer = "0";
    for (std::size_t i = 0; i + 1 < structure_->header.size(); ++i) {
      if (structure_->header[i].code != 9) continue;
      if (structure_->header[i].value == "$HANDSEED")
        seed = parseDxfHandle(structure_->header[i + 1].value).value_or(0);
      if (structure_->header[i].value == "$CLAYER") currentLayer = structure_->header[i + 1].value;
    }
    // New objects take handles from the seed up. A drawing whose handles (or seed) come so close
    // to the largest a handle can be that the count would wrap to reuse its own handles is
    // refused.
    constexpr std::uint64_t kHandlesKeptFree = std::uint64_t{1} << 32;
    constexpr std::uint64_t kLastUsableHandle = UINT64_MAX - kHandlesKeptFree;
    if (maxHandle_ >= kLastUsableHandle || seed > kLastUsableHandle) {
      char highest[24];
      std::snprintf(highest, sizeof highest, "%llX",
                    static_cast<unsigned long long>(std::max(maxHandle_, seed)));
      return fail(std::string("handles run up to ") + highest +
                  ": no handles are left for the objects the import adds");
    }
    noteHeaderExtents();
    seed = std::max(seed, maxHandle_ + 1);

    const std::vector<DxfObjectDataTable> definitions = takeDxfObjectDataTables(*structure_);
    const std::vector<DxfTableEntry> layerEntries = layers->entries;
    const std::vector<DxfTableEntry> applicationEntries = applications->entries;

    // Everything is read and checked: only now does the database change.
    out.resetFromFile(std::move(structure_), seed);
    std::unordered_map<std::string, std::string> layerByDxfName;
    for (const auto& entry : layerEntries) {
      std::string name = userName(entry.name);
      if (out.hasLayer(name)) name = entry.name;
      if (out.addLayerFromFile(name, entry.name, entry.handle))
        layerByDxfName.emplace(entry.name, name);
    }
    if (!out.hasLayer("0")) out.addLayer("0");
    const auto current = layerByDxfName.find(currentLayer);
    out.setCurrentLayer(current != layerByDxfName.end() ? current->second : std::string("0"));
    for (const auto& entry : applicationEntries)
      out.addApplicationFromFile(userName(entry.name), entry.name, entry.handle);

    OvMapODTables& tables = out.objectDataTables();
    // Copies: adding a table registers its application, which may move the records.
    std::unordered_map<std::string, std::string> applicationNamesInFile;
    for (const auto& application : out.applications())
      if (!application.nameInFile.empty())
        applicationNamesInFile[application.name] = application.nameInFile;
    std::vector<std::string> tableDxfNames;
    for (const auto& definition : definitions) {
      tables.Add(definition.name, definition.definition, definition.description,
                 definition.isXData);
      const auto inFile = applicationNamesInFile.find(definition.name);
      tableDxfNames.push_back(inFile != applicationNamesInFile.end()
                                  ? inFile->second
                                  : escapeDxfSymbolName(definition.name));
    }
    DxfObjectDataNames tablesByName;
    for (std::size_t t = 0; t < tableDxfNames.size(); ++t) tablesByName[tableDxfNames[t]].push_back(t);
    for (auto& item : entities_) {
      const auto records = takeDxfObjectDataRecords(*item.entity, definitions, tablesByName);
      const auto layer = layerByDxfName.find(item.layer);
      const OvDbObjectId id = out.appendEntityFromFile(
          std::move(item.entity), item.handle, layer != layerByDxfName.end() ? layer->second : "0");
      for (const auto& [t, record] : records) tables.AddRecord(definitions[t].name, id, record);
    }
    return true;
  }

  // The extents the base drawing's header gives, when they hold something (an empty drawing's
  // are the wrong way round).
  void noteHeaderExtents() {
    DxfExtents header;
    const auto& groups = structure_->header;
    for (std::size_t i = 0; i + 3 < groups.size(); ++i) {
      if (groups[i].code != 9 || (groups[i].value != "$EXTMIN" && groups[i].value != "$EXTMAX"))
        continue;
      for (std::size_t k = i + 1; k <= i + 3 && groups[k].code >= 10 && groups[k].code <= 30; ++k) {
        const std::string_view text = trimDxfText(groups[k].value);
        double value = 0.0;
        const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
        if (parsed.ec == std::errc() && std::abs(value) < 1e19)
          header.addAxis(groups[k].code / 10 - 1, value);
      }
    }
    structure_->contentExtents.add(header);
  }

  std::string_view text_;
  std::string decoded_;
  std::unique_ptr<DxfStructure> structure_ = std::make_unique<DxfStructure>();
  std::vector<RawItem> entities_;
  std::unordered_set<std::string> seenSections_;
  std::uint64_t maxHandle_ = 0;
  kestrel::io::Result result_;
};

}  // namespace

kestrel::io::Result readDxf(std::string_view bytes, OvDbDatabase& out) {
  Reader reader;
  reader.read(bytes, out);
  return reader.result();
}

kestrel::io::Result openDxf(const std::string& path, OvDbDatabase& out) {
  using kestrel::io::Failure;
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return kestrel::io::failed(Failure::Open, path, "cannot be opened for reading");
  const std::streamoff size = file.tellg();
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  file.seekg(0);
  if (size < 0 || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
    return kestrel::io::failed(Failure::Read, path, "cannot be read");
  kestrel::io::Result result = readDxf(bytes, out);
  if (!result) result.file = path;
  return result;
}
