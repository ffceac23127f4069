// What `kestrel import` was asked to do, and the plan of every file it writes, checked whole before
// any import work starts.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "apps/kestrel/texts.h"

namespace kestrel::cli {

struct ImportOptions {
  std::vector<std::string> inputs;  // files and folders, as given
  std::optional<std::string> site;
  std::optional<std::vector<std::string>> series;  // "A", "D", "H", "I", "F1".."F7"
  std::array<std::optional<std::string>, 5> layers;
  std::optional<std::string> shift;
  std::string encoding = "auto";
  bool tolerant = false;  // read the deviations real exporters write (counted in the report)
  Language language = Language::Japanese;
  bool json = false;
  bool quiet = false;
  bool overwrite = false;
  std::vector<std::string> outputs;       // -o (one input only): the drawing (.dxf), GIS datasets
  std::optional<std::string> outputDir;   // where drawings, LandXML files and GIS datasets go
  std::optional<std::string> drawing;     // a drawing to import into (read only)
  std::optional<std::string> landxml;     // the civil document's LandXML (one input only)
  std::optional<std::string> alignments;  // a LandXML file opened before the run (read only)
  std::optional<std::string> alignment;   // answer to the alignment selection
  std::optional<std::string> log;         // the log's path, or a folder for the logs
  bool logUtf8 = false;
  int jobs = 0;  // 0: one per core
  bool help = false;
  // GIS outputs: -f (with it and no -o, every input gets a dataset in that format), the CRS.
  std::string gisDriver;
  int zone = 0;
  bool jgd2000 = false;
  int epsg = 0;
  std::string targetSrs;

  // Whether any GIS output is asked for.
  bool wantsGis() const;
};

// A file the run writes.
struct OutputFile {
  std::string path;
  std::string format;  // "DXF", "LandXML", "log", "GIS"
  std::string option;  // the option that names it: "-o", "--landxml", "--log", "-f"
  std::string driver;  // a GIS output's GDAL driver ("GPKG")
  // The files it makes: the path, or for a GIS format of one layer per file, each layer's file
  // (those the run may make when planned; those it made once written).
  std::vector<std::string> files;
};

// One input and everything its import writes.
struct FilePlan {
  std::string input;
  std::vector<OutputFile> outputs;  // the drawing, the civil document, the log, GIS datasets
  std::optional<Problem> problem;   // why the file is not imported (exit status 2)

  const OutputFile* output(std::string_view format) const;
};

// The plan of every input. A problem of the whole run (outputs of two inputs clash, an option
// that names one file given with several inputs, a GIS format or CRS unknown) is returned; a
// problem of one file is kept in its plan so the other files still run. `batch` is set when several
// files (or a folder) were given.
std::optional<Problem> planImport(const ImportOptions& options, std::vector<FilePlan>& plans,
                                  bool& batch);

// The path made absolute with every link and "..", resolved as far as the file system goes: two
// names of one file compare equal, also when the file does not exist yet.
std::string canonical(const std::string& path);

// Whether an output -o names is the drawing: a name ending in ".dxf" in any case (any other is a
// GIS dataset).
bool isDrawing(const std::string& path);

// Why a path cannot be imported (missing, not a regular readable file, not "*.sim"), if it cannot.
std::optional<Problem> inputProblem(const std::string& path);

// The files a folder holds whose names end in ".sim" in any case, sorted by name.
std::vector<std::string> simFilesIn(const std::string& folder);

}  // namespace kestrel::cli
