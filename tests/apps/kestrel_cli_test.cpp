// The command line host end to end: the examples against their derived logs, usage errors and
// their messages in both languages, the files it writes and refuses to write, and hostile input
// that must end cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>

#include "tests/support/hostile_sima.h"
#include "tests/support/run_host.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

namespace {

using kestrel::testing::readBytes;
using kestrel::testing::TempDir;

const std::string kExamples = std::string(KESTREL_SOURCE_DIR) + "/examples/";
const std::string kCases = std::string(KESTREL_SOURCE_DIR) + "/tests/apps/cases/";

using Result = kestrel::testing::HostResult;

// Runs the host; stderr joins the output only when asked.
Result run(const std::string& arguments, bool mergeStderr = false, const std::string& prefix = "") {
  return kestrel::testing::runHost(arguments, mergeStderr, prefix);
}

std::string quoted(const std::string& path) { return kestrel::testing::quotedPath(path); }

// Everything a folder holds, to tell that a run wrote nothing.
std::set<std::string> listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(entry.path().string());
  return names;
}

// The small example's log is derived by hand; the project example's by tools/road_project.py. The
// log of a CP932 input re-encoded is the UTF-8 input's log. (The result lines: EnglishThroughout and
// cli_json_test.py.)
TEST(KestrelCli, ExampleLogsMatchTheirDerivedLogsByteForByte) {
  const struct {
    const char* input;
    const char* expected;
    const char* options;
  } examples[] = {{"road.sim", "road.expected.log", ""},
                  {"road.utf8.sim", "road.expected.utf8.log", ""},
                  {"road.sim", "road.expected.utf8.log", "--log-encoding utf-8 --overwrite "},
                  {"road-project.sim", "road-project.expected.log", ""}};
  TempDir dir;
  for (const auto& example : examples) {
    const std::string bytes = readBytes(kExamples + example.input);
    const std::string input = dir.write(example.input, bytes);
    const Result r = run("import " + std::string(example.options) + quoted(input));
    ASSERT_EQ(r.status, 0) << example.input << " " << example.options;
    EXPECT_EQ(readBytes(input), bytes) << "the input is never written";
    const std::string log = input.substr(0, input.size() - 4) + "_Input.log";
    const std::string expected = readBytes(kExamples + example.expected);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(readBytes(log), expected) << example.input << " " << example.options;
  }
}

// Half-width kana names whose CP932 bytes happen to be valid UTF-8 ("ﾎｼ" is CE BC, also "μ").
// cli_json_test.py holds the encoding and its reason in the JSON report.
TEST(KestrelCli, HalfWidthKanaOfACp932FileAreNotTakenForUtf8) {
  TempDir dir;
  const std::string input = dir.write("kana.sim", readBytes(kCases + "half-width-kana.sim"));
  const Result r = run("import " + quoted(input));
  ASSERT_EQ(r.status, 0);
  const std::string stem = input.substr(0, input.size() - 4);
  EXPECT_NE(readBytes(stem + ".dxf").find("\nﾎｼ1\n"), std::string::npos);
  EXPECT_NE(readBytes(stem + ".xml").find("name=\"ﾎｼ1\""), std::string::npos);
  // The log is CP932 ("行目" is 8D 73 96 DA) and quotes the rejected line as it was.
  EXPECT_NE(readBytes(stem + "_Input.log").find("00003\x8D\x73\x96\xDA A01,2,\xCE\xBC" "2,x"), std::string::npos);
}

// A file shaped like a public web GIS's export: records without their empty last field, words
// for missing elevations. Read strictly every point and boundary point is rejected; read
// tolerantly the points and the lot come in and each deviation is counted (the strict run's errors
// and the counts in --json: cli_json_test.py). A well-formed file gives the same log either way.
TEST(KestrelCli, TolerantReadingTakesWhatAWebGisExportWrites) {
  TempDir dir;
  const std::string input = dir.write("web.sim", readBytes(kCases + "web-gis-export.sim"));
  const std::string log = input.substr(0, input.size() - 4) + "_Input.log";
  // English first: the log checked below is the Japanese run's.
  for (const auto& [language, line] :
       {std::pair{"en", "Deviations tolerated: records without their empty last field 8, "
                        "elevations given as a word 2"},
        std::pair{"ja", "書式の違いを許容（末尾の空欄なし8行、数値でない標高2点）"}}) {
    const Result tolerant =
        run("import --overwrite --tolerant --lang " + std::string(language) + " " + quoted(input));
    ASSERT_EQ(tolerant.status, 0);
    EXPECT_EQ(tolerant.out.substr(tolerant.out.rfind('\n', tolerant.out.size() - 2) + 1),
              std::string(line) + "\n")
        << tolerant.out;
  }
  EXPECT_NE(readBytes(log).find("          1点のポイント\n          2点の2次元ポイント\n\n"
                                "00009 D00 画地データの読み込み開始\n00013 D99 画地データの読み込み終了\n"
                                "          3点の構成点\n"),
            std::string::npos);

  const std::string project = dir.write("project.sim", readBytes(kExamples + "road-project.sim"));
  ASSERT_EQ(run("import --tolerant " + quoted(project)).status, 0);
  EXPECT_EQ(readBytes((dir.path() / "project_Input.log").string()),
            readBytes(kExamples + "road-project.expected.log"));
}

