#include "sima/import_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrel {
namespace {

using Lines = std::vector<std::string>;

const std::string kHeader = "----- VUZI_Zovidazed\xE3\x80\x80Version1.0 -----\n\n";
const std::string kTop = "ERROR --------------------------------------------------------";
const std::string kBottom = "--------------------------------------------------------------";

// The progress lines that one operation wrote.
template <typename Operation>
Lines progressOf(Operation operation) {
  ImportLog log;
  operation(log);
  EXPECT_EQ(log.errorCount(), 0);
  return log.progressLines();
}

TEST(ProgressLines, VersionStartAndEndOfFile) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logVersion(1, "02"); }),
            (Lines{"00001 G01 SIMAのバージョン： 02\n"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logEnd(123); }), (Lines{"00123     読み込み終了"}));
}

TEST(ProgressLines, CoordinateSeries) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCoordinateStart(2); }),
            (Lines{"00002 A00 座標データの読み込み開始"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCoordinateEnd(30, 25, 3); }),
            (Lines{"00030 A99 座標データの読み込み終了", "          25点のポイント",
                   "          3点の2次元ポイント\n"}));
}

TEST(ProgressLines, LotSeries) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logLotStart(31); }),
            (Lines{"00031 D00 画地データの読み込み開始"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logLotEnd(40, false, 0, false); }),
            (Lines{"00040 D99 画地データの読み込み終了", "ERROR     画地を作成できませんでした\n"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logLotEnd(40, true, 4, false); }),
            (Lines{"00040 D99 画地データの読み込み終了", "          4点の構成点"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logLotEnd(40, true, 4, true); }),
            (Lines{"00040 D99 画地データの読み込み終了", "          4点の構成点",
                   "          三斜データは読み込みません\n"}));
}

TEST(ProgressLines, RouteSeries) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logRouteStart(50); }),
            (Lines{"00050 F00 路線データの読み込み開始"}));
  for (int type : {2, 3, 7}) {
    EXPECT_EQ(progressOf([&](ImportLog& l) { l.logRouteEnd(60, true, type, 5, "本線"); }),
              (Lines{"00060 F99 路線データの読み込み終了", "          平面線形”本線”",
                     "          5個の線形要素\n"}))
        << type;
    EXPECT_EQ(progressOf([&](ImportLog& l) { l.logRouteEnd(60, false, type, 5, "本線"); }),
              (Lines{"00060 F99 路線データの読み込み終了",
                     "ERROR     平面線形を作成できませんでした\n"}))
        << type;
  }
  for (int type : {1, 4, 5, 6}) {
    EXPECT_EQ(progressOf([&](ImportLog& l) { l.logRouteEnd(60, true, type, 7, "IP"); }),
              (Lines{"00060 F99 路線データの読み込み終了", "          7点の構成点\n"}))
        << type;
    EXPECT_EQ(progressOf([&](ImportLog& l) { l.logRouteEnd(60, false, type, 7, "IP"); }),
              (Lines{"00060 F99 路線データの読み込み終了",
                     "ERROR     ポリラインを作成できませんでした\n"}))
        << type;
  }
}

TEST(ProgressLines, VerticalSeries) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logVerticalStart(70, "CL-1"); }),
            (Lines{"00070 H00 縦断成果データの読み込み開始", "          中心線”CL-1”の縦断成果データ"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logVerticalStart(70, ""); }),
            (Lines{"00070 H00 縦断成果データの読み込み開始", "ERROR     中心線が指定されませんでした"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logVerticalEnd(80, true, 9); }),
            (Lines{"00080 H99 縦断成果データの読み込み終了", "          9点のポイント\n"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logVerticalEnd(80, false, 0); }),
            (Lines{"00080 H99 縦断成果データの読み込み終了", "          0点のポイント",
                   "ERROR     縦断成果をポイントに変換できませんでした\n"}));
}

TEST(ProgressLines, CrossSectionSeries) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCrossSectionStart(90, "CL-1"); }),
            (Lines{"00090 I00 横断成果データの読み込み開始", "          中心線”CL-1”の横断成果データ"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCrossSectionStart(90, ""); }),
            (Lines{"00090 I00 横断成果データの読み込み開始", "ERROR     中心線が指定されませんでした"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logSection(91, "No.1"); }),
            (Lines{"00091 I01 断面 No.1 データを処理"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logSectionPointCount(6); }),
            (Lines{"          6個のポイント"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCrossSectionEnd(99, true, 12); }),
            (Lines{"00099 I99 横断成果データの読み込み終了", "          12点のポイント\n"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logCrossSectionEnd(99, false, 0); }),
            (Lines{"00099 I99 横断成果データの読み込み終了", "          0点のポイント",
                   "ERROR     横断成果をポイントに変換できませんでした\n"}));
}

