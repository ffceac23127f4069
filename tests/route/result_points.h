// The result points an import placed in a drawing (not the coordinate points), in drawing order,
// with the name and kind their object data give them.
#pragma once

#include <string>
#include <vector>

#include "drawing/object_records.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"

namespace kestrel::testing {

struct Placed {
  double x, y, z;
  std::string name;
  std::string type;
};

inline std::vector<Placed> resultPoints(const OvDbDatabase& database) {
  std::vector<Placed> out;
  for (std::size_t i = 0; i < database.entityCount(); ++i) {
    const auto* p = dynamic_cast<const OvDbPoint*>(&database.entityAt(i));
    if (p == nullptr) continue;
    auto records = database.objectDataTables().Records(kPointTable, p->objectId());
    if (records.empty() || records[0]->Value(2).StrValue() == "座標") continue;
    out.push_back({p->position.x, p->position.y, p->position.z, records[0]->Value(1).StrValue(),
                   records[0]->Value(2).StrValue()});
  }
  return out;
}

}  // namespace kestrel::testing
