// The module as a host sees it: a shared library with two C entry points that registers its
// commands on load and removes them on unload.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "module_api/import_module.h"
#include "platform/runtime/runtime.h"
#include "platform/runtime/windowing.h"

namespace {

const std::string kModule = std::string(KESTREL_BINARY_DIR) + "/lib/libkestrel_module.so";

ovrx::DynamicLinker& linker() {
  ovrx::initializeHost();
  return *dynamic_cast<ovrx::DynamicLinker*>(ovrx::systemRegistry().at("DynamicLinker"));
}

ovrx::CommandStack& commands() {
  ovrx::initializeHost();
  return *dynamic_cast<ovrx::CommandStack*>(ovrx::systemRegistry().at("ORVO_REGISTERED_COMMANDS"));
}

TEST(Module, ExportsItsEntryPointsWithCLinkageAndAnswersUnhandledMessages) {
  void* handle = dlopen(kModule.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  using Version = uint32_t (*)(void*);
  auto version = reinterpret_cast<Version>(dlsym(handle, "ovrxGetApiVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(nullptr), 0x110000u);
  EXPECT_NE(dlsym(handle, kestrel::module::kImportModuleSymbol), nullptr);
  // The exported string class's splitter.
  EXPECT_NE(dlsym(handle, "_ZN7kestrel15ExtendedCString5SplitESt17basic_string_viewIcSt11char_traitsIcEEcRSt6vectorINSt7__cxx1112basic_stringIcS3_SaIcEEESaIS9_EE"),
            nullptr);
  // Internals stay hidden.
  EXPECT_EQ(dlsym(handle, "_ZN7kestrel17runKestrelCommandEv"), nullptr);
  // Messages without a handler, above fifteen or not, are answered with 0.
  using Entry = int32_t (*)(int32_t, void*);
  auto entry = reinterpret_cast<Entry>(dlsym(handle, "ovrxEntryPoint"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(16, handle), 0);
  EXPECT_EQ(entry(7, handle), 0);
  dlclose(handle);
}

TEST(Module, LoadUnloadLoadRegistersTheGroupOnceEachTime) {
  for (int round = 0; round < 2; ++round) {
    const kestrel::io::Result loaded = linker().loadModule(kModule);
    ASSERT_TRUE(loaded) << loaded.message();
    EXPECT_EQ(commands().countInGroup("VEXKestrel"), 3);
    EXPECT_EQ(ovwin::threadLocale(), 0x411u);  // Japanese after initialise
    const kestrel::io::Result unloaded = linker().unloadModule(kModule);
    ASSERT_TRUE(unloaded) << unloaded.message();
    EXPECT_EQ(commands().countInGroup("VEXKestrel"), 0);
  }
}

TEST(Module, KestrelsAndKestrel2DoNothing) {
  const kestrel::io::Result loaded = linker().loadModule(kModule);
  ASSERT_TRUE(loaded) << loaded.message();
  const auto find = reinterpret_cast<kestrel::module::ImportModuleFunction>(
      dlsym(linker().moduleHandle(kModule), kestrel::module::kImportModuleSymbol));
  ASSERT_NE(find, nullptr);
  auto& windowing = ovwin::windowing();
  windowing.beginRun();
  EXPECT_TRUE(commands().invoke("Kestrels"));
  EXPECT_TRUE(commands().invoke("kestrel2"));  // command names are not case-sensitive
  EXPECT_EQ(find()->conversation().outcome, kestrel::module::DialogOutcome::NotRun);
  EXPECT_TRUE(windowing.messageBoxes.empty());
  ASSERT_TRUE(linker().unloadModule(kModule));
}

}  // namespace