TEST(ProgressLines, LineNumbersFromOneHundredThousandHaveSixDigits) {
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logEnd(100000); }), (Lines{"100000     読み込み終了"}));
  EXPECT_EQ(progressOf([](ImportLog& l) { l.logEnd(42); }), (Lines{"00042     読み込み終了"}));
}

TEST(ErrorEntries, PointNotFoundUsesTheMessageAsItsCodeLine) {
  ImportLog log;
  log.addPointNotFound(12, "B01,99,P99,");
  EXPECT_EQ(log.errorLines(),
            (Lines{kTop, "参照する座標が見つかりません。", "00012 B01,99,P99,", kBottom}));
  EXPECT_EQ(log.errorCount(), 1);
  ASSERT_EQ(log.errors().size(), 1u);
  EXPECT_EQ(log.errors()[0].code, "");
  EXPECT_EQ(log.errors()[0].messageId, 138);
  EXPECT_EQ(log.errors()[0].lineNumber, 12);
  EXPECT_EQ(log.errors()[0].lineText, "B01,99,P99,");
}

TEST(ErrorEntries, ReaderErrorsHaveTheirCodesAndMessages) {
  ImportLog log;
  log.addCurveInStraightRoute(5, "C01,0,-50,");
  log.addVerticalOutsideAlignment(6, "H01,No.9,900,1,2,1,");
  log.addSectionOutsideAlignment(7, "I01,No.9,900,1,2,");
  EXPECT_EQ(log.errorLines(),
            (Lines{kTop, "ErrF002 円弧とクロソイドが作成出来ません。これを無視して、処理を続けます。",
                   "00005行目 C01,0,-50,", kBottom, kTop,
                   "ErrX001 次の縦断成果を作成できませんでした。（線形範囲外の測点です）",
                   "00006行目 H01,No.9,900,1,2,1,", kBottom, kTop,
                   "ErrX001 次の横断成果を作成できませんでした。（線形範囲外の測点です）",
                   "00007行目 I01,No.9,900,1,2,", kBottom}));
  EXPECT_EQ(log.errorCount(), 3);
  ASSERT_EQ(log.errors().size(), 3u);
  EXPECT_EQ(log.errors()[1].messageId, 141);
  EXPECT_EQ(log.errors()[2].messageId, 153);
}

TEST(ErrorEntries, EnglishTableWhenSelected) {
  ImportLog log(sima::Language::English);
  log.addCurveInStraightRoute(5, "C01,0,-50,");
  EXPECT_EQ(log.errorLines()[1],
            "ErrF002 Here it cannot draw up the circular arc and the  clothoid.  Ignoring this "
            "line, it continued processing.");
}

TEST(ErrorEntries, AddErrorBlockCountsAndKeepsTheLines) {
  ImportLog log;
  log.addErrorBlock("code line", "reference line");
  EXPECT_EQ(log.errorLines(), (Lines{kTop, "code line", "reference line", kBottom}));
  EXPECT_EQ(log.errorCount(), 1);
  EXPECT_EQ(log.errors().size(), 1u);
}

TEST(Render, HeaderThenProgressThenErrors) {
  ImportLog log;
  log.logVersion(1, "02");
  log.logCoordinateStart(2);
  log.addPointNotFound(3, "B01,9,,");
  log.logCoordinateEnd(4, 1, 0);
  log.logEnd(5);
  EXPECT_EQ(log.render(),
            "----- VUZI_Zovidazed　Version1.0 -----\n\n"
            "00001 G01 SIMAのバージョン： 02\n\n"
            "00002 A00 座標データの読み込み開始\n"
            "00004 A99 座標データの読み込み終了\n"
            "          1点のポイント\n"
            "          0点の2次元ポイント\n\n"
            "00005     読み込み終了\n"
            "ERROR --------------------------------------------------------\n"
            "参照する座標が見つかりません。\n"
            "00003 B01,9,,\n"
            "--------------------------------------------------------------\n");
}

TEST(Render, EmptyLogIsTheHeaderAlone) { EXPECT_EQ(ImportLog().render(), kHeader); }

TEST(Clear, EmptiesTheListsButKeepsTheCount) {
  ImportLog log;
  log.logEnd(1);
  log.addPointNotFound(1, "B01,1,,");
  log.clear();
  EXPECT_TRUE(log.progressLines().empty());
  EXPECT_TRUE(log.errorLines().empty());
  EXPECT_TRUE(log.errors().empty());
  EXPECT_EQ(log.errorCount(), 1);
  EXPECT_EQ(log.render(), kHeader);
}

