// kestrel import end to end for the civil side: the LandXML it writes, the alignments it opens.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/platform/civil/landxml_check.h"
#include "tests/support/run_host.h"
#include "tests/support/temp_dir.h"

namespace {

using kestrel::testing::readBytes;
using kestrel::testing::TempDir;

const std::string kExamples = std::string(KESTREL_SOURCE_DIR) + "/examples/";

using Result = kestrel::testing::HostResult;
const auto run = [](const std::string& a) { return kestrel::testing::runHost(a); };
const auto quoted = kestrel::testing::quotedPath;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(CivilCli, ImportWritesValidLandXmlBesideTheDrawingAndDrawsTheAlignments) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.utf8.sim"));
  const Result r = run("import --series all " + quoted(input));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string landxml = (dir.path() / "road.xml").string();
  const std::string text = readBytes(landxml);
  ASSERT_FALSE(text.empty());
  for (const char* name : {"主要線", "中心線", "曲線連続"})
    EXPECT_EQ(count(text, std::string("<Alignment name=\"") + name + "\""), 1u) << name;
  EXPECT_NE(text.find("<Alignments name=\"サイト\">"), std::string::npos);
  EXPECT_NE(text.find("<CgPoint name=\"No.1\" oID=\"1\">1000 2000 10.5</CgPoint>"), std::string::npos);
  EXPECT_NE(text.find("staStart=\"100\""), std::string::npos);  // F03 of the centre line
  const auto check = kestrel::testing::validateLandXml(landxml);
  EXPECT_TRUE(check.valid) << check.output;
  const std::string dxf = readBytes((dir.path() / "road.dxf").string());
  EXPECT_GE(count(dxf, "KESTREL_ALIGNMENT"), 8u);  // the application and every entity's data

  // A plain reader sees the road: GDAL lists the alignments' arcs among the drawing's entities.
  if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "ogrinfo is not available";
  FILE* pipe = popen(("ogrinfo -q " + quoted((dir.path() / "road.dxf").string()) +
                      " -sql \"select SubClasses from entities\" 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string listing;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) listing.append(buffer, n);
  pclose(pipe);
  EXPECT_EQ(count(listing, "AcDbArc"), 2u) << listing;  // the centre line's and the curve route's
}

TEST(CivilCli, AlignmentsOpenedBeforeTheRunAreSavedWithItsOwn) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.utf8.sim"));
  const std::string first = (dir.path() / "first.xml").string();
  const std::string second = (dir.path() / "second.xml").string();
  ASSERT_EQ(run("import --series F3 --landxml " + quoted(first) + " " + quoted(input)).status, 0);
  const Result r = run("import --series F2 --alignments " + quoted(first) + " --landxml " + quoted(second) +
                       " -o " + quoted((dir.path() / "second.dxf").string()) + " " + quoted(input));
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string text = readBytes(second);
  EXPECT_EQ(count(text, "<Alignment name=\"中心線\""), 1u) << text;
  EXPECT_EQ(count(text, "<Alignment name=\"主要線\""), 1u) << text;
  const auto check = kestrel::testing::validateLandXml(second);
  EXPECT_TRUE(check.valid) << check.output;
}

TEST(CivilCli, BadLandXmlOptionsEndWithAClearError) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.utf8.sim"));
  const std::string broken = dir.write("broken.xml", "<LandXML><Alignments>");
  struct Row {
    std::string arguments;
    std::string message;
  };
  const Row rows[] = {
      {"--alignments " + quoted((dir.path() / "missing.xml").string()), "missing.xml: cannot be opened"},
      {"--alignments " + quoted(broken), "broken.xml: not a LandXML file we can read"},
      {"--landxml " + quoted(input), "を上書きしてしまいます"},
      {"--alignments " + quoted(broken) + " --landxml " + quoted(broken), "broken.xml を上書きしてしまいます"},
  };
  for (const Row& row : rows) {
    const Result r = run("import " + row.arguments + " " + quoted(input));
    EXPECT_EQ(r.status, 2) << row.arguments << "\n" << r.out;
    EXPECT_NE(r.out.find(row.message), std::string::npos) << r.out;
  }
  EXPECT_EQ(readBytes(broken), "<LandXML><Alignments>");  // inputs are never written
}

}  // namespace
