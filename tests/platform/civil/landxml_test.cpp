// LandXML written and read: the schema, a golden file with parcels, names escaped as the XML
// library would, round trips, refused (cases/landxml.txt) and damaged input.
#include "platform/civil/landxml.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <pugixml.hpp>
#include <random>
#include <sstream>
#include <vector>

#include "tests/platform/case_tables.h"
#include "tests/platform/civil/landxml_check.h"
#include "tests/support/temp_dir.h"

namespace kestrel::testing {
namespace {

using ovcivil::AlignmentEntity;
using ovcivil::CivilDocument;

constexpr double kInf = std::numeric_limits<double>::infinity();

// A document with every kind of entity, an empty alignment, repeated and empty names.
void fill(CivilDocument& document) {
  auto& site = document.addSite("サイト");
  document.addSite("empty site");
  auto& road = document.addAlignment(site, "本線");
  road.description = "road-本線";
  road.layer = "C-ROAD";
  road.style = "Standard";
  road.labelStyle = "Standard";
  road.startingStation = 1200.0;
  AlignmentEntity* made = nullptr;
  document.addFixedLine(road, {-10000.25, 35000.5}, {-9900.25, 35000.5}, made);
  const int32_t lineId = made->objectId;
  document.addFixedSpiral(road, lineId, {-9900.25, 35000.5}, {-9800, 35000.5}, kInf, 150, 24, true,
                          1, made);
  const ovcivil::PlanPoint spiralEnd = made->end;
  const double direction = made->endDirection;
  const ovcivil::PlanPoint arcEnd{spiralEnd.x + 40 * std::cos(direction + 0.1),
                                  spiralEnd.y + 40 * std::sin(direction + 0.1)};
  document.addFixedCurve(road, spiralEnd, arcEnd, 200, true, made);
  document.addFixedLine(road, arcEnd, {arcEnd.x + 50, arcEnd.y + 60}, made);
  auto& twin = document.addAlignment(site, "本線");  // same name again
  document.addFixedLine(twin, {0, 0}, {10, 0}, made);
  document.addAlignment(site, "");  // no name, no entities
  document.points().push_back({1, "P1", 200.25, 100.5, 3.0});
  document.points().push_back({2, "P1", 201.0, 101.0, 4.0});
  document.points().push_back({3, "", 202.0, 102.0, 5.0});
}

// Lots as a drawing hands them over (cases/landxml.txt, table "lot").
class Lots : public ovcivil::ParcelSource {
 public:
  Lots() : rows_(tableRows("platform/civil/cases/landxml.txt", "lot")) {}
  std::size_t size() const override { return rows_.size(); }
  ovcivil::ParcelView at(std::size_t i) const override {
    return {std::stoi(rows_[i][0]), rows_[i][1], "画地", "road.sim", rows_[i][2] == "closed"};
  }
  void vertices(std::size_t i, std::vector<ovcivil::PlanPoint>& out) const override {
    const auto v = numbersIn(rows_[i][3]);
    out.clear();
    for (std::size_t k = 0; k + 1 < v.size(); k += 2) out.push_back({v[k], v[k + 1]});
  }

