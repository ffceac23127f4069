#include "platform/runtime/runtime.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

namespace ovrx {

SystemRegistry& systemRegistry() {
  static SystemRegistry registry;
  return registry;
}

DynamicLinker::~DynamicLinker() = default;

kestrel::io::Result DynamicLinker::loadModule(const std::string& path) {
  using kestrel::io::Failure;
  if (modules_.count(path) != 0) return {};
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return kestrel::io::failed(Failure::Open, path, dlerror());
  auto refuse = [&](const char* reason) {
    dlclose(handle);
    return kestrel::io::failed(Failure::Content, path, reason);
  };
  auto version = reinterpret_cast<ApiVersionFn>(dlsym(handle, "ovrxGetApiVersion"));
  auto entry = reinterpret_cast<EntryPointFn>(dlsym(handle, "ovrxEntryPoint"));
  if (version == nullptr || entry == nullptr)
    return refuse("not a module: ovrxEntryPoint or ovrxGetApiVersion is missing");
  if (version(nullptr) != kApiVersion) return refuse("module built for another interface version");
  modules_[path] = Module{handle, entry};
  if (entry(kInitAppMsg, handle) != 0) {
    modules_.erase(path);
    return refuse("module refused to initialise");
  }
  return {};
}

kestrel::io::Result DynamicLinker::unloadModule(const std::string& path) {
  using kestrel::io::Failure;
  auto it = modules_.find(path);
  if (it == modules_.end()) return kestrel::io::failed(Failure::Content, path, "module not loaded");
  Module module = it->second;
  if (!isUnlocked(module.handle))
    return kestrel::io::failed(Failure::Content, path, "module is locked");
  module.entry(kUnloadAppMsg, module.handle);
  modules_.erase(it);
  unlocked_.erase(module.handle);
  documentAware_.erase(module.handle);
  dlclose(module.handle);
  return {};
}

bool DynamicLinker::isLoaded(const std::string& path) const { return modules_.count(path) != 0; }

void DynamicLinker::broadcast(AppMsgCode message) {
  for (auto& [path, module] : modules_) module.entry(message, module.handle);
}

bool DynamicLinker::unlockApplication(AppId app) {
  unlocked_[app] = true;
  return true;
}
bool DynamicLinker::registerAppMDIAware(AppId app) {
  documentAware_[app] = true;
  return true;
}
bool DynamicLinker::isUnlocked(AppId app) const {
  auto it = unlocked_.find(app);
  return it != unlocked_.end() && it->second;
}
bool DynamicLinker::isDocumentAware(AppId app) const {
  auto it = documentAware_.find(app);
  return it != documentAware_.end() && it->second;
}

void* DynamicLinker::moduleHandle(const std::string& path) const {
  auto it = modules_.find(path);
  return it == modules_.end() ? nullptr : it->second.handle;
}

namespace {
bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}
}  // namespace

ErrorStatus CommandStack::addCommand(const std::string& group, const std::string& globalName,
                                     const std::string& localName, int32_t flags,
                                     CommandHandler handler, void* contextMenu,
                                     void* resourceInstance) {
  for (const auto& c : commands_)
    if (equalsIgnoringCase(c.globalName, globalName)) return ErrorStatus::kDuplicateKey;
  commands_.push_back({group, globalName, localName, flags, handler, contextMenu, resourceInstance});
  return ErrorStatus::kOk;
}

ErrorStatus CommandStack::removeCommand(const std::string& group, const std::string& globalName) {
  auto it = std::find_if(commands_.begin(), commands_.end(), [&](const CommandEntry& c) {
    return c.group == group && c.globalName == globalName;
  });
  if (it == commands_.end()) return ErrorStatus::kKeyNotFound;
  commands_.erase(it);
  return ErrorStatus::kOk;
}

bool CommandStack::invoke(const std::string& name) const {
  for (const auto& c : commands_) {
    if (equalsIgnoringCase(c.globalName, name) || equalsIgnoringCase(c.localName, name)) {
      if (c.handler != nullptr) c.handler();
      return true;
    }
  }
  return false;
}

int CommandStack::countInGroup(const std::string& group) const {
  return static_cast<int>(std::count_if(commands_.begin(), commands_.end(),
                                        [&](const CommandEntry& c) { return c.group == group; }));
}

OvApDocManager::OvApDocManager() = default;

OvApDocument* OvApDocManager::createDocument(const std::string& name) {
  documents_.push_back(std::make_unique<OvApDocument>(name));
  OvApDocument* document = documents_.back().get();
  if (current_ == nullptr) current_ = document;
  for (auto* reactor : std::vector<OvApDocManagerReactor*>(reactors_)) reactor->documentCreated(document);
  return document;
}

void OvApDocManager::destroyDocument(OvApDocument* document) {
  for (auto* reactor : std::vector<OvApDocManagerReactor*>(reactors_))
    reactor->documentToBeDestroyed(document);
  auto it = std::find_if(documents_.begin(), documents_.end(),
                         [&](const auto& d) { return d.get() == document; });
  if (it == documents_.end()) return;
  documents_.erase(it);
  if (current_ == document) current_ = documents_.empty() ? nullptr : documents_.front().get();
}

void OvApDocManager::addReactor(OvApDocManagerReactor* reactor) {
  if (std::find(reactors_.begin(), reactors_.end(), reactor) == reactors_.end())
    reactors_.push_back(reactor);
}

void OvApDocManager::removeReactor(OvApDocManagerReactor* reactor) {
  reactors_.erase(std::remove(reactors_.begin(), reactors_.end(), reactor), reactors_.end());
}

OvApDocManager& docManager() {
  static OvApDocManager manager;
  return manager;
}

void initializeHost() {
  static DynamicLinker linker;
  static CommandStack stack;
  auto& registry = systemRegistry();
  if (registry.at("DynamicLinker") == nullptr) registry.add("DynamicLinker", &linker);
  if (registry.at("ORVO_REGISTERED_COMMANDS") == nullptr)
    registry.add("ORVO_REGISTERED_COMMANDS", &stack);
  if (docManager().curDocument() == nullptr) docManager().createDocument("Drawing1");
}

}  // namespace ovrx
