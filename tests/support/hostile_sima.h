// SIMA files that must never crash or hang whatever reads them: the command line host and the
// GDAL driver run the same table.
#pragma once

#include <string>
#include <vector>

namespace kestrel::testing {

struct HostileSima {
  const char* name;
  std::string bytes;
};

inline std::vector<HostileSima> hostileSimaFiles() {
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  return {
      {"empty.sim", ""},
      {"garbage.sim", garbage},
      {"nul.sim", std::string("A00,\nA01,1,P\0\0,1,2,3,\nA99,\n", 27)},
      {"bigline.sim", "A00,\nA01,1," + std::string(50u * 1024 * 1024, 'x') + ",1,2,3,\nA99,\n"},
      {"badcp932.sim", "A00,\nA01,1,\x81\x20\xa0\xfd,1,2,3,\nA99,\n"},
      {"longint.sim", "A00,\nA01,123456789012345678901234567890,P,1,2,3,\nA99,\n"},
      {"longnumber.sim", "A00,\nA01,1,P," + std::string(400, '9') + ",2,3,\nA99,\n"},
  };
}

}  // namespace kestrel::testing
