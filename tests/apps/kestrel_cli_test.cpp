// The command line host end to end: the examples against their derived logs, usage errors and
// their messages in both languages, the files it writes and refuses to write, and hostile input
// that must end cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "tests/platform/civil/landxml_check.h"
#include "tests/support/hostile_sima.h"
#include "tests/support/run_host.h"
#include "tests/support/text_rows.h"

namespace {

using kestrel::testing::filled;
using kestrel::testing::readBytes;
using kestrel::testing::runHost;
using kestrel::testing::TempDir;
constexpr auto quoted = kestrel::testing::quotedPath;

const std::string kExamples = std::string(KESTREL_SOURCE_DIR) + "/examples/";
const std::string kCases = std::string(KESTREL_SOURCE_DIR) + "/tests/apps/cases/";

using Result = kestrel::testing::HostResult;

// Everything a folder holds, names and bytes, to tell that a run wrote nothing.
std::set<std::string> listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(entry.path().string() + (entry.is_regular_file() ? readBytes(entry.path()) : ""));
  return names;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Each row of cases/cli_runs.txt; no run writes an input.
TEST(KestrelCli, RunsGiveTheirStatusOutputsAndFiles) {
  TempDir dir;
  std::map<std::string, std::string> inputs;  // a copy and its bytes
  // SIMA files only: the README's example run leaves its outputs beside road.sim.
  for (const std::string& folder : {kExamples, kCases})
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string extension = entry.path().extension().string();
      if (entry.is_regular_file() && (extension == ".sim" || extension == ".SIM"))
        inputs[dir.write(entry.path().filename(), readBytes(entry.path()))] = readBytes(entry.path());
    }
  const std::string at = dir.path().string() + "/";
  std::string arguments;
  Result r;
  for (const auto& row : kestrel::testing::textRows("apps/cases/cli_runs.txt")) {
    SCOPED_TRACE(row.where);
    if (row[0] != arguments)  // "tty": on a terminal (script(1)), where progress is drawn
      r = (arguments = row[0]).rfind("tty ", 0) != 0
              ? runHost(filled(arguments, at), false)
              : kestrel::testing::runCommand("script -qec \"" + kestrel::testing::kKestrelHost +
                                             " " + filled(arguments.substr(4), at) +
                                             "\" /dev/null");
    EXPECT_EQ(r.status, std::stoi(row[1])) << r.err;
    const std::string text =
        row[2] == "out" ? r.out : row[2] == "err" ? r.err : readBytes(filled(row[2], at));
    const std::string &how = row[3], &want = row[4];
    const bool holds =
        how == "same"     ? !text.empty() && text == readBytes(std::string(KESTREL_SOURCE_DIR) + "/" + want)
        : how == "has"    ? text.find(want) != std::string::npos
        : how == "lacks"  ? text.find(want) == std::string::npos
        : how == "starts" ? text.rfind(want, 0) == 0
        : how == "ends"   ? text.size() >= want.size() && text.substr(text.size() - want.size()) == want
        : how == "matches" ? std::regex_match(text, std::regex(want))
        : how == "valid"  ? kestrel::testing::validateLandXml(filled(row[2], at)).valid
        : how.rfind("count ", 0) == 0 ? occurrences(text, want) == std::stoul(how.substr(6))
                          : false;
    EXPECT_TRUE(holds) << how << " \"" << want << "\" in:\n" << text;
  }
  for (const auto& [copy, bytes] : inputs) EXPECT_EQ(readBytes(copy), bytes) << copy;
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
  dir.write("broken.xml", "<LandXML><Alignments>");
  std::filesystem::create_directory(dir.path() / "empty");
  std::filesystem::create_directory(dir.path() / "sub");
  dir.write("sub/in.sim", points);
  const std::string at = dir.path().string() + "/";
  const std::set<std::string> before = listing(dir.path());
  for (const auto& row : kestrel::testing::textRows("apps/cases/usage_errors.txt")) {
    for (const bool english : {false, true}) {
      const std::string arguments = (english ? "--lang en " : "") + filled(row[0], at);
      SCOPED_TRACE(row.where + ": " + arguments);
      const Result r = runHost(arguments, false);
      EXPECT_EQ(r.status, 2) << r.err;
      EXPECT_EQ(r.err.rfind("kestrel: ", 0), 0u) << r.err;
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
      EXPECT_NE(r.err.find(filled(row[english ? 2 : 1], at)), std::string::npos) << r.err;
      EXPECT_EQ(listing(dir.path()), before);
    }
  }
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
  const auto readOnly = dir.path() / "readonly", out = dir.path() / "out";
  std::filesystem::create_directories(readOnly);
  std::filesystem::create_directories(out);
  const std::string shared = dir.write("readonly/road.sim", readBytes(kExamples + "road.sim"));
  using std::filesystem::perms;
  for (const auto& [folder, mode] : {std::pair{dir.path(), perms(0755)}, {readOnly, perms(0555)},
                                     {out, perms::all}})
    std::filesystem::permissions(folder, mode);
  const std::string toOut = "import --output-dir " + quoted(out) + " " + quoted(shared);
  const Result noLog = runHost(toOut, false, prefix);
  EXPECT_EQ(noLog.status, 2) << noLog.err;
  EXPECT_NE(noLog.err.find(readOnly.string() + ": 入力ファイルのフォルダーが読み取り専用"), std::string::npos)
      << noLog.err;
  EXPECT_TRUE(std::filesystem::is_empty(out));
  const Result logged = runHost(toOut + " --log " + quoted(out.string() + "/"), false, prefix);
  EXPECT_EQ(logged.status, 0) << logged.err;
  EXPECT_EQ(readBytes((out / "road_Input.log").string()), readBytes(kExamples + "road.expected.log"));
  EXPECT_FALSE(readBytes((out / "road.dxf").string()).empty());
}

// Input that must never crash or hang: each ends with a log (exit 0) or "nothing to import" (3).
TEST(KestrelCli, HostileInputEndsCleanly) {
  TempDir dir;
  for (const std::string& input : kestrel::testing::hostileSimaFiles(dir)) {
    const Result r = runHost("import " + quoted(input));
    EXPECT_TRUE(r.status == 0 || r.status == 3) << input << ": " << r.out;
    if (r.status == 0) {
      EXPECT_FALSE(readBytes(input.substr(0, input.size() - 4) + "_Input.log").empty()) << input;
    }
  }
}

}  // namespace
