// Drawing database and DXF writer at the size of a large survey: 100,000 points and 20,000 lots,
// each with its object-data record, drawn through the host operations and saved as DXF; then the
// file is opened again as a base drawing. Prints seconds per phase and the peak resident memory.
//
//   drawing_dxf_bench [points] [lots] [output.dxf] [--no-reopen]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/drawing/drawing_database.h"
#include "platform/drawing/object_data.h"
#include "platform/dxf/dxf_reader.h"
#include "platform/dxf/dxf_writer.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

OvMapODTableDefinition simaColumns() {
  OvMapODTableDefinition definition;
  const std::pair<const char*, OvMapDataType> columns[] = {{"No", OvMapDataType::Integer},
                                                           {"Name", OvMapDataType::Character},
                                                           {"Type", OvMapDataType::Character},
                                                           {"FileName", OvMapDataType::Character}};
  for (const auto& [name, type] : columns) {
    OvMapODColumnDefinition column;
    column.SetName(name);
    column.SetType(type);
    definition.AddColumn(column);
  }
  return definition;
}

void attach(const char* table, OvDbObjectId id, std::int32_t number, std::string name,
            const char* type) {
  OvMapODTableRecord record;
  ovCurrentObjectDataTables().InitRecord(table, record);
  record.Value(0) = number;
  record.Value(1) = std::move(name);
  record.Value(2) = type;
  record.Value(3) = "large-survey-road-section.sim";
  ovCurrentObjectDataTables().AddRecord(table, id, std::move(record));
}

}  // namespace

int main(int argc, char** argv) {
  const int points = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int lots = argc > 2 ? std::atoi(argv[2]) : 20000;
  const std::string path =
      argc > 3 ? argv[3]
               : (std::filesystem::temp_directory_path() / "kestrel-drawing-bench.dxf").string();

  OvDbDatabase database;
  ovSetWorkingDatabase(&database);
  database.addLayer("座標点");
  database.addLayer("画地");

  auto start = std::chrono::steady_clock::now();
  ovCurrentObjectDataTables().Add("JSIMA_V3_Point", simaColumns(), "", false);
  ovCurrentObjectDataTables().Add("JSIMA_V3_Pline", simaColumns(), "", false);
  for (int i = 0; i < points; ++i) {
    const double north = -35000.123 + (i % 1000) * 1.731;
    const double east = 12000.456 + (i / 1000) * 2.417;
    const OvDbObjectId id = ovdraw::createPoint("座標点", east, north, 12.345 + (i % 97) * 0.01);
    attach("JSIMA_V3_Point", id, i + 1, "境界点" + std::to_string(i + 1), "座標");
  }
  for (int i = 0; i < lots; ++i) {
    std::vector<OvGePoint3d> vertices;
    for (int k = 0; k < 5; ++k) {
      vertices.push_back({12000.456 + (i % 200) * 3.1 + k * 0.7,
                          -35000.123 + (i / 200) * 2.9 + (k % 2) * 1.3, 0.0});
    }
    const OvDbObjectId id = ovdraw::create2dPolyline(std::move(vertices));
    ovdraw::convertToLightweight(id);
    ovdraw::setPolylineLayerAndClosure(id, "画地", i % 3 != 0);
    attach("JSIMA_V3_Pline", id, i + 1, "画地" + std::to_string(i + 1), "画地");
  }
  const double drawSeconds = secondsSince(start);

  start = std::chrono::steady_clock::now();
  if (const kestrel::io::Result saved = saveDxf(database, path); !saved) {
    std::fprintf(stderr, "%s\n", saved.message().c_str());
    return 1;
  }
  const double saveSeconds = secondsSince(start);
  const double peakAfterSave = peakMegabytes();
  const auto bytes = std::filesystem::file_size(path);

  std::printf("entities drawn:        %d points, %d lots with records\n", points, lots);
  std::printf("draw + records:        %.3f s\n", drawSeconds);
  std::printf("save DXF:              %.3f s (%.1f MB written to %s)\n", saveSeconds,
              static_cast<double>(bytes) / 1e6, path.c_str());
  std::printf("draw + save:           %.3f s, peak memory %.1f MB\n", drawSeconds + saveSeconds,
              peakAfterSave);
  if (argc > 4 && std::string(argv[4]) == "--no-reopen") return 0;

  start = std::chrono::steady_clock::now();
  OvDbDatabase reopened;
  if (const kestrel::io::Result opened = openDxf(path, reopened); !opened) {
    std::fprintf(stderr, "%s\n", opened.message().c_str());
    return 1;
  }
  const double openSeconds = secondsSince(start);
  ovSetWorkingDatabase(nullptr);

  std::printf("open again as a base:  %.3f s (%zu entities), peak memory %.1f MB\n", openSeconds,
              reopened.entityCount(), peakMegabytes());
  if (argc <= 3) std::filesystem::remove(path);
  return 0;
}
