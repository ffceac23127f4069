// The SIMA input layer stage by stage, over a synthetic file of mostly points and lot vertices:
// UTF-8 validation, decoding (UTF-8 and CP932), line cutting with splitting, and the record
// checks with the conversions a reader makes. Items are lines, so "items_per_second" is lines
// per second for the stage alone.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/text_encoding.h"
#include "sima/extended_cstring.h"
#include "sima/field_kinds.h"
#include "sima/import_log.h"
#include "sima/line_reader.h"

namespace {

using namespace kestrel;

constexpr int kLines = 200000;

// Points (70%) then lots of eight vertices, CRLF, Japanese names on some lines.
const std::string& sampleText() {
  static const std::string text = [] {
    std::string out = "G00,02,テスト,\r\nA00,\r\n";
    char line[160];
    int count = 2;
    const int points = kLines * 7 / 10;
    for (int i = 1; i <= points; ++i, ++count) {
      std::snprintf(line, sizeof line, "A01,%d,%s%d,%.3f,%.3f,%.3f,\r\n", i,
                    i % 4 == 0 ? "境界" : "P", i, -24010.239 + i * 0.013, -32836.454 - i * 0.007,
                    12.5 + (i % 100) * 0.01);
      out += line;
    }
    out += "A99,\r\n";
    ++count;
    while (count < kLines) {
      out += "D00,1,画地,1,\r\n";
      ++count;
      for (int k = 0; k < 8; ++k, ++count) {
        std::snprintf(line, sizeof line, "B01,%d,P%d,\r\n", count % points + 1, k);
        out += line;
      }
      out += "D99,\r\n";
      ++count;
    }
    return out;
  }();
  return text;
}

const std::string& sampleCp932() {
  static const std::string bytes = io::encode(sampleText(), io::Encoding::Cp932);
  return bytes;
}

void finish(benchmark::State& state, std::size_t bytes) {
  state.SetItemsProcessed(state.iterations() * kLines);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void ValidateUtf8(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(io::isValidUtf8(sampleText()));
  finish(state, sampleText().size());
}
BENCHMARK(ValidateUtf8)->Unit(benchmark::kMillisecond);

void DecodeUtf8(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(io::decode(sampleText(), io::EncodingChoice::Auto));
  finish(state, sampleText().size());
}
BENCHMARK(DecodeUtf8)->Unit(benchmark::kMillisecond);

void DecodeCp932(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(io::decode(sampleCp932(), io::EncodingChoice::Auto));
  finish(state, sampleCp932().size());
}
BENCHMARK(DecodeCp932)->Unit(benchmark::kMillisecond);

void LinesAndSplit(benchmark::State& state) {
  std::vector<std::string> fields;
  for (auto _ : state) {
    sima::LineReader reader(sampleText());
    std::string_view line;
    long total = 0;
    while (reader.next(line)) total += ExtendedCString::Split(sima::trim(line), ',', fields);
    benchmark::DoNotOptimize(total);
  }
  finish(state, sampleText().size());
}
BENCHMARK(LinesAndSplit)->Unit(benchmark::kMillisecond);

// What the coordinate and lot readers do per line: series code check, record check, conversions.
void LinesSplitChecksAndConversions(benchmark::State& state) {
  std::vector<std::string> fields;
  const PointStore earlierPoints;
  for (auto _ : state) {
    ImportLog log;
    sima::LineReader reader(sampleText());
    std::string_view line;
    int32_t number = 0;
    double sum = 0.0;
    while (reader.next(line)) {
      ++number;
      line = sima::trim(line);
      ExtendedCString::Split(line, ',', fields);
      if (fields[0] == "A01") {
        if (log.check(RecordCheck::SeriesA, number, fields, line) == 0 &&
            log.check(RecordCheck::A01, number, fields, line, &earlierPoints) == 0)
          sum += sima::toNumber(fields[3]) + sima::toNumber(fields[4]) +
                 sima::toNumber(fields[5]) + sima::toInteger(fields[1]);
      } else if (fields[0] == "B01") {
        if (log.check(RecordCheck::SeriesD, number, fields, line) == 0 &&
            log.check(RecordCheck::B01, number, fields, line) == 0)
          sum += sima::toInteger(fields[1]);
      }
    }
    benchmark::DoNotOptimize(sum);
    if (log.errorCount() != 0) state.SkipWithError("the sample must pass its checks");
  }
  finish(state, sampleText().size());
}
BENCHMARK(LinesSplitChecksAndConversions)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
