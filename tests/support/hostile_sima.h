// SIMA files that must never crash or hang whatever reads them: the command line host and the
// GDAL driver run the same ones, the files of tests/apps/cases/hostile and a 50 MB line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

// Their copies in `dir`.
inline std::vector<std::string> hostileSimaFiles(const TempDir& dir) {
  std::vector<std::string> paths = {
      dir.write("bigline.sim", "A00,\nA01,1," + std::string(50u << 20, 'x') + ",1,2,3,\nA99,\n")};
  for (const auto& entry :
       std::filesystem::directory_iterator(KESTREL_SOURCE_DIR "/tests/apps/cases/hostile"))
    paths.push_back(dir.write(entry.path().filename(), readBytes(entry.path())));
  return paths;
}

}  // namespace kestrel::testing
