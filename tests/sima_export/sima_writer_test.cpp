// The SIMA text of export data, whole (cases/sample.sim): records and field counts the import checks, CRLF, CP932,
// quoting, and numbers that read back as the same double.
#include "sima_export/sima_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "io/text_encoding.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace kestrel::sima_export;
using kestrel::io::Encoding;

SimaData sample() {
  SimaData data;
  data.title = "若葉台";
  data.points = {{1, "BP", 48213.405, -31748.92, 151.677},
                 {2, "a,b", 0.1 + 0.2, -0.0, std::nullopt},
                 {3, "say \"hi\"", 1e-7, 12345678.5, 0.0}};
  data.lots = {{7, "512-2", true, {1, 2, 3}}, {8, "open", false, {3, 1}}};
  Route route{1, "本線", 3, 1000, {}};
  route.points = {
      {1, 1000, Curve::Clothoid, 0, 150, 0, -300}, {2, 1075, Curve::Arc, -300}, {3, 1100.25}};
  data.routes = {route};
  return data;
}

TEST(SimaWriter, WritesEverySeriesInTheFormTheImportReads) {
  kestrel::io::StringSink sink;
  WriteSummary summary;
  ASSERT_TRUE(writeSima(sample(), {}, sink, summary));
  // Written by hand in CP932 with CR LF line ends.
  const std::string expected = kestrel::testing::readBytes(
      std::string(KESTREL_SOURCE_DIR) + "/tests/sima_export/cases/sample.sim");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(sink.text(), expected);
  EXPECT_EQ(summary.lines,
            static_cast<std::size_t>(std::count(expected.begin(), expected.end(), '\n')));
}

TEST(SimaWriter, NumbersReadBackExactlyOrRoundedAsAsked) {
  for (const double value : {0.1, 2.0 / 3.0, -31748.920000000002, 1e-12, 6.02e23, -0.0}) {
    const std::string text = numberText(value, std::nullopt);
    EXPECT_EQ(text.find_first_not_of("-0123456789."), std::string::npos) << text;
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
  }
  EXPECT_EQ(numberText(48213.4054, 3), "48213.405");
  EXPECT_EQ(numberText(-0.0004, 3), "0.000");
}

TEST(SimaWriter, TextTheEncodingLacksIsRefusedNamingTheRecordOrReplaced) {
  SimaData data = sample();
  data.lots[1].name = "Café";
  data.points[0].name = "line\nbreak";
  kestrel::io::StringSink sink;
  WriteSummary summary;
  const auto refused = writeSima(data, {}, sink, summary);
  EXPECT_EQ(refused.failure, kestrel::io::Failure::Content);
  EXPECT_EQ(
      refused.message(),
      "line 4: A01 of point 1 \"line?break\": a text holds U+000A, which a SIMA line cannot hold");
  data.points[0].name = "BP";
  EXPECT_EQ(writeSima(data, {}, sink, summary).message(),
            "line 13: D00 of lot 8 \"Café\": \"é\" (U+00E9) cannot be written in CP932");
  kestrel::io::StringSink replaced;
  ASSERT_TRUE(writeSima(data, {Encoding::Cp932, true, std::nullopt}, replaced, summary));
  EXPECT_NE(replaced.text().find("D00,8,Caf?,2,\r\n"), std::string::npos);
  EXPECT_EQ(summary.replaced, 1u);
}

}  // namespace
