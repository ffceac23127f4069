// The host's runtime-extension protocol: system registry, dynamic linker, command stack and
// document manager. A module reaches them by registry key, as it would in a real host.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "io/result.h"

namespace ovrx {

// Application messages a module's entry point receives.
enum AppMsgCode : int32_t {
  kNullMsg = 0,
  kInitAppMsg = 1,
  kUnloadAppMsg = 2,
  kLoadDwgMsg = 3,
  kUnloadDwgMsg = 4,
  kInvkSubrMsg = 5,
  kCfgMsg = 6,
  kEndMsg = 7,
  kQuitMsg = 8,
  kSaveMsg = 9,
  kDependencyMsg = 10,
  kNoDependencyMsg = 11,
  kOleUnloadAppMsg = 12,
  kPreQuitMsg = 13,
  kInitDialogMsg = 14,
  kEndDialogMsg = 15
};

enum class ErrorStatus : int32_t { kOk = 0, kNotApplicable = 1, kDuplicateKey = 2, kKeyNotFound = 3 };

// The interface version a module must report.
inline constexpr uint32_t kApiVersion = 0x110000;

using AppId = void*;

// Base of everything kept in the system registry.
class OvRxObject {
 public:
  virtual ~OvRxObject() = default;
};

// Objects by well-known key ("DynamicLinker", "ORVO_REGISTERED_COMMANDS").
class SystemRegistry {
 public:
  void add(const std::string& key, OvRxObject* object) { objects_[key] = object; }
  OvRxObject* at(const std::string& key) const {
    auto it = objects_.find(key);
    return it == objects_.end() ? nullptr : it->second;
  }
  void remove(const std::string& key) { objects_.erase(key); }

 private:
  std::map<std::string, OvRxObject*> objects_;
};

SystemRegistry& systemRegistry();

using EntryPointFn = int32_t (*)(int32_t message, void* appId);
using ApiVersionFn = uint32_t (*)(void* hostArgument);

// Loads and unloads modules, and keeps what they declared about themselves.
class DynamicLinker : public OvRxObject {
 public:
  ~DynamicLinker() override;
  // Loads a module file: checks its interface version and sends it the initialise message.
  // Loading a module already loaded does nothing.
  kestrel::io::Result loadModule(const std::string& path);
  // Sends the unload message and unloads the module when it allows it.
  kestrel::io::Result unloadModule(const std::string& path);
  bool isLoaded(const std::string& path) const;
  // Sends `message` to every loaded module.
  void broadcast(AppMsgCode message);

  bool unlockApplication(AppId app);
  bool registerAppMDIAware(AppId app);
  bool isUnlocked(AppId app) const;
  bool isDocumentAware(AppId app) const;

  // The handle of a loaded module (for dlsym), or null.
  void* moduleHandle(const std::string& path) const;

 private:
  struct Module {
    void* handle = nullptr;
    EntryPointFn entry = nullptr;
  };
  std::map<std::string, Module> modules_;
  std::map<AppId, bool> unlocked_;
  std::map<AppId, bool> documentAware_;
};

using CommandHandler = void (*)();

struct CommandEntry {
  std::string group;
  std::string globalName;
  std::string localName;
  int32_t flags = 0;
  CommandHandler handler = nullptr;
  void* contextMenu = nullptr;
  void* resourceInstance = nullptr;
};

// The commands the host knows, by group.
class CommandStack : public OvRxObject {
 public:
  ErrorStatus addCommand(const std::string& group, const std::string& globalName,
                         const std::string& localName, int32_t flags, CommandHandler handler,
                         void* contextMenu = nullptr, void* resourceInstance = nullptr);
  ErrorStatus removeCommand(const std::string& group, const std::string& globalName);
  // Runs a command by global or local name (case-insensitive); false when there is none.
  bool invoke(const std::string& name) const;
  const std::vector<CommandEntry>& commands() const { return commands_; }
  int countInGroup(const std::string& group) const;

 private:
  std::vector<CommandEntry> commands_;
};

class OvApDocument;

// Told when documents come and go.
class OvApDocManagerReactor {
 public:
  virtual ~OvApDocManagerReactor() = default;
  virtual void documentCreated(OvApDocument*) {}
  virtual void documentToBeDestroyed(OvApDocument*) {}
};

// An open drawing of the host.
class OvApDocument {
 public:
  explicit OvApDocument(std::string name) : name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

// Open documents, the current one, reactors, and the resource-instance stack.
class OvApDocManager : public OvRxObject {
 public:
  OvApDocManager();
  OvApDocument* curDocument() const { return current_; }
  OvApDocument* createDocument(const std::string& name);
  void destroyDocument(OvApDocument* document);
  void setCurDocument(OvApDocument* document) { current_ = document; }
  std::size_t documentCount() const { return documents_.size(); }

  void addReactor(OvApDocManagerReactor* reactor);
  void removeReactor(OvApDocManagerReactor* reactor);
  std::size_t reactorCount() const { return reactors_.size(); }

  void pushResourceHandle(void* instance) { resources_.push_back(instance); }
  void popResourceHandle() {
    if (!resources_.empty()) resources_.pop_back();
  }
  std::size_t resourceDepth() const { return resources_.size(); }

 private:
  std::vector<std::unique_ptr<OvApDocument>> documents_;
  OvApDocument* current_ = nullptr;
  std::vector<OvApDocManagerReactor*> reactors_;
  std::vector<void*> resources_;
};

OvApDocManager& docManager();

// Registers the dynamic linker and the command stack under their keys. Idempotent.
void initializeHost();

}  // namespace ovrx
