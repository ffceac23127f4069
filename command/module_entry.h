// The module's application object: message handling and command registration.
#pragma once

#include <cstdint>

#include "sima/export.h"

namespace kestrel {

// One entry of the command map.
struct CommandMapEntry {
  const char* group;
  const char* globalName;
  const char* localName;
  int32_t flags;
  void (*handler)();
  void* contextMenu;
  int32_t resourceNumber;  // -1: the local name is the entry's own
  int32_t reserved;
};

// The application framework's base: one handler per application message.
class OvRxApp {
 public:
  virtual ~OvRxApp() = default;
  // Handlers of messages 1 to 15, then of message 0, in slot order.
  virtual int32_t onInitApp(void* appId);
  virtual int32_t onUnloadApp(void* appId);
  virtual int32_t onOtherMessage(int32_t message, void* appId);
  virtual void registerServerComponents() {}

  void* resourceInstance = nullptr;  // null: the module itself
  bool unlockApplication = true;
  bool documentAware = true;
};

// The framework subclass that adds the command map.
class OvRxArxApp : public OvRxApp {
 public:
  int32_t onInitApp(void* appId) override;
  int32_t onUnloadApp(void* appId) override;
};

class CKestrelApp : public OvRxArxApp {
 public:
  int32_t onInitApp(void* appId) override;
};

// The three commands in table order.
const CommandMapEntry* commandMap(int& count);

}  // namespace kestrel

extern "C" {
// Passes a host message to the application object; 0 is success.
KESTREL_EXPORT int32_t ovrxEntryPoint(int32_t message, void* appId);
// The host interface version the module was built for (0x110000).
KESTREL_EXPORT uint32_t ovrxGetApiVersion(void* hostArgument);
}
