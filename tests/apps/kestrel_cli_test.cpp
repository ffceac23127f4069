// The command line host end to end: the examples against their derived logs, exit statuses, and
// hostile input that must end cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/run_host.h"
#include "tests/support/temp_dir.h"

namespace {

using kestrel::testing::readBytes;
using kestrel::testing::TempDir;

const std::string kExamples = std::string(KESTREL_SOURCE_DIR) + "/examples/";

using Result = kestrel::testing::HostResult;

// Runs the host; stderr joins the output only when asked.
Result run(const std::string& arguments, bool mergeStderr = false) {
  return kestrel::testing::runHost(arguments, mergeStderr);
}

std::string quoted(const std::string& path) { return kestrel::testing::quotedPath(path); }

// The small example's log is derived by hand; the project example's by tools/road_project.py.
TEST(KestrelCli, ExampleLogsMatchTheirDerivedLogsByteForByte) {
  const struct {
    const char* input;
    const char* expected;
  } examples[] = {{"road.sim", "road.expected.log"},
                  {"road.utf8.sim", "road.expected.utf8.log"},
                  {"road-project.sim", "road-project.expected.log"}};
  TempDir dir;
  for (const auto& example : examples) {
    const std::string input = dir.write(example.input, readBytes(kExamples + example.input));
    const Result r = run("import " + quoted(input));
    ASSERT_EQ(r.status, 0) << example.input;
    const std::string log = input.substr(0, input.size() - 4) + "_Input.log";
    const std::string expected = readBytes(kExamples + example.expected);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readBytes(log), expected) << example.input;
  }
}

TEST(KestrelCli, ResultLinesArePrintedAndTheInputIsNeverWritten) {
  TempDir dir;
  const std::string bytes = readBytes(kExamples + "road.sim");
  const std::string input = dir.write("road.sim", bytes);
  const Result r = run("import " + quoted(input));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "12個のエラー");
  EXPECT_EQ(readBytes(input), bytes);
}

TEST(KestrelCli, JsonReportCarriesEveryError) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.sim"));
  const Result r = run("import --json " + quoted(input));
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"errorCount\": 12"), std::string::npos);
  EXPECT_NE(r.out.find("{\"code\": null, \"line\": 24"), std::string::npos);
  EXPECT_NE(r.out.find("{\"code\": \"ErrA01-2\", \"line\": 10"), std::string::npos);
}

// Half-width kana names whose CP932 bytes happen to be valid UTF-8 ("ﾎｼ" is CE BC, also "μ").
TEST(KestrelCli, HalfWidthKanaOfACp932FileAreNotTakenForUtf8) {
  TempDir dir;
  const std::string input = dir.write(
      "kana.sim", "A00,\r\nA01,1,\xCE\xBC" "1,0.000,0.000,1.0,\r\nA01,2,\xCE\xBC" "2,x,0.000,1.0,\r\nA99,\r\n");
  const Result r = run("import --json " + quoted(input));
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"encoding\": \"cp932\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("as CP932 \\\"ﾎｼ1\\\""), std::string::npos) << r.out;
  const std::string stem = input.substr(0, input.size() - 4);
  EXPECT_NE(readBytes(stem + ".dxf").find("\nﾎｼ1\n"), std::string::npos);
  EXPECT_NE(readBytes(stem + ".xml").find("name=\"ﾎｼ1\""), std::string::npos);
  // The log is CP932 ("行目" is 8D 73 96 DA) and quotes the rejected line as it was.
  EXPECT_NE(readBytes(stem + "_Input.log").find("00003\x8D\x73\x96\xDA A01,2,\xCE\xBC" "2,x"), std::string::npos);
}

