#include "apps/kestrel/gis_outputs.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>

namespace fs = std::filesystem;

namespace kestrel::cli {

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// libkestrel_gis.so sits beside the module, in lib/ next to the host's bin/.
std::string gisLibraryPath() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return (exe.parent_path().parent_path() / "lib" / "libkestrel_gis.so").string();
}

gis::GisWriter* loadWriter(std::string& error) {
  const auto find =
      reinterpret_cast<gis::GisWriterFunction>(gisLibrarySymbol(gis::kGisWriterSymbol, error));
  return find == nullptr ? nullptr : find();
}

}  // namespace

void* gisLibrarySymbol(const char* symbol, std::string& error) {
  const std::string path = gisLibraryPath();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    error = path + ": cannot load the GIS library: " + dlerror();
    return nullptr;
  }
  void* found = dlsym(handle, symbol);
  if (found == nullptr) error = path + ": does not export " + symbol;
  return found;
}

void GisOutputs::addOptions(CLI::App& import) {
  import.add_option("-f,--format", driver_,
                    "GDAL driver of the GIS outputs (default: by each output's extension)");
  import.add_option("--zone", zone_, "Plane rectangular zone of the coordinates (1-19)")
      ->check(CLI::Range(1, 19));
  import.add_option("--datum", datum_, "Datum of --zone and of a zone the file names")
      ->check(CLI::IsMember({"jgd2011", "jgd2000"}, CLI::ignore_case));
  import.add_option("--epsg", epsg_, "EPSG code of the coordinates (instead of a zone)")
      ->check(CLI::PositiveNumber);
  import.add_option("--t-srs", targetSrs_,
                    "Reproject the GIS outputs to this CRS (e.g. EPSG:4326), as ogr2ogr -t_srs");
}

bool GisOutputs::prepare(std::vector<std::string>& outputs, const std::string& input,
                         std::string& error) {
  std::vector<std::string> drawings;
  for (const std::string& output : outputs)
    (lower(fs::path(output).extension().string()) == ".dxf" ? drawings : paths_).push_back(output);
  if (drawings.size() > 1) {
    error = "-o: one drawing (.dxf) at most; " + drawings[0] + " and " + drawings[1] + " given";
    return false;
  }
  outputs = drawings;
  if (paths_.empty()) {
    if (!driver_.empty() || zone_ != 0 || epsg_ != 0 || !targetSrs_.empty()) {
      error = "-f, --zone, --epsg and --t-srs apply to GIS outputs; name one with -o (OUT.gpkg, "
              "OUT.geojson, OUT.shp, ...)";
      return false;
    }
    return true;
  }
  std::set<std::string> seen;
  for (const std::string& path : paths_) {
    std::error_code ignored;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (fs::weakly_canonical(target, ignored) == fs::weakly_canonical(input, ignored))
      error = path + ": the output would overwrite the input";
    else if (!seen.insert(path).second)
      error = path + ": named twice with -o";
    else if (!fs::is_directory(folder, ignored))
      error = path + ": the folder " + folder.string() + " does not exist";
    else if (driver_.empty() && target.extension().string().size() < 2)
      error = path + ": the name has no extension to tell the format by (name a GDAL driver with -f)";
    if (!error.empty()) return false;
  }
  return true;
}

bool GisOutputs::check(std::string& error) {
  malloc_trim(0);
  if ((writer_ = loadWriter(error)) == nullptr) return false;
  for (const std::string& path : paths_) {
    if (const io::Result checked = writer_->checkOutput(path, driver_, targetSrs_); !checked) {
      error = checked.message();
      return false;
    }
  }
  return true;
}

io::Result GisOutputs::write(const OvDbDatabase& drawing, const ovcivil::CivilDocument& civil,
                             const module::SurveyPointTable& tables,
                             const module::RunRecords& records, const std::string& input,
                             const std::string& encoding, std::vector<std::string>& written) {
  gis::CrsOptions options;
  options.zone = zone_;
  options.datum = lower(datum_) == "jgd2000" ? gis::Datum::Jgd2000 : gis::Datum::Jgd2011;
  options.epsg = epsg_;
  gis::ZoneInFile named;
  if (options.epsg == 0 && options.zone == 0) named = writer_->findZone(input, encoding);
  const int epsg = gis::sourceEpsg(options, named.zone);
  if (epsg == 0) {
    if (!targetSrs_.empty())
      return io::failed(io::Failure::Content, input,
                        "--t-srs needs the coordinates' own CRS: the file names no zone; give "
                        "--zone or --epsg");
    std::cerr << "kestrel: " << input << " names no plane rectangular zone and neither --zone nor "
              << "--epsg was given: the GIS outputs carry no coordinate reference system\n";
  } else if (named.zone != 0) {
    std::cerr << "kestrel: zone " << named.zone << " (EPSG:" << epsg << ") from line " << named.line
              << " of " << input << ": " << named.text << "\n";
  }
  gis::SurveySource source;
  source.drawing = &drawing;
  source.civil = &civil;
  source.tables = tables;
  source.records = &records;
  source.fileName = fs::path(input).filename().string();
  for (const std::string& path : paths_) {
    gis::GisReport report;
    if (io::Result result = writer_->write(source, path, driver_, epsg, targetSrs_, report); !result)
      return result;
    std::set<std::string> said;
    for (const std::string& warning : report.warnings)
      if (said.insert(warning).second) std::cerr << "kestrel: " << path << ": GDAL: " << warning << "\n";
    written.insert(written.end(), report.written.begin(), report.written.end());
  }
  return {};
}

}  // namespace kestrel::cli
