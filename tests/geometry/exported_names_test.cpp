// Every name of the plane primitives and element layer resolves by dlsym, from the library
// itself and from the module that links it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

constexpr const char* kExportedNames[] = {
    "CDlinstd",    "CDlineang",     "CDbtwang",       "CDlincros",     "CDsegcros",
    "CDpoiinseg",  "CDpoionls",     "CDpldist",       "CDpojpoi",      "CDmove",
    "CDmoveP",     "CDrotpoi",      "CDmirAng",       "CDmirA",        "CDmoveA",
    "CDturnA",     "CDturnAe",      "CDrot",          "CDreverA",      "CDchgSpace",
    "CDAcalxy",    "CDRcalxy",      "CDLcalxy",       "CDRlen",        "CDRang",
    "CDLang",      "CDAngR",        "AelmAtri",       "CDcharLmA",     "CDchkAR",
    "CDvalidArc",  "ali_KEnPntc",   "ali_KEnPntb",    "ali_KEnCen",    "ali_KEnAng",
    "ali_KEnPncl", "ali_KCalCst",   "ali_KGetAng",    "ali_KGetPnt",   "ali_KMovPnt",
    "ali_KRotPnt", "ali_KAdjAng",   "ali_CDist2P",    "ali_CSamePoint", "gc_samePoint",
    "chk_CSameAng", "ali_CAroundNum", "ali_CAroundAng", "ali_CExCoord",  "ali_CExAng",
    "initCalelm",  "ali_getlS",     "ali_getlR",      "ali_getlA",     "ali_getl",
    "ali_getlPP",  "ali_makS",
};

class LoadedLibrary {
 public:
  explicit LoadedLibrary(const char* path) : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~LoadedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  void* handle() const { return handle_; }

 private:
  void* handle_;
};

void expectEveryNameResolves(const char* path) {
  LoadedLibrary library(path);
  ASSERT_NE(library.handle(), nullptr) << dlerror();
  for (const char* name : kExportedNames) {
    EXPECT_NE(dlsym(library.handle(), name), nullptr) << name << " not found in " << path;
  }
}

TEST(ExportedNames, ResolveFromTheLibrary) {
  expectEveryNameResolves(KESTREL_GEOMETRY_LIBRARY);
}

TEST(ExportedNames, CallThroughTheLoadedLibrary) {
  LoadedLibrary library(KESTREL_GEOMETRY_LIBRARY);
  ASSERT_NE(library.handle(), nullptr) << dlerror();
  using Distance = double (*)(double, double, double, double);
  auto distance = reinterpret_cast<Distance>(dlsym(library.handle(), "ali_CDist2P"));
  ASSERT_NE(distance, nullptr);
  EXPECT_EQ(distance(0.0, 0.0, 3.0, 4.0), 5.0);
}

TEST(ExportedNames, ResolveFromTheModule) {
  if (!std::filesystem::exists(KESTREL_MODULE_LIBRARY)) {
    GTEST_SKIP() << "module not built yet: " << KESTREL_MODULE_LIBRARY;
  }
  expectEveryNameResolves(KESTREL_MODULE_LIBRARY);
}

}  // namespace
