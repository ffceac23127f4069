// Every exported name of the geometry library (cases/exported_names.txt) resolves by dlsym,
// undecorated, from the library loaded by file name and from the module that links it; helpers
// stay hidden.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/corpus_rows.h"

namespace {

void expectNamesResolve(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const auto& row : kestrel::testing::corpusRows("geometry/cases/exported_names.txt")) {
    for (const std::string& name : row.fields) {
      if (name[0] == '!')
        EXPECT_EQ(dlsym(library, name.c_str() + 1), nullptr) << row.where << ": " << name;
      else
        EXPECT_NE(dlsym(library, name.c_str()), nullptr) << row.where << ": " << name;
    }
  }
  // A call through the loaded library reaches the code.
  using Distance = double (*)(double, double, double, double);
  auto distance = reinterpret_cast<Distance>(dlsym(library, "ali_CDist2P"));
  ASSERT_NE(distance, nullptr);
  EXPECT_EQ(distance(0.0, 0.0, 3.0, 4.0), 5.0);
  dlclose(library);
}

TEST(ExportedNames, ResolveFromTheLibrary) { expectNamesResolve(KESTREL_GEOMETRY_LIBRARY); }

TEST(ExportedNames, ResolveFromTheModule) {
  if (!std::filesystem::exists(KESTREL_MODULE_LIBRARY))
    GTEST_SKIP() << "module not built yet: " << KESTREL_MODULE_LIBRARY;
  expectNamesResolve(KESTREL_MODULE_LIBRARY);
}

}  // namespace
