#include "platform/dxf_reader.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "platform/dxf_structure.h"
#include "platform/dxf_text.h"
#include "platform/object_data.h"

namespace {

struct Group {
  int code = 0;
  std::string_view value;  // a view into the text being read
};

// Appends one group the way the writer lays groups out.
void appendGroup(std::string& out, int code, std::string_view value) {
  char digits[12];
  const auto result = std::to_chars(digits, digits + sizeof digits, code);
  const auto length = static_cast<std::size_t>(result.ptr - digits);
  if (length < 3) out.append(3 - length, ' ');
  out.append(digits, length);
  out.push_back('\n');
  out.append(value);
  out.push_back('\n');
}

bool isAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::optional<std::uint64_t> parseHandle(std::string_view text) {
  text = trimmed(text);
  std::uint64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
    return std::nullopt;
  return value;
}

// The iconv name of a DXF $DWGCODEPAGE value, or empty when unknown.
std::string iconvCodePage(std::string_view dxfCodePage) {
  const std::string name = upper(trimmed(dxfCodePage));
  if (name.empty()) return "CP1252";  // what CAD programs assume when the header says nothing
  if (name == "UTF-8" || name == "UTF8") return "UTF-8";
  static const std::unordered_map<std::string, std::string> known = {
      {"ANSI_874", "CP874"},   {"ANSI_932", "CP932"},   {"ANSI_936", "GBK"},
      {"ANSI_949", "CP949"},   {"ANSI_950", "BIG5"},    {"ANSI_1250", "CP1250"},
      {"ANSI_1251", "CP1251"}, {"ANSI_1252", "CP1252"}, {"ANSI_1253", "CP1253"},
      {"ANSI_1254", "CP1254"}, {"ANSI_1255", "CP1255"}, {"ANSI_1256", "CP1256"},
      {"ANSI_1257", "CP1257"}, {"ANSI_1258", "CP1258"}, {"ISO8859-1", "ISO-8859-1"}};
  const auto found = known.find(name);
  return found == known.end() ? std::string() : found->second;
}

bool convertToUtf8(std::string_view bytes, const std::string& codePage, std::string& out) {
  iconv_t converter = ::iconv_open("UTF-8", codePage.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(bytes.size() * 2 + 16, '\0');
  char* input = const_cast<char*>(bytes.data());
  std::size_t inputLeft = bytes.size();
  std::size_t produced = 0;
  bool ok = true;
  while (inputLeft > 0) {
    char* output = out.data() + produced;
    std::size_t outputLeft = out.size() - produced;
    const std::size_t result = ::iconv(converter, &input, &inputLeft, &output, &outputLeft);
    produced = out.size() - outputLeft;
    if (result != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    ok = false;
    break;
  }
  ::iconv_close(converter);
  out.resize(produced);
  return ok;
}

// Line of the first byte that is not valid UTF-8, or 0 when the text is valid.
std::size_t firstInvalidUtf8Line(std::string_view bytes) {
  const std::size_t offset = firstInvalidUtf8(bytes);
  if (offset == std::string_view::npos) return 0;
  return 1 + static_cast<std::size_t>(std::count(
                 bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

// Reads groups one by one from DXF text, with one group of lookahead; keeps no list of them.
class GroupCursor {
 public:
  explicit GroupCursor(std::string_view text) : text_(text) {}

  // The next group, consumed; false at the end of the text or on a malformed group (see failed()).
  bool next(Group& group) {
    if (!peek(group)) return false;
    hasPending_ = false;
    return true;
  }
  // The next group, left for next().
  bool peek(Group& group) {
    if (!hasPending_ && !readGroup(pending_)) return false;
    hasPending_ = true;
    group = pending_;
    return true;
  }
  // True when the next group is "0 <value>".
  bool nextIs(std::string_view value) {
    Group group;
    return peek(group) && group.code == 0 && group.value == value;
  }
  // True when the next group starts an item (code 0) or there is none.
  bool atItemEnd() {
    Group group;
    return !peek(group) || group.code == 0;
  }
  // Line of the code of the group last returned.
  std::size_t line() const { return groupLine_; }
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  bool nextLine(std::string_view& lineText) {
    if (at_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos) end = text_.size();
    lineText = text_.substr(at_, end - at_);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    at_ = end + 1;
    ++line_;
    return true;
  }
  bool readGroup(Group& group) {
    if (failed()) return false;
    std::string_view codeText;
    if (!nextLine(codeText)) return false;
    const std::string_view code = trimmed(codeText);
    if (code.empty() && at_ >= text_.size()) return false;  // a final blank line
    const auto result = std::from_chars(code.data(), code.data() + code.size(), group.code);
    if (code.empty() || result.ec != std::errc() || result.ptr != code.data() + code.size()) {
      error_ = "line " + std::to_string(line_) + ": a group code was expected, found \"" +
               dxfSafeText(code, 40) + "\"";
      return false;
    }
    groupLine_ = line_;
    if (!nextLine(group.value)) {
      error_ = "line " + std::to_string(groupLine_) + ": the file ends inside a group";
      return false;
    }
    return true;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t line_ = 0;
  std::size_t groupLine_ = 0;
  Group pending_;
  bool hasPending_ = false;
  std::string error_;
};

class Reader {
 public:
  bool read(std::string_view bytes, OvDbDatabase& out) {
    // A binary DXF opens with a 22-byte signature: a seven-letter vendor word, then this.
    if (bytes.size() >= 22 && bytes.substr(7, 15) == std::string_view(" Binary DXF\r\n\x1a\0", 15)) {
      return fail("binary DXF cannot be opened; save the drawing as ASCII DXF");
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (trimmed(bytes).find_first_not_of("\r\n") == std::string_view::npos)
      return fail("the file is empty");
    if (!readVersionAndDecode(bytes)) return false;
    if (!readSections()) return false;
    return build(out);
  }

  const std::string& error() const { return error_; }

 private:
  bool fail(std::string reason) {
    error_ = std::move(reason);
    return false;
  }
  bool failAt(std::size_t line, const std::string& reason) {
    return fail("line " + std::to_string(line) + ": " + reason);
  }

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
        version = upper(trimmed(group.value));
      } else if (variable == "$DWGCODEPAGE") {
        codePage = std::string(trimmed(group.value));
      }
    }
    if (header.failed()) return fail(header.error());
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
    if (!convertToUtf8(bytes, from, decoded_)) {
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
    if (const auto handle = parseHandle(group.value)) maxHandle_ = std::max(maxHandle_, *handle);
  }

  // Groups from the cursor up to the next "0" (the start group already read is passed in).
  void readItem(GroupCursor& cursor, const Group& start, DxfGroups& into, std::uint64_t* handle,
                std::string* name) {
    into.push_back(OvDbRawGroup{start.code, std::string(start.value)});
    Group group;
    while (!cursor.atItemEnd() && cursor.next(group)) {
      noteHandle(group);
      if (handle != nullptr && *handle == 0 && (group.code == 5 || group.code == 105)) {
        *handle = parseHandle(group.value).value_or(0);
      }
      if (name != nullptr && name->empty() && group.code == 2)
        *name = std::string(trimmed(group.value));
      into.push_back(OvDbRawGroup{group.code, std::string(group.value)});
    }
  }

  bool noEndsec(GroupCursor& cursor, const std::string& name) {
    if (cursor.failed()) return fail(cursor.error());
    return fail("section " + dxfSafeText(name, 40) + " has no ENDSEC");
  }

  // Every group up to ENDSEC, as read.
  bool readPlainSection(GroupCursor& cursor, const std::string& name, DxfGroups& into,
                        bool noteHandles) {
    Group group;
    while (cursor.next(group)) {
      if (group.code == 0 && group.value == "ENDSEC") return true;
      if (noteHandles) noteHandle(group);
      into.push_back(OvDbRawGroup{group.code, std::string(group.value)});
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
        if (cursor.failed()) return fail(cursor.error());
        return failAt(sectionLine, "a SECTION was expected");
      }
      const std::string name(trimmed(nameGroup.value));
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
    if (cursor.failed()) return fail(cursor.error());
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
        DxfTableEntry entry;
        readItem(cursor, group, entry.groups, &entry.handle, &entry.name);
        table.entries.push_back(std::move(entry));
      }
      if (!cursor.nextIs("ENDTAB")) {
        if (cursor.failed()) return fail(cursor.error());
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
      RawItem item;
      item.entity = std::make_unique<OvDbRawEntity>();
      item.entity->typeName = std::string(group.value);
      std::string& text = item.entity->dxfText;
      appendGroup(text, group.code, group.value);
      bool own = true;
      bool sawEnd = false;
      const bool hasFollowers =
          item.entity->typeName == "POLYLINE" || item.entity->typeName == "INSERT";
      while (cursor.peek(group)) {
        if (group.code == 0) {
          const bool follower =
              group.value == "VERTEX" || group.value == "ATTRIB" || group.value == "SEQEND";
          if (!hasFollowers || !follower || sawEnd) break;
          if (own) item.entity->ownGroupsEnd = text.size();
          own = false;
          sawEnd = group.value == "SEQEND";
        }
        cursor.next(group);
        noteHandle(group);
        if (own && item.handle == 0 && group.code == 5)
          item.handle = parseHandle(group.value).value_or(0);
        if (own && item.layer.empty() && group.code == 8) item.layer = std::string(group.value);
        appendGroup(text, group.code, group.value);
      }
      if (own) item.entity->ownGroupsEnd = text.size();
      entities_.push_back(std::move(item));
    }
    return noEndsec(cursor, "ENTITIES");
  }

  struct TableDefinition {
    std::string name;
    std::string description;
    bool isXData = false;
    OvMapODTableDefinition definition;
  };

  // Takes the object-data definitions out of the objects (they are written anew on save).
  std::vector<TableDefinition> takeObjectDataDefinitions() {
    std::vector<TableDefinition> definitions;
    auto& objects = structure_->objects;
    if (objects.empty()) return definitions;
    DxfGroups& root = objects.front().groups;
    std::uint64_t dictionary = 0;
    for (std::size_t i = 0; i + 1 < root.size(); ++i) {
      if (root[i].code == 3 && root[i].value == kDxfObjectDataDictionary &&
          root[i + 1].code == 350) {
        dictionary = parseHandle(root[i + 1].value).value_or(0);
        root.erase(root.begin() + static_cast<std::ptrdiff_t>(i),
                   root.begin() + static_cast<std::ptrdiff_t>(i + 2));
        break;
      }
    }
    if (dictionary == 0) return definitions;
    std::vector<std::uint64_t> records;
    for (const auto& object : objects) {
      if (object.handle != dictionary) continue;
      for (const auto& group : object.groups) {
        if (group.code == 350) records.push_back(parseHandle(group.value).value_or(0));
      }
    }
    for (const std::uint64_t record : records) {
      for (const auto& object : objects) {
        if (object.handle != record || object.type != "XRECORD") continue;
        TableDefinition table;
        OvMapODColumnDefinition column;
        bool columnOpen = false;
        for (const auto& group : object.groups) {
          if (group.code == 1) table.name = group.value;
          if (group.code == 3) table.description = group.value;
          if (group.code == 70) table.isXData = group.value.find('1') != std::string::npos;
          if (group.code == 301) {
            column = OvMapODColumnDefinition();
            column.SetName(group.value);
            columnOpen = true;
          }
          if (group.code == 71 && columnOpen) {
            const std::string_view type = trimmed(group.value);
            column.SetType(type == "0"   ? OvMapDataType::Integer
                           : type == "1" ? OvMapDataType::Real
                                         : OvMapDataType::Character);
            table.definition.AddColumn(column);
            columnOpen = false;
          }
        }
        if (!table.name.empty() && table.definition.Count() > 0)
          definitions.push_back(std::move(table));
      }
    }
    std::erase_if(objects, [&](const DxfObject& object) {
      if (object.handle == dictionary) return true;
      for (const std::uint64_t record : records) {
        if (object.handle == record) return true;
      }
      return false;
    });
    return definitions;
  }

  // The groups of DXF text laid out by appendGroup.
  static std::vector<Group> parseGroups(std::string_view text) {
    std::vector<Group> groups;
    GroupCursor cursor(text);
    Group group;
    while (cursor.next(group)) groups.push_back(group);
    return groups;
  }

  // Reads the extended data of an object-data table among an entity's own groups as a record;
  // the groups it came from are marked in `taken` so they are not kept twice.
  static std::optional<OvMapODTableRecord> readRecord(
      const std::vector<Group>& own, const std::string& dxfName,
      const OvMapODTableDefinition& definition,
      std::vector<std::pair<std::size_t, std::size_t>>& taken) {
    for (std::size_t start = 1; start < own.size(); ++start) {
      if (own[start].code != 1001 || own[start].value != dxfName) continue;
      std::size_t stop = start + 1;
      while (stop < own.size() && own[stop].code != 1001) ++stop;
      OvMapODTableRecord record;
      record.Init(definition);
      if (static_cast<int>(stop - start - 1) != record.Count()) return std::nullopt;
      for (int column = 0; column < record.Count(); ++column) {
        const Group& group = own[start + 1 + static_cast<std::size_t>(column)];
        const std::string_view text = trimmed(group.value);
        switch (definition.Column(column).Type()) {
          case OvMapDataType::Integer: {
            std::int32_t value = 0;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
            if ((group.code != 1071 && group.code != 1070) || result.ec != std::errc())
              return std::nullopt;
            record.Value(column) = value;
            break;
          }
          case OvMapDataType::Real: {
            double value = 0.0;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
            if (group.code != 1040 || result.ec != std::errc()) return std::nullopt;
            record.Value(column) = value;
            break;
          }
          case OvMapDataType::Character:
            if (group.code != 1000) return std::nullopt;
            record.Value(column) = std::string(group.value);
            break;
        }
      }
      taken.emplace_back(start, stop);
      return record;
    }
    return std::nullopt;
  }

  // Takes the records of the tables out of an entity's extended data.
  static std::vector<std::pair<std::size_t, OvMapODTableRecord>> takeRecords(
      OvDbRawEntity& entity, const std::vector<TableDefinition>& definitions,
      const std::vector<std::string>& dxfNames) {
    std::vector<std::pair<std::size_t, OvMapODTableRecord>> records;
    const std::string_view ownText =
        std::string_view(entity.dxfText).substr(0, entity.ownGroupsEnd);
    if (definitions.empty() || ownText.find("\n1001\n") == std::string_view::npos) return records;
    const std::vector<Group> own = parseGroups(ownText);
    std::vector<std::pair<std::size_t, std::size_t>> taken;
    for (std::size_t t = 0; t < definitions.size(); ++t) {
      if (auto record = readRecord(own, dxfNames[t], definitions[t].definition, taken)) {
        records.emplace_back(t, std::move(*record));
      }
    }
    if (taken.empty()) return records;
    std::string text;
    text.reserve(entity.dxfText.size());
    for (std::size_t i = 0; i < own.size(); ++i) {
      bool skip = false;
      for (const auto& [from, to] : taken) skip |= i >= from && i < to;
      if (!skip) appendGroup(text, own[i].code, own[i].value);
    }
    const std::size_t ownEnd = text.size();
    text.append(entity.dxfText, entity.ownGroupsEnd);
    entity.dxfText = std::move(text);
    entity.ownGroupsEnd = ownEnd;
    return records;
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
        seed = parseHandle(structure_->header[i + 1].value).value_or(0);
      if (structure_->header[i].value == "$CLAYER") currentLayer = structure_->header[i + 1].value;
    }
    seed = std::max(seed, maxHandle_ + 1);

    const std::vector<TableDefinition> definitions = takeObjectDataDefinitions();
    const std::vector<DxfTableEntry> layerEntries = layers->entries;
    const std::vector<DxfTableEntry> applicationEntries = applications->entries;

    // Everything is read and checked: only now does the database change.
    out.resetFromStructure(std::move(structure_), seed);
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
    std::vector<std::string> tableDxfNames;
    for (const auto& definition : definitions) {
      tables.Add(definition.name, definition.definition, definition.description,
                 definition.isXData);
      std::string dxfName = escapeDxfSymbolName(definition.name);
      for (const auto& application : out.applications()) {
        if (application.name == definition.name && !application.dxfName.empty())
          dxfName = application.dxfName;
      }
      tableDxfNames.push_back(std::move(dxfName));
    }
    for (auto& item : entities_) {
      const auto records = takeRecords(*item.entity, definitions, tableDxfNames);
      const auto layer = layerByDxfName.find(item.layer);
      const OvDbObjectId id = out.appendEntityFromFile(
          std::move(item.entity), item.handle, layer != layerByDxfName.end() ? layer->second : "0");
      for (const auto& [t, record] : records) tables.AddRecord(definitions[t].name, id, record);
    }
    return true;
  }

  std::string_view text_;
  std::string decoded_;
  std::unique_ptr<DxfStructure> structure_ = std::make_unique<DxfStructure>();
  std::vector<RawItem> entities_;
  std::unordered_set<std::string> seenSections_;
  std::uint64_t maxHandle_ = 0;
  std::string error_;
};

}  // namespace

bool readDxf(std::string_view bytes, OvDbDatabase& out, std::string* error) {
  Reader reader;
  if (reader.read(bytes, out)) return true;
  if (error != nullptr) *error = reader.error();
  return false;
}

bool openDxf(const std::string& path, OvDbDatabase& out, std::string* error) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) {
    if (error != nullptr) *error = path + ": cannot be opened for reading";
    return false;
  }
  const std::streamoff size = file.tellg();
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  file.seekg(0);
  if (size < 0 || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    if (error != nullptr) *error = path + ": cannot be read";
    return false;
  }
  std::string reason;
  if (readDxf(bytes, out, &reason)) return true;
  if (error != nullptr) *error = path + ": " + reason;
  return false;
}
