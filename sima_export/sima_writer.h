// SIMA text from export data: a G00 version line and a Z00 title, one A series of every point, a
// D series per lot and an F series per route, then the closing Z00; CRLF line ends, CP932 or
// UTF-8. Numbers are written in the shortest fixed-point form that reads back as the same double
// (or rounded to a number of decimals when asked); text fields are quoted when they hold a comma
// or a double quote.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "io/atomic_file.h"
#include "io/result.h"
#include "io/text_encoding.h"
#include "sima_export/sima_data.h"

namespace kestrel::sima_export {

struct WriteOptions {
  io::Encoding encoding = io::Encoding::Cp932;
  bool replaceUnmappable = false;  // write "?" for what the encoding cannot hold
  std::optional<int> decimals;     // round coordinates, stations and curve values to this many
};

struct WriteSummary {
  std::size_t lines = 0;
  std::size_t replaced = 0;  // characters written as "?"
};

// Writes the data into `sink`. A text the encoding cannot hold (or a line break inside a text)
// fails with Content, the line number and the record named, unless replaceUnmappable; a sink
// that refuses fails with Write.
io::Result writeSima(const SimaData& data, const WriteOptions& options, io::ByteSink& sink,
                     WriteSummary& summary);

// Writes the data to a file through a temporary file beside it, renamed into place only when
// everything was written; the result names the file.
io::Result writeSimaFile(const std::string& path, const SimaData& data, const WriteOptions& options,
                         WriteSummary& summary);

// The text of a number as the writer gives it.
std::string numberText(double value, std::optional<int> decimals);

}  // namespace kestrel::sima_export
