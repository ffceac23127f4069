// The command line host's GIS outputs: every -o that is not the drawing (.dxf), and with -f and no
// -o a dataset per input named after it, written through libkestrel_gis.so and GDAL in a CRS from
// --zone, --datum, --epsg or the zone the file names, reprojected by --t-srs.
// The formats, the CRS names and the zones files name are checked with the plan, so that a usage
// error comes before any work. GeoJSON outputs and systems named by EPSG code are checked by the
// small planning library (PROJ, no GDAL); anything else by the GIS library, loaded into the host
// when one file is imported (it writes that file's outputs), else in a child process, since the
// host forks a child per file and no open PROJ database should be carried across. A file's GDAL
// set-up, loading GDAL's libraries included, runs on a thread of its own while the file is
// imported (GisPreparation).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "apps/kestrel/import_plan.h"
#include "apps/kestrel/texts.h"
#include "gis/gis_api.h"

namespace kestrel::cli {

// The GIS outputs of a run as the GIS library sees them before any work.
struct GisPlan {
  std::vector<OutputFile> named;              // -o's GIS datasets (one input only)
  std::optional<gis::OutputFormat> perInput;  // -f without -o: each input's dataset
  std::vector<std::string> layerNames;
  std::map<std::string, int> zones;  // with --t-srs alone: the zone each input names (0: none)
};

// Checks the GIS options of a run of `inputs`: a GIS option with no GIS output, two drawings, the
// format of every output, the CRS named; fills `plan`. The problem when something is wrong.
// `batch`: the files are imported in child processes of their own.
std::optional<Problem> planGis(const ImportOptions& options, const std::vector<std::string>& inputs,
                               bool batch, GisPlan& plan);

// A GIS output of `format` at `path`, with the files it may make.
OutputFile gisOutput(const std::string& path, const std::string& option,
                     const gis::OutputFormat& format, const std::vector<std::string>& layerNames);

// The GIS library made ready for a file's GIS outputs while the file is imported: loading GDAL's
// many libraries, registering its drivers and setting up PROJ's transformation take about as long
// as a large file's import and need nothing from it, so they run on a thread of their own from
// start() until writeGisOutputs() waits for it. Nothing is done without GIS outputs.
class GisPreparation {
 public:
  GisPreparation(const std::vector<OutputFile>& outputs, const ImportOptions& options);
  ~GisPreparation() { wait(); }
  GisPreparation(const GisPreparation&) = delete;
  GisPreparation& operator=(const GisPreparation&) = delete;

  // Starts the set-up, once. The host starts it when the file's reading is under way: while a
  // thread loads libraries, glibc makes every thread being created wait, the import's own
  // reading threads among them.
  void start();
  // Waits for the set-up, doing it now if it was not started.
  void wait() {
    start();
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::function<void()> work_;
  std::thread thread_;
};

// Writes the GIS outputs among `outputs` of a file just imported, each one's `files` set to what
// it made; what the CRS was taken from and GDAL's warnings go to `warnings`. The problem when the
// library cannot be loaded or an output cannot be written.
std::optional<Problem> writeGisOutputs(std::vector<OutputFile>& outputs,
                                       const ImportOptions& options,
                                       const gis::SurveySource& source, const std::string& input,
                                       const std::string& encoding, std::vector<Problem>& warnings,
                                       GisPreparation& preparation);

}  // namespace kestrel::cli