 private:
  std::vector<TextRow> rows_;
};

const Lots& lots() {
  static const Lots kLots;
  return kLots;
}

std::string written(const CivilDocument& document, const std::string& date = "2026-12-06",
                    const std::string& time = "05:00:00",
                    const ovcivil::ParcelSource* parcels = &lots()) {
  std::ostringstream out;
  ovcivil::writeLandXml(document, out, date, time, nullptr, parcels);
  return out.str();
}

// The whole output against a golden file, and against the schema. The points' repeated names take
// suffixes, passing over a suffix some point already carries as its name; the lots' parcels are
// chains of lines, closed back to their first vertex when the lot is closed.
TEST(LandXml, WholeDocumentMatchesItsGoldenFile) {
  CivilDocument document;
  fill(document);
  for (const char* name : {"X", "X", "X (3)", "X", "X (2)", "X"})
    document.points().push_back(
        {static_cast<int32_t>(document.points().size() + 1), name, 0.0, 0.0, 0.0});
  const std::string text = written(document);
  expectGoldenFile(text, "platform/civil/golden/document.xml");
  TempDir folder;
  const auto check = validateLandXml(folder.write("document.xml", text));
  EXPECT_TRUE(check.valid) << check.output;
  // The model keeps what it was given, and writes it the same way again.
  EXPECT_EQ(document.sites().front().alignments[1].name, "本線");
  EXPECT_EQ(document.points()[4].name, "X");
  EXPECT_EQ(written(document), text);
  EXPECT_EQ(written(document, "2026-12-06", "05:00:00", nullptr).find("<Parcels"),
            std::string::npos);  // no lots, no Parcels
}

TEST(LandXml, PointsNestedDeeplyAreReadWithoutRecursion) {
  constexpr int kDepth = 200000;
  std::string text = "<LandXML>";
  for (int i = 0; i < kDepth; ++i) text += "<CgPoints>";
  text += "<CgPoint name='deep' oID='7'>1 2 3</CgPoint>";
  for (int i = 0; i < kDepth; ++i) text += "</CgPoints>";
  text += "<CgPoints><CgPoint oID='8'>4 5</CgPoint></CgPoints></LandXML>";
  CivilDocument document;
  ASSERT_TRUE(ovcivil::readLandXml(text, document));
  ASSERT_EQ(document.points().size(), 2u);
  EXPECT_EQ(document.points()[0].name, "deep");
  EXPECT_EQ(document.points()[1].number, 8);
}

// Point names a damaged or hostile file may carry. The CgPoint lines are formatted without the
// XML library, so they are held against what the library prints for the same element, and read
// back through its parser.
TEST(LandXml, PointNamesAreEscapedAsTheXmlLibraryWouldAndReadBack) {
  const auto cases = tableRows("platform/civil/cases/landxml.txt", "name");
  CivilDocument document;
  int32_t number = 0;
  for (const auto& c : cases) document.points().push_back({++number, c[0], 1.5, -2.25, kInf});
  const std::string text = written(document);

  pugi::xml_document reference;
  auto element = reference.append_child("CgPoint");
  pugi::xml_document parsed;
  ASSERT_TRUE(parsed.load_string(text.c_str())) << text;
  auto read = parsed.document_element().child("CgPoints").child("CgPoint");
  number = 0;
  for (const auto& c : cases) {
    ++number;
    SCOPED_TRACE(c.where);
    element.remove_attributes();
    element.append_attribute("name").set_value(c[0].c_str());
    element.append_attribute("oID").set_value(number);
    element.text().set("-2.25 1.5 INF");
    std::ostringstream line;
    element.print(line, "  ", pugi::format_default | pugi::format_skip_control_chars,
                  pugi::encoding_utf8, 2);
    EXPECT_NE(text.find(line.str()), std::string::npos) << line.str() << "\n" << text;
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(read.attribute("name").value()), c[1]);
    EXPECT_EQ(read.attribute("oID").as_int(), number);
    read = read.next_sibling("CgPoint");
  }
  EXPECT_FALSE(read);

