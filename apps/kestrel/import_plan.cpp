#include "apps/kestrel/import_plan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "apps/kestrel/gis_outputs.h"

namespace kestrel::cli {

namespace fs = std::filesystem;

namespace {

bool endsWithSim(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return tail == ".SIM";
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool isDrawing(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".dxf";
}

bool ImportOptions::wantsGis() const {
  if (outputs.empty()) return !gisDriver.empty();
  return std::any_of(outputs.begin(), outputs.end(),
                     [](const std::string& o) { return !isDrawing(o); });
}

std::string canonical(const std::string& path) {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? path : resolved.string();
}

std::optional<Problem> inputProblem(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Problem{Text::InputMissing, {path}};
  if (!S_ISREG(info.st_mode)) return Problem{Text::InputNotRegular, {path}};
  if (access(path.c_str(), R_OK) != 0) return Problem{Text::InputUnreadable, {path}};
  if (!endsWithSim(path)) return Problem{Text::InputNotSim, {path}};
  return std::nullopt;
}

namespace {

std::string folderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

// The module's rule: the input path less ".sim", plus "_Input.log".
std::string logBeside(const std::string& input) {
  return input.substr(0, input.size() - 4) + "_Input.log";
}

std::string withExtension(const std::string& path, const char* extension) {
  return fs::path(path).replace_extension(extension).string();
}

// Where an output named after the input goes: into --output-dir, else beside the input.
std::string besideOrInOutputDir(const std::string& path, const ImportOptions& o) {
  return o.outputDir ? (fs::path(*o.outputDir) / fs::path(path).filename()).string() : path;
}

// Without -o: the drawing and the LandXML (and with -f a GIS dataset) named after the input; with
// -o only what it names, the LandXML with a drawing or --landxml.
FilePlan planFile(const std::string& input, const ImportOptions& o, const GisPlan& gis) {
  FilePlan plan{input, {}, inputProblem(input)};
  if (plan.problem) return plan;
  std::string log = logBeside(input);
  if (o.log) {
    const bool folder = isFolder(*o.log) || o.log->back() == '/';
    log = folder ? (fs::path(*o.log) / fs::path(log).filename()).string() : *o.log;
  }
  std::optional<std::string> drawing;
  for (const std::string& output : o.outputs)
    if (isDrawing(output)) drawing = output;
  if (o.outputs.empty()) drawing = besideOrInOutputDir(withExtension(input, ".dxf"), o);
  std::optional<std::string> landxml = o.landxml;
  if (!landxml && drawing) landxml = withExtension(*drawing, ".xml");
  if (drawing) plan.outputs.push_back({*drawing, "DXF", "-o", {}, {*drawing}});
  if (landxml) plan.outputs.push_back({*landxml, "LandXML", "--landxml", {}, {*landxml}});
  plan.outputs.push_back({log, "log", "--log", {}, {log}});
  for (const OutputFile& named : gis.named) plan.outputs.push_back(named);
  if (gis.perInput) {
    const std::string path =
        besideOrInOutputDir(withExtension(input, gis.perInput->extension.c_str()), o);
    plan.outputs.push_back(gisOutput(path, "-f", *gis.perInput, gis.layerNames));
  }
  if (auto zone = gis.zones.find(input); zone != gis.zones.end() && zone->second == 0)
    plan.problem = Problem{Text::TargetSrsWithoutCrs, {input}};
  return plan;
}

// Why the plan's outputs cannot be written as they are, if they cannot.
std::optional<Problem> outputProblem(const FilePlan& plan, const ImportOptions& o) {
  std::vector<std::string> readOnly = {plan.input};
  if (o.drawing) readOnly.push_back(*o.drawing);
  if (o.alignments) readOnly.push_back(*o.alignments);
  std::map<std::string, const OutputFile*> seen;
  for (const OutputFile& out : plan.outputs) {
    for (const std::string& file : out.files)
      for (const std::string& input : readOnly)
        if (canonical(input) == canonical(file))
          return Problem{Text::OutputOverwritesInput, {file, input}};
    if (auto [at, added] = seen.emplace(canonical(out.path), &out); !added)
      return Problem{Text::OutputClash, {out.path, at->second->option, out.option}};
  }
  // The log's folder first: when the input's folder is read-only, that is what the user is told.
  std::vector<const OutputFile*> logFirst;
  for (const OutputFile& out : plan.outputs)
    logFirst.insert(out.format == "log" ? logFirst.begin() : logFirst.end(), &out);
  for (const OutputFile* output : logFirst) {
    const OutputFile& out = *output;
    const std::string folder = folderOf(out.path);
    if (!isFolder(folder)) return Problem{Text::OutputFolderMissing, {out.path}};
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
      if (out.format == "log" && !o.log) return Problem{Text::InputFolderReadOnly, {folder}};
      return Problem{Text::OutputFolderReadOnly, {out.path}};
    }
  }
  // The log is the record of the latest run and is replaced as the module always does; the
  // drawing, the LandXML and GIS datasets are the user's work and are kept unless --overwrite.
  if (!o.overwrite) {
    std::error_code error;
    for (const OutputFile& out : plan.outputs)
      for (const std::string& file : out.files)
        if (out.format != "log" && fs::exists(file, error))
          return Problem{Text::OutputExists, {file}};
  }
  return std::nullopt;
}

}  // namespace

const OutputFile* FilePlan::output(std::string_view format) const {
  for (const OutputFile& out : outputs)
    if (out.format == format) return &out;
  return nullptr;
}

std::vector<std::string> simFilesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string path = entry.path().string();
    if (endsWithSim(path) && !isFolder(path)) files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<Problem> planImport(const ImportOptions& o, std::vector<FilePlan>& plans,
                                  bool& batch) {
  plans.clear();
  batch = o.inputs.size() > 1;
  std::vector<std::string> inputs;
  for (const std::string& given : o.inputs) {
    if (!isFolder(given)) {
      inputs.push_back(given);
      continue;
    }
    batch = true;
    const std::vector<std::string> files = simFilesIn(given);
    if (files.empty()) plans.push_back({given, {}, Problem{Text::FolderWithoutSim, {given}}});
    inputs.insert(inputs.end(), files.begin(), files.end());
  }
  if (batch) {
    if (!o.outputs.empty()) return Problem{Text::SingleInputOption, {"-o"}};
    if (o.landxml) return Problem{Text::SingleInputOption, {"--landxml"}};
    if (o.log && !isFolder(*o.log) && o.log->back() != '/')
      return Problem{Text::LogNeedsFolder, {*o.log}};
  }
  GisPlan gis;
  if (auto problem = planGis(o, inputs, batch, gis)) return problem;
  std::map<std::string, std::string> inputKeys;  // canonical path -> the input as given
  for (const std::string& input : inputs)
    if (inputKeys.emplace(canonical(input), input).second) plans.push_back(planFile(input, o, gis));

  // Outputs of different inputs must not meet, nor fall on another input (an output over its own
  // input is that file's problem alone).
  std::map<std::string, std::string> writers;
  for (const FilePlan& plan : plans) {
    for (const OutputFile& out : plan.outputs) {
      for (const std::string& file : out.files) {
        const std::string key = canonical(file);
        if (auto input = inputKeys.find(key);
            input != inputKeys.end() && input->second != plan.input)
          return Problem{Text::OutputOverwritesInput, {file, input->second}};
        if (auto [at, added] = writers.emplace(key, plan.input); !added && at->second != plan.input)
          return Problem{Text::OutputClash, {file, at->second, plan.input}};
      }
    }
  }
  for (FilePlan& plan : plans)
    if (!plan.problem) plan.problem = outputProblem(plan, o);
  return std::nullopt;
}

}  // namespace kestrel::cli
