#include "apps/kestrel/import_plan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

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

std::optional<Problem> inputProblem(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Problem{Text::InputMissing, {path}};
  if (!S_ISREG(info.st_mode)) return Problem{Text::InputNotRegular, {path}};
  if (access(path.c_str(), R_OK) != 0) return Problem{Text::InputUnreadable, {path}};
  if (!endsWithSim(path)) return Problem{Text::InputNotSim, {path}};
  return std::nullopt;
}

namespace {

// The path made absolute with every link and "..", resolved as far as the file system goes: two
// names of one file compare equal, also when the file does not exist yet.
std::string canonical(const std::string& path) {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? path : resolved.string();
}

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

FilePlan planFile(const std::string& input, const ImportOptions& o) {
  FilePlan plan{input, {}, inputProblem(input)};
  if (plan.problem) return plan;
  std::string log = logBeside(input);
  if (o.log) {
    const bool folder = isFolder(*o.log) || o.log->back() == '/';
    log = folder ? (fs::path(*o.log) / fs::path(log).filename()).string() : *o.log;
  }
  std::string drawing = withExtension(input, ".dxf");
  if (o.output)
    drawing = *o.output;
  else if (o.outputDir)
    drawing = (fs::path(*o.outputDir) / fs::path(drawing).filename()).string();
  const std::string landxml = o.landxml ? *o.landxml : withExtension(drawing, ".xml");
  plan.outputs = {{drawing, "DXF", "-o"}, {landxml, "LandXML", "--landxml"}, {log, "log", "--log"}};
  return plan;
}

// Why the plan's outputs cannot be written as they are, if they cannot.
std::optional<Problem> outputProblem(const FilePlan& plan, const ImportOptions& o) {
  std::vector<std::string> readOnly = {plan.input};
  if (o.drawing) readOnly.push_back(*o.drawing);
  if (o.alignments) readOnly.push_back(*o.alignments);
  std::map<std::string, const OutputFile*> seen;
  for (const OutputFile& out : plan.outputs) {
    const std::string key = canonical(out.path);
    for (const std::string& input : readOnly)
      if (canonical(input) == key) return Problem{Text::OutputOverwritesInput, {out.path, input}};
    if (auto [at, added] = seen.emplace(key, &out); !added)
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
  // drawing and the LandXML are the user's work and are kept unless --overwrite.
  if (!o.overwrite) {
    std::error_code error;
    for (const OutputFile& out : plan.outputs)
      if (out.format != "log" && fs::exists(out.path, error))
        return Problem{Text::OutputExists, {out.path}};
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
    if (o.output) return Problem{Text::SingleInputOption, {"-o"}};
    if (o.landxml) return Problem{Text::SingleInputOption, {"--landxml"}};
    if (o.log && !isFolder(*o.log) && o.log->back() != '/')
      return Problem{Text::LogNeedsFolder, {*o.log}};
  }
  std::map<std::string, std::string> inputKeys;  // canonical path -> the input as given
  for (const std::string& input : inputs)
    if (inputKeys.emplace(canonical(input), input).second) plans.push_back(planFile(input, o));

  // Outputs of different inputs must not meet, nor fall on another input (an output over its own
  // input is that file's problem alone).
  std::map<std::string, std::string> writers;
  for (const FilePlan& plan : plans) {
    for (const OutputFile& out : plan.outputs) {
      const std::string key = canonical(out.path);
      if (auto input = inputKeys.find(key); input != inputKeys.end() && input->second != plan.input)
        return Problem{Text::OutputOverwritesInput, {out.path, input->second}};
      if (auto [at, added] = writers.emplace(key, plan.input); !added && at->second != plan.input)
        return Problem{Text::OutputClash, {out.path, at->second, plan.input}};
    }
  }
  for (FilePlan& plan : plans)
    if (!plan.problem) plan.problem = outputProblem(plan, o);
  return std::nullopt;
}

}  // namespace kestrel::cli