  TempDir folder;
  const std::string path = folder.write("hostile.xml", text);
  const auto check = validateLandXml(path);
  EXPECT_TRUE(check.valid) << check.output;
}

TEST(LandXml, WriteReadWriteGivesTheSameFile) {
  CivilDocument document;
  fill(document);
  TempDir folder;
  const std::string first = (folder.path() / "first.xml").string();
  const std::string second = (folder.path() / "second.xml").string();
  io::Result result;
  ASSERT_TRUE((result = ovcivil::saveLandXml(document, first))) << result.message();
  CivilDocument reread;
  ASSERT_TRUE((result = ovcivil::openLandXml(first, reread))) << result.message();
  ASSERT_TRUE((result = ovcivil::saveLandXml(reread, second))) << result.message();
  EXPECT_EQ(readBytes(first), readBytes(second));
  EXPECT_FALSE(reread.fileDate().empty());

  // The geometry read back evaluates as the original.
  const auto& original = document.sites().front().alignments.front();
  const auto& copy = reread.sites().front().alignments.front();
  EXPECT_EQ(copy.layer, "C-ROAD");
  EXPECT_EQ(copy.description, "road-本線");
  EXPECT_EQ(copy.startingStation, 1200.0);
  ASSERT_EQ(copy.entities.size(), original.entities.size());
  EXPECT_EQ(copy.length(), original.length());
  for (double along = 0.0; along <= original.length(); along += 3.7) {
    ovcivil::PlanPoint a, b;
    ASSERT_EQ(original.pointAtStation(1200.0 + along, 2.5, a), ovcivil::kOk);
    ASSERT_EQ(copy.pointAtStation(1200.0 + along, 2.5, b), ovcivil::kOk);
    EXPECT_NEAR(a.x, b.x, 1e-9) << along;
    EXPECT_NEAR(a.y, b.y, 1e-9) << along;
  }
  ASSERT_EQ(reread.points().size(), 3u);
  EXPECT_EQ(reread.points()[0].number, 1);
  EXPECT_EQ(reread.points()[0].x, 200.25);
}

TEST(LandXml, AChangedDocumentIsSavedWithTheTimeOfSaving) {
  CivilDocument document;
  ASSERT_TRUE(ovcivil::readLandXml(written(document, "2001-02-03", "04:05:06"), document));
  EXPECT_EQ(document.fileDate(), "2001-02-03");
  document.markModified();  // the stamp read is forgotten
  EXPECT_EQ(document.fileDate() + document.fileTime(), "");
  TempDir folder;
  const std::string path = (folder.path() / "changed.xml").string();
  ASSERT_TRUE(ovcivil::saveLandXml(document, path));
  EXPECT_EQ(readBytes(path).find("2001-02-03"), std::string::npos);
}

TEST(LandXml, RejectsBadInputAndLeavesTheDocumentAlone) {
  for (const auto& row : tableRows("platform/civil/cases/landxml.txt", "refused")) {
    CivilDocument document;
    document.addSite("kept");
    const auto result = ovcivil::readLandXml(row[2], document);
    EXPECT_FALSE(result) << row.where;
    EXPECT_NE(result.description.find(row[1]), std::string::npos)
        << row.where << ": " << result.description;
    EXPECT_EQ(document.sites().size(), 1u) << row.where;
    EXPECT_TRUE(document.sites().front().alignments.empty()) << row.where;
  }
  io::Result result;
  CivilDocument document;
  EXPECT_FALSE((result = ovcivil::openLandXml("/nonexistent/in.xml", document)));
  EXPECT_EQ(result.message(), "/nonexistent/in.xml: cannot be opened");
}

// Damaged files (cut short, bytes changed) end in a status, never a crash, and whatever is read
// evaluates without failing.
TEST(LandXml, DamagedFilesAreRefusedOrReadCleanly) {
  CivilDocument original;
  fill(original);
  const std::string text = written(original);
  std::mt19937_64 random(99);
  std::uniform_int_distribution<std::size_t> position(0, text.size() - 1);
  const std::string replacements = "<>/\"'= 0123456789.-eINFx";
  std::uniform_int_distribution<std::size_t> pick(0, replacements.size() - 1);
  int accepted = 0;
  for (int trial = 0; trial < 400; ++trial) {
    std::string damaged = text;
    if (trial % 4 == 0) {
      damaged.resize(position(random));
    } else {
      for (int k = 0; k < 1 + trial % 5; ++k)
        damaged[position(random)] = replacements[pick(random)];
    }
    CivilDocument document;
    const auto result = ovcivil::readLandXml(damaged, document);
    if (!result) {
      EXPECT_FALSE(result.description.empty());
      continue;
    }
    ++accepted;
    for (const auto& site : document.sites())
      for (const auto& alignment : site.alignments) {
        ovcivil::PlanPoint point;
        alignment.pointAtStation(alignment.startingStation + alignment.length() / 2, 1.0, point);
      }
  }
  EXPECT_GT(accepted, 0);  // some changes (inside numbers, say) leave a readable file
}

TEST(LandXml, ReadsPrefixedElementsAndAddsToExistingSites) {
  CivilDocument document;
  document.addSite("s");
  const std::string text = tableRows("platform/civil/cases/landxml.txt", "prefixed")[0][0];
  ASSERT_TRUE(ovcivil::readLandXml(text, document));
  ASSERT_EQ(document.sites().size(), 1u);
  const auto& alignment = document.sites().front().alignments.front();
  EXPECT_EQ(alignment.length(), 5.0);
  ovcivil::PlanPoint end;
  ASSERT_EQ(alignment.pointAtStation(15.0, 0.0, end), ovcivil::kOk);
  EXPECT_EQ(end.x, 4.0);  // east is the second coordinate
  EXPECT_EQ(end.y, 3.0);
}

}  // namespace
}  // namespace kestrel::testing
