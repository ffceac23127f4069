// Points and lots as the drawing receives them from an import: the rows of cases/builders.txt, each
// a SIMA text and what the drawing and the run hold afterwards.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "command/read_file.h"
#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_rows.h"

namespace kestrel {
namespace {

// Entities with their records, the attribute tables, then the run's counters, stores, errors and
// log length.
std::string heldAfter(const OvDbDatabase& database, const ImportRun& run) {
  std::ostringstream out;
  for (std::size_t i = 0; i < database.entityCount(); ++i) {
    const OvDbEntity& entity = database.entityAt(i);
    if (const auto* point = dynamic_cast<const OvDbPoint*>(&entity)) {
      out << "point " << point->layer() << " " << point->position.x << " " << point->position.y
          << " " << point->position.z;
    } else if (const auto* lot = dynamic_cast<const OvDbPolyline*>(&entity)) {
      out << "lot " << lot->layer() << (lot->closed ? " closed" : " open") << " at "
          << lot->elevation;
      for (const auto& vertex : lot->vertices) out << " " << vertex.x << "," << vertex.y;
    }
    database.objectDataTables().forEachRecordOf(i, [&](const OvMapODTable& table, const auto& r) {
      out << " [" << table.name << " " << r.Value(0).Int32Value() << " " << r.Value(1).StrValue()
          << " " << r.Value(2).StrValue() << " " << r.Value(3).StrValue() << "]";
    });
    out << "; ";
  }
  out << "tables";
  for (const auto& table : database.objectDataTables().Tables()) out << " " << table.name;
  out << "; drawn " << run.counters.drawnPoints << " points " << run.counters.lotPolylines
      << " lots; stored " << run.pointStore.size() << " points " << run.lots.size()
      << " lots; errors";
  for (const auto& error : run.log.errors()) out << " " << error.messageId;
  out << "; log " << run.log.progressLines().size();
  return out.str();
}

TEST(Builders, ImportedTextsDrawWhatTheRowsHold) {
  for (const auto& row : testing::textRows("drawing/cases/builders.txt")) {
    OvDbDatabase database;
    ovSetWorkingDatabase(&database);
    database.addLayer("POINTS");
    database.addLayer("LOTS");
    ImportRun run;
    run.selection.selected[kSeriesA] = row[1].find('A') != std::string::npos;
    run.selection.selected[kSeriesD] = row[1].find('D') != std::string::npos;
    run.layers[kLayerPoints] = "POINTS";
    run.layers[kLayerLots] = "LOTS";
    testing::TempDir folder;
    EXPECT_EQ(readFile(run, folder.write(row[2], row[3]), io::EncodingChoice::Auto), 0)
        << row.where;
    ovSetWorkingDatabase(nullptr);
    EXPECT_EQ(heldAfter(database, run), row[4]) << row.where << " (" << row[0] << ")";
    const auto& lines = run.log.progressLines();
    for (std::size_t back = 2; back < row.fields.size() - 3; ++back) {
      ASSERT_GE(lines.size(), back) << row.where;
      EXPECT_EQ(lines[lines.size() - back], row[3 + back]) << row.where;
    }
  }
}

}  // namespace
}  // namespace kestrel
