// Every query function resolves by name from the built library, undecorated.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr const char* kQueryNames[] = {
    "ali_onl",         "ali_onlS",         "ali_onlR",        "ali_onlA",   "ali_proj",
    "ali_projS",       "ali_projR",        "ali_projA",       "ali_Smak",   "ali_SmakS",
    "ali_SmakR",       "ali_SmakA",        "ali_pmov",        "ali_pmovS",  "ali_pmovR",
    "ali_pmovA",       "ali_tmov",         "ali_tmovS",       "ali_tmovR",  "ali_tmovA",
    "ali_intp",        "ali_intpSS",       "ali_intpSR",      "ali_intpSA", "ali_intpRR",
    "ali_intpRA",      "ali_intpAA",       "ali_oflS",        "ali_oflR",   "ali_oflA",
    "many_ali_pmov",   "many_ali_tmov",    "ali_paraS",       "gc_intpSS",  "gc_poionl",
    "chk_on_tangent",  "chk_tangent",      "get_moniDist",    "Calc_moni",  "cplnrm",
    "para_pmovr",      "CDsameA",          "CDAinAbs",        "CDSinAbs",   "CDRinAbs",
    "CDPinAbs",        "CDP2Cal",          "CDAcrosS",        "CDgetOrgA",  "chk_ang",
    "moveR_dl0_rfArf", "moveR_dl0_rfAArf", "moveR_dl0_rfAsf",
};

void expectEveryNameResolves(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const char* name : kQueryNames) EXPECT_NE(dlsym(library, name), nullptr) << name;
  // Helpers of the queries stay hidden.
  EXPECT_EQ(dlsym(library, "_ZN7kestrel8geometry7queries11crossCurvesERKNS1_5CurveES4_"), nullptr);
  dlclose(library);
}

TEST(QueriesExports, EveryNameResolvesFromTheLibrary) {
  expectEveryNameResolves(KESTREL_GEOMETRY_LIBRARY);
}

// The module exports the geometry functions too (it links the library).
TEST(QueriesExports, EveryNameResolvesFromTheModule) {
  if (!std::filesystem::exists(KESTREL_MODULE_LIBRARY)) {
    GTEST_SKIP() << "module not built yet: " << KESTREL_MODULE_LIBRARY;
  }
  expectEveryNameResolves(KESTREL_MODULE_LIBRARY);
}

}  // namespace
