#include "apps/ogr_sima/sima_import.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace kestrel::ogr {

namespace {

std::mutex importing;

// The module sits beside the platform library (in the build's lib/ and where both are
// installed), unless KESTREL_MODULE says otherwise.
std::string modulePath() {
  if (const char* env = std::getenv("KESTREL_MODULE"); env != nullptr && *env != '\0') return env;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ovrx::initializeHost), &info) == 0 || info.dli_fname == nullptr)
    return "libkestrel_module.so";
  return (std::filesystem::path(info.dli_fname).parent_path() / "libkestrel_module.so").string();
}

// The module's side, loaded once for the process.
module::ImportModule* loadModule(std::string& error) {
  static module::ImportModule* loaded = nullptr;
  if (loaded != nullptr) return loaded;
  ovrx::initializeHost();
  auto* linker = dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
  const std::string path = modulePath();
  if (linker == nullptr) {
    error = "the host has no dynamic linker";
    return nullptr;
  }
  if (const io::Result result = linker->loadModule(path); !result) {
    error = path + ": cannot load the import module: " + result.description;
    return nullptr;
  }
  const auto find = reinterpret_cast<module::ImportModuleFunction>(
      dlsym(linker->moduleHandle(path), module::kImportModuleSymbol));
  if (find == nullptr) {
    error = path + ": does not export " + module::kImportModuleSymbol;
    return nullptr;
  }
  return loaded = find();
}

}  // namespace

std::unique_ptr<ImportedSurvey> importSurvey(const std::string& path, const std::string& encoding,
                                             std::string& error) {
  const std::lock_guard<std::mutex> lock(importing);
  module::ImportModule* importModule = loadModule(error);
  if (importModule == nullptr) return nullptr;
  if (!importModule->setInputEncoding(encoding)) {
    error = "ENCODING=" + encoding + ": expected AUTO, UTF-8 or CP932";
    return nullptr;
  }
  auto survey = std::make_unique<ImportedSurvey>();
  ovcivil::civilApplication().setActiveDocument(std::make_unique<ovcivil::CivilDocument>());
  ovSetWorkingDatabase(survey->drawing.get());
  auto& windowing = ovwin::windowing();
  windowing.mode = ovwin::DialogMode::Scripted;
  windowing.progressHook = nullptr;
  module::Conversation& conversation = importModule->conversation();
  conversation.script = module::DialogScript{};
  conversation.script.filePath = path;
  conversation.script.keepRecords = true;
  conversation.script.writeLog = false;  // a reader writes nothing beside the file it reads

  auto* stack =
      dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
  const bool ran = stack != nullptr && stack->invoke("Kestrel");
  ovSetWorkingDatabase(nullptr);
  survey->civil = ovcivil::civilApplication().takeActiveDocument();
  if (!ran) {
    error = "the import module did not register the command Kestrel";
    return nullptr;
  }
  survey->outcome = conversation.outcome;
  survey->report = std::move(conversation.report);
  survey->records = std::move(conversation.records);
  survey->tables = importModule->surveyPointTable();
  conversation.beginRun();
  return survey;
}

}  // namespace kestrel::ogr