// A file shaped like a public web GIS's export: records without their empty last field, words
// for missing elevations. Read strictly every point and boundary point is rejected; read
// tolerantly the points and the lot come in and each deviation is counted. A well-formed file
// gives the same log either way.
TEST(KestrelCli, TolerantReadingTakesWhatAWebGisExportWrites) {
  TempDir dir;
  const std::string input = dir.write(
      "web.sim", "G00,01,web,\r\nZ00,座標ﾃﾞｰﾀ,\r\nA00,\r\nA01,1,1,-100.0,200.0,undefined\r\n"
                 "A01,2,2,-110.0,205.0,null\r\nA01,3,3,-105.0,215.0,12.5\r\nA99\r\n"
                 "Z00,区画ﾃﾞｰﾀ,\r\nD00,1,1,1\r\nB01,1,1\r\nB01,2,2\r\nB01,3,3\r\nD99\r\n");
  const std::string log = input.substr(0, input.size() - 4) + "_Input.log";
  const Result strict = run("import --json " + quoted(input));
  ASSERT_EQ(strict.status, 0);
  EXPECT_NE(strict.out.find("\"errorCount\": 8,"), std::string::npos) << strict.out;
  EXPECT_NE(strict.out.find("\"points\": 0, \"lots\": 0,"), std::string::npos);
  EXPECT_NE(strict.out.find("\"tolerated\": {\"lastFieldAdded\": 0, \"elevationWordDropped\": 0}"),
            std::string::npos);

  const Result tolerant = run("import --tolerant --json " + quoted(input));
  ASSERT_EQ(tolerant.status, 0);
  EXPECT_NE(tolerant.out.find("\"errorCount\": 0,"), std::string::npos) << tolerant.out;
  EXPECT_NE(tolerant.out.find("\"points\": 1, \"lots\": 1,"), std::string::npos);
  EXPECT_NE(tolerant.out.find("\"tolerated\": {\"lastFieldAdded\": 8, \"elevationWordDropped\": 2}"),
            std::string::npos);
  EXPECT_NE(tolerant.out.find("\"書式の違いを許容（末尾の空欄なし8行、数値でない標高2点）\""),
            std::string::npos);
  EXPECT_NE(readBytes(log).find("          1点のポイント\n          2点の2次元ポイント\n\n"
                                "00009 D00 画地データの読み込み開始\n00013 D99 画地データの読み込み終了\n"
                                "          3点の構成点\n"),
            std::string::npos);

  const std::string project = dir.write("project.sim", readBytes(kExamples + "road-project.sim"));
  ASSERT_EQ(run("import --tolerant " + quoted(project)).status, 0);
  EXPECT_EQ(readBytes((dir.path() / "project_Input.log").string()),
            readBytes(kExamples + "road-project.expected.log"));
}

TEST(KestrelCli, EnglishMessagesWhenTheHostSwitchesLanguage) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.utf8.sim"));
  ASSERT_EQ(run("import --lang en " + quoted(input)).status, 0);
  const std::string log = readBytes(input.substr(0, input.size() - 4) + "_Input.log");
  EXPECT_NE(log.find("ErrA01-2 X is non-numerical value. \n00010行目 "), std::string::npos);
  EXPECT_EQ(log.find("X座標が、実数ではありません。"), std::string::npos);
}

TEST(KestrelCli, PathProblemsExitWithTwoAndOneLine) {
  TempDir dir;
  const std::string notSim = dir.write("road.txt", "Z00\n");
  std::filesystem::create_directory(dir.path() / "folder.sim");
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {(dir.path() / "missing.sim").string(), "no such file"},
      {(dir.path() / "folder.sim").string(), "is a directory"},
      {notSim, "name does not end in .sim"},
  };
  for (const auto& c : cases) {
    const Result r = run("import " + quoted(c.path), true);
    EXPECT_EQ(r.status, 2) << c.path;
    EXPECT_NE(r.out.find(c.reason), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Please browse for Valid SIM File."), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
  }
}

TEST(KestrelCli, UpperCaseExtensionIsAccepted) {
  TempDir dir;
  const std::string input = dir.write("ROAD.SIM", "A00,\nA01,1,P1,1,2,3,\nA99,\n");
  EXPECT_EQ(run("import " + quoted(input)).status, 0);
}

