#include "command/module_entry.h"

#include <string>

#include "command/import_module.h"
#include "command/run_command.h"
#include "platform/runtime/data_manager.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"
#ifdef KESTREL_WITH_QT
#include "ui/qt/qt_dialog_views.h"
#endif

namespace kestrel {

namespace {

void doNothing() {}

// The command map lives in its own read-only section, as the host's framework expects.
__attribute__((used, section(".data.rel.ro.kestrel_command_map")))
const CommandMapEntry kCommandMap[] = {
    {"VEXKestrel", "Kestrel", "Kestrel", 1, &runKestrelCommand, nullptr, -1, 0},
    {"VEXKestrel", "Kestrels", "Kestrels", 1, &doNothing, nullptr, -1, 0},
    {"VEXKestrel", "Kestrel2", "Kestrel2", 1, &doNothing, nullptr, -1, 0},
};

// Per-document record; the import needs nothing from it yet.
struct CDocData {};

CKestrelApp& theApp() {
  static CKestrelApp app;
  return app;
}

std::unique_ptr<OvApDataManager<CDocData>>& documentData() {
  static std::unique_ptr<OvApDataManager<CDocData>> manager;
  return manager;
}

ovrx::DynamicLinker* dynamicLinker() {
  return dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
}

ovrx::CommandStack* commandStack() {
  return dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
}

}  // namespace

const CommandMapEntry* commandMap(int& count) {
  count = static_cast<int>(sizeof kCommandMap / sizeof kCommandMap[0]);
  return kCommandMap;
}

int32_t OvRxApp::onInitApp(void* appId) {
  auto* linker = dynamicLinker();
  if (linker != nullptr) {
    if (unlockApplication) linker->unlockApplication(appId);
    if (documentAware) linker->registerAppMDIAware(appId);
  }
  registerServerComponents();
  return 0;
}

int32_t OvRxApp::onUnloadApp(void*) { return 0; }
int32_t OvRxApp::onOtherMessage(int32_t, void*) { return 0; }

int32_t OvRxArxApp::onInitApp(void* appId) {
  OvRxApp::onInitApp(appId);
  auto* stack = commandStack();
  if (stack == nullptr) return 0;
  int count = 0;
  const CommandMapEntry* map = commandMap(count);
  for (int i = 0; i < count; ++i) {
    const CommandMapEntry& entry = map[i];
    // The module has no string table, so a resource number never changes the local name.
    const std::string localName = entry.localName;
    stack->addCommand(entry.group, entry.globalName, localName, entry.flags, entry.handler,
                      entry.contextMenu, resourceInstance);
  }
  return 0;
}

int32_t OvRxArxApp::onUnloadApp(void* appId) {
  auto* stack = commandStack();
  if (stack != nullptr) {
    int count = 0;
    const CommandMapEntry* map = commandMap(count);
    for (int i = 0; i < count; ++i) stack->removeCommand(map[i].group, map[i].globalName);
  }
  return OvRxApp::onUnloadApp(appId);
}

int32_t CKestrelApp::onInitApp(void* appId) {
  const int32_t status = OvRxArxApp::onInitApp(appId);
  documentData() = std::make_unique<OvApDataManager<CDocData>>();
  ovwin::setThreadLocale(ovwin::kJapaneseLocale);
#ifdef KESTREL_WITH_QT
  registerQtDialogViews();  // desktop hosts show the dialogs as Qt windows
#endif
  return status;
}

}  // namespace kestrel

extern "C" int32_t ovrxEntryPoint(int32_t message, void* appId) {
  using namespace kestrel;
  CKestrelApp& app = theApp();
  if (message < 0 || message > 15) return 0;
  switch (message) {
    case ovrx::kInitAppMsg:
      return app.onInitApp(appId);
    case ovrx::kUnloadAppMsg: {
      const int32_t status = app.onUnloadApp(appId);
      documentData().reset();
      resetImportSettings();
      importModule().reset();
      return status;
    }
    default:
      return app.onOtherMessage(message, appId);
  }
}

extern "C" uint32_t ovrxGetApiVersion(void*) { return ovrx::kApiVersion; }