TEST(Copy, CopiesBothListsPathAndCount) {
  ImportLog log;
  log.setPath("/a/b.sim");
  log.logEnd(3);
  log.addPointNotFound(2, "B01,1,,");
  const ImportLog copy = log;
  log.clear();
  EXPECT_EQ(copy.path(), "/a/b_Input.log");
  EXPECT_EQ(copy.progressLines().size(), 1u);
  EXPECT_EQ(copy.errorLines().size(), 4u);
  EXPECT_EQ(copy.errorCount(), 1);
}

struct PathCase {
  const char* input;
  const char* log;
};
class LogPath : public ::testing::TestWithParam<PathCase> {};
TEST_P(LogPath, ReplacesTheLastFourCharacters) {
  ImportLog log;
  log.setPath(GetParam().input);
  EXPECT_EQ(log.path(), GetParam().log);
}
INSTANTIATE_TEST_SUITE_P(
    ImportLog, LogPath,
    ::testing::Values(PathCase{"C:\\data\\road.sim", "C:\\data\\road_Input.log"},
                      PathCase{"C:\\data\\roadfile", "C:\\data\\road_Input.log"},
                      PathCase{"/home/u/survey.SIM", "/home/u/survey_Input.log"},
                      PathCase{"/d/路線データ", "/d/路_Input.log"},  // characters, not bytes
                      PathCase{"ab", "_Input.log"}));

// ---- files ----

class LogFile : public ::testing::Test {
 protected:
  ImportLog sampleLog() {
    ImportLog log;
    log.setPath((dir_.path() / "road.sim").string());
    log.logVerticalStart(7, "本線");
    log.addPointNotFound(8, "B01,5,,");
    return log;
  }
  testing::TempDir dir_;
};

TEST_F(LogFile, Utf8FileHoldsTheRenderedTextWithoutBom) {
  const ImportLog log = sampleLog();
  kestrel::io::Result result;
  ASSERT_TRUE((result = writeLogFile(log, io::Encoding::Utf8))) << result.message();
  EXPECT_EQ(testing::readBytes(log.path()),
            "----- VUZI_Zovidazed\xE3\x80\x80Version1.0 -----\n\n"
            "00007 H00 縦断成果データの読み込み開始\n"
            "          中心線”本線”の縦断成果データ\n" +
                kTop + "\n参照する座標が見つかりません。\n00008 B01,5,,\n" + kBottom + "\n");
}

TEST_F(LogFile, Cp932FileHoldsCp932Bytes) {
  ImportLog log;
  log.setPath((dir_.path() / "road.sim").string());
  log.logCoordinateStart(1);
  kestrel::io::Result result;
  ASSERT_TRUE((result = writeLogFile(log, io::Encoding::Cp932))) << result.message();
  // 座標データの読み込み開始 in CP932, byte by byte.
  const std::string expected =
      "----- VUZI_Zovidazed\x81\x40Version1.0 -----\n\n"
      "00001 A00 \x8D\xC0\x95\x57\x83\x66\x81\x5B\x83\x5E\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82"
      "\xDD\x8A\x4A\x8E\x6E\n";
  EXPECT_EQ(testing::readBytes(log.path()), expected);
}

TEST_F(LogFile, ReplacesAnEarlierLogAndLeavesNoTemporaryFile) {
  const std::string path = dir_.write("road_Input.log", std::string(10000, 'x'));
  const ImportLog log = sampleLog();
  ASSERT_EQ(log.path(), path);
  ASSERT_TRUE(writeLogFile(log, io::Encoding::Utf8));
  EXPECT_EQ(testing::readBytes(path), log.render());
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST_F(LogFile, WriteIntoAMissingFolderFailsWithAReason) {
  ImportLog log;
  log.setPath((dir_.path() / "missing" / "road.sim").string());
  kestrel::io::Result result;
  EXPECT_FALSE((result = writeLogFile(log, io::Encoding::Utf8)));
  EXPECT_NE(result.message().find("missing"), std::string::npos) << result.message();
}

TEST_F(LogFile, AppendAddsLinesInTheEncoding) {
  const std::string path = dir_.write("road_Input.log", "first\n");
  kestrel::io::Result result;
  ASSERT_TRUE((result = appendLogLines(path, {"座標", "b"}, io::Encoding::Cp932))) << result.message();
  EXPECT_EQ(testing::readBytes(path), "first\n\x8D\xC0\x95\x57\nb\n");
  ASSERT_TRUE((result = appendLogLines(path, {"座標"}, io::Encoding::Utf8))) << result.message();
  EXPECT_EQ(testing::readBytes(path), "first\n\x8D\xC0\x95\x57\nb\n座標\n");
}

TEST_F(LogFile, AppendCreatesAMissingFile) {
  const std::string path = (dir_.path() / "new_Input.log").string();
  ASSERT_TRUE(appendLogLines(path, {"x"}, io::Encoding::Utf8));
  EXPECT_EQ(testing::readBytes(path), "x\n");
}

}  // namespace
}  // namespace kestrel