TEST(KestrelCli, ShiftIsCheckedByTheSettingsRule) {
  TempDir dir;
  const std::string input = dir.write("r.sim", "A00,\nA01,1,P1,1,2,3,\nA99,\n");
  for (const char* shift : {"0", "-3", "1.2.3", "abc"}) {
    const Result r = run("import --shift " + std::string(shift) + " " + quoted(input), true);
    EXPECT_EQ(r.status, 2) << shift;
    EXPECT_NE(r.out.find("0より大きい値を指定してください。"), std::string::npos) << r.out;
  }
  EXPECT_EQ(run("import --shift 1.5 " + quoted(input)).status, 0);
}

// Input that must never crash or hang: each ends with a log (exit 0) or "nothing to import" (3).
TEST(KestrelCli, HostileInputEndsCleanly) {
  TempDir dir;
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  const std::string bigLine = "A00,\nA01,1," + std::string(50u * 1024 * 1024, 'x') + ",1,2,3,\nA99,\n";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty.sim", ""},
      {"garbage.sim", garbage},
      {"nul.sim", std::string("A00,\nA01,1,P\0\0,1,2,3,\nA99,\n", 27)},
      {"bigline.sim", bigLine},
      {"badcp932.sim", "A00,\nA01,1,\x81\x20\xa0\xfd,1,2,3,\nA99,\n"},
      {"longint.sim", "A00,\nA01,123456789012345678901234567890,P,1,2,3,\nA99,\n"},
      {"longnumber.sim", "A00,\nA01,1,P," + std::string(400, '9') + ",2,3,\nA99,\n"},
  };
  for (const auto& c : cases) {
    const std::string input = dir.write(c.name, c.bytes);
    const Result r = run("import " + quoted(input), true);
    EXPECT_TRUE(r.status == 0 || r.status == 3) << c.name << ": " << r.out;
    if (r.status == 0) {
      EXPECT_FALSE(readBytes(input.substr(0, input.size() - 4) + "_Input.log").empty()) << c.name;
    }
  }
}

// Results whose route is not in the file go on an alignment of an earlier run, named by the user.
TEST(KestrelCli, AlignmentChoiceFromAnEarlierRunsLandXml) {
  TempDir dir;
  const std::string road = dir.write("road.sim", readBytes(kExamples + "road.sim"));
  ASSERT_EQ(run("import " + quoted(road)).status, 0);
  const std::string landxml = (dir.path() / "road.xml").string();
  ASSERT_FALSE(readBytes(landxml).empty());
  const std::string results = dir.write("results.sim", "H00,9,縦断,\nH01,A,100.0,10,10,1,\nH99,\n");

  const Result chosen =
      run("import --alignments " + quoted(landxml) + " --alignment 中心線 " + quoted(results));
  EXPECT_EQ(chosen.status, 0);
  EXPECT_NE(chosen.out.find("縦断成果から1個のポイントを作成"), std::string::npos) << chosen.out;

  const Result unknown = run(
      "import --alignments " + quoted(landxml) + " --alignment 無い " + quoted(results), true);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("中心線"), std::string::npos) << unknown.out;

  // Without an answer the selection is cancelled, as "キャンセル" would: nothing is placed.
  const Result cancelled = run("import --alignments " + quoted(landxml) + " " + quoted(results), true);
  EXPECT_EQ(cancelled.status, 0);
  EXPECT_NE(cancelled.out.find("中心線"), std::string::npos) << cancelled.out;
  EXPECT_NE(cancelled.out.find("1個のエラー"), std::string::npos) << cancelled.out;
}

TEST(KestrelCli, ScanPrintsTheTreeWithCounts) {
  const Result r = run("scan --json " + quoted(kExamples + "road.sim"));
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"key\": \"D\", \"label\": \"画地データ \", \"count\": 2"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"encoding\": \"cp932\""), std::string::npos);
}

}  // namespace
