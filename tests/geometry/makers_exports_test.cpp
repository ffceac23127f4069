// Every element maker, IP setter and chain maker is exported from the geometry library under its
// undecorated name (loaded by file name, resolved with dlsym).
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

constexpr const char* kNames[] = {
    "ali_mak",        "ali_makS",       "ali_makR",       "ali_makA",       "ali_makangS",
    "ali_makangR",    "ali_makangA",    "ali_IPsetR",     "ali_IPsetAA",    "ali_IPsetARA",
    "ali_IPsetARARA", "ali_SmakRR",     "ali_RmakSS",     "ali_RmakSR",     "ali_RmakRR",
    "ali_AAmakSS",    "ali_ARAmakSS",   "ali_SAmakRR",    "ali_ASAmakRR",   "ali_ARmakRR",
    "ali_ARAmakRR",   "ali_RAmakSR",    "ali_ARAAmakSR",  "ali_makSAR",     "ali_makRAR",
    "ali_makRAAR",    "ali_mak3R4A",    "ali_makAOR_P",   "ali_makrR_P",    "ali_maksR_P",
    "ali_makrS_P",    "ali_makrAR_P",   "ali_makrAAR_P",  "ali_makrAS_P",   "ali_maksAR_P",
    "ali_makrR_P_S",  "alimake_rfArf",  "alimake_rfAArf", "alimake_rfAsf",  "ARmakRR",
    "setAOR_P",       "CDsetAToRAR",    "CDOODistForRAR"};

TEST(MakersExports, EveryNameResolvesInTheLibrary) {
  void* library = dlopen(KESTREL_GEOMETRY_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const char* name : kNames) EXPECT_NE(dlsym(library, name), nullptr) << name;
  dlclose(library);
}

}  // namespace