// --lang en: the module's English message table in the log, English result lines, and on a
// terminal an English progress bar that ends its line before the first result line.
TEST(KestrelCli, EnglishThroughoutWithLangEn) {
  TempDir dir;
  const std::string input = dir.write("road.sim", readBytes(kExamples + "road.utf8.sim"));
  const Result r = run("import --lang en " + quoted(input));
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Errors: 12");
  EXPECT_NE(r.out.find("\nPoints made from the coordinate data: 5\n"), std::string::npos) << r.out;
  const std::string log = readBytes(input.substr(0, input.size() - 4) + "_Input.log");
  EXPECT_NE(log.find("ErrA01-2 X is non-numerical value. \n00010行目 "), std::string::npos);
  EXPECT_EQ(log.find("X座標が、実数ではありません。"), std::string::npos);

  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  const Result terminal = kestrel::testing::runCommand(
      "script -qec \"" + kestrel::testing::kKestrelHost + " import --overwrite --lang en " +
      quoted(input) + "\" /dev/null");
  EXPECT_NE(terminal.out.find("Reading [####"), std::string::npos) << terminal.out;
  EXPECT_NE(terminal.out.find("] 100%\r\nErrors: 12"), std::string::npos) << terminal.out;
}

// Every usage error ends with status 2 and one line on stderr in the language asked for, before
// anything is written.
TEST(KestrelCli, UsageErrorsInBothLanguagesBeforeAnyOutput) {
  TempDir dir;
  const std::string points = "A00,\nA01,1,P1,1,2,3,\nA99,\n";
  dir.write("in.sim", points);
  dir.write("notes.txt", points);
  dir.write("has.sim", points);
  dir.write("has.dxf", "mine");
  dir.write("old_points.geojson", "{}");
  std::filesystem::create_directory(dir.path() / "empty");
  std::filesystem::create_directory(dir.path() / "sub");
  dir.write("sub/in.sim", points);
  const std::string at = dir.path().string() + "/";
  auto filled = [&](std::string text) {
    for (auto p = text.find('@'); p != std::string::npos; p = text.find('@', p + at.size()))
      text.replace(p, 1, at);
    return text;
  };
  const std::set<std::string> before = listing(dir.path());
  for (const auto& row : kestrel::testing::textRows("apps/cases/usage_errors.txt")) {
    for (const bool english : {false, true}) {
      const std::string arguments = (english ? "--lang en " : "") + filled(row[0]);
      SCOPED_TRACE(row.where + ": " + arguments);
      const Result r = run(arguments, false);
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_EQ(r.err.rfind("kestrel: ", 0), 0u) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      EXPECT_NE(r.err.find(filled(row[english ? 2 : 1])), std::string::npos) << r.err;
      EXPECT_EQ(listing(dir.path()), before);
    }
  }
}

// --version ends its line; --help in either language lists every exit status.
TEST(KestrelCli, VersionAndHelpWithTheExitStatuses) {
  const Result version = run("--version", false);
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(std::regex_match(version.out, std::regex("kestrel [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << version.out;
  for (const char* arguments :
       {"--help", "--lang en --help", "import --help", "scan --lang en -h", "export --help"}) {
    const Result help = run(arguments, false);
    EXPECT_EQ(help.status, 0) << arguments;
    for (const char* status : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  ", "\n  4  ", "\n  5  "})
      EXPECT_NE(help.out.find(status), std::string::npos) << arguments << ": " << status;
  }
}

TEST(KestrelCli, UpperCaseExtensionIsAccepted) {
  TempDir dir;
  const std::string input = dir.write("ROAD.SIM", "A00,\nA01,1,P1,1,2,3,\nA99,\n");
  EXPECT_EQ(run("import " + quoted(input)).status, 0);
}

// The log goes where --log says, and a read-only input folder without --log is refused up front
// (an existing output is kept without --overwrite: a row of cases/usage_errors.txt). Read-only
// holds for root too only when the host runs as another user, so as root it is run through setpriv
// as nobody.
TEST(KestrelCli, TheLogGoesWhereItIsTold) {
  TempDir dir;
  const bool root = geteuid() == 0;
  if (root && std::system("command -v setpriv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "running as root without setpriv: a read-only folder cannot be made";
  const std::string prefix = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const auto readOnly = dir.path() / "readonly";
  const auto out = dir.path() / "out";
  std::filesystem::create_directories(readOnly);
  std::filesystem::create_directories(out);
  const std::string shared = dir.write("readonly/road.sim", readBytes(kExamples + "road.sim"));
  namespace perms = std::filesystem;
  perms::permissions(dir.path(), perms::perms::owner_all | perms::perms::group_read |
                                     perms::perms::group_exec | perms::perms::others_read |
                                     perms::perms::others_exec);
  perms::permissions(readOnly, perms::perms::owner_read | perms::perms::owner_exec |
                                   perms::perms::group_read | perms::perms::group_exec |
                                   perms::perms::others_read | perms::perms::others_exec);
  perms::permissions(out, perms::perms::all);
  const std::string toOut = "import --output-dir " + quoted(out.string()) + " " + quoted(shared);
  const Result noLog = run(toOut, false, prefix);
  EXPECT_EQ(noLog.status, 2) << noLog.err;
  EXPECT_NE(noLog.err.find(readOnly.string() + ": 入力ファイルのフォルダーが読み取り専用"), std::string::npos)
      << noLog.err;
  EXPECT_TRUE(std::filesystem::is_empty(out));
  const Result logged = run(toOut + " --log " + quoted(out.string() + "/"), false, prefix);
  EXPECT_EQ(logged.status, 0) << logged.err;
  EXPECT_EQ(readBytes((out / "road_Input.log").string()), readBytes(kExamples + "road.expected.log"));
  EXPECT_FALSE(readBytes((out / "road.dxf").string()).empty());
}

// Input that must never crash or hang: each ends with a log (exit 0) or "nothing to import" (3).
TEST(KestrelCli, HostileInputEndsCleanly) {
  TempDir dir;
  for (const std::string& input : kestrel::testing::hostileSimaFiles(dir)) {
    const Result r = run("import " + quoted(input), true);
    EXPECT_TRUE(r.status == 0 || r.status == 3) << input << ": " << r.out;
    if (r.status == 0)
      EXPECT_FALSE(readBytes(input.substr(0, input.size() - 4) + "_Input.log").empty()) << input;
  }
}

// Results whose route is not in the file go on an alignment of an earlier run, named by the user.
TEST(KestrelCli, AlignmentChoiceFromAnEarlierRunsLandXml) {
  TempDir dir;
  const std::string road = dir.write("road.sim", readBytes(kExamples + "road.sim"));
  ASSERT_EQ(run("import " + quoted(road)).status, 0);
  const std::string landxml = (dir.path() / "road.xml").string();
  ASSERT_FALSE(readBytes(landxml).empty());
  const std::string results =
      dir.write("results.sim", readBytes(kCases + "results-of-an-unknown-route.sim"));

  const std::string alignments = "import --overwrite --alignments " + quoted(landxml);
  const Result chosen = run(alignments + " --alignment 中心線 " + quoted(results));
  EXPECT_EQ(chosen.status, 0);
  EXPECT_NE(chosen.out.find("縦断成果から1個のポイントを作成"), std::string::npos) << chosen.out;

  const Result unknown = run(alignments + " --alignment 無い " + quoted(results), true);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("中心線"), std::string::npos) << unknown.out;

  // Without an answer the selection is cancelled, as "キャンセル" would: nothing is placed, and
  // the run is partial.
  const Result cancelled = run(alignments + " " + quoted(results), true);
  EXPECT_EQ(cancelled.status, 4);
  EXPECT_NE(cancelled.out.find("中心線"), std::string::npos) << cancelled.out;
  EXPECT_NE(cancelled.out.find("1個のエラー"), std::string::npos) << cancelled.out;
}

}  // namespace
