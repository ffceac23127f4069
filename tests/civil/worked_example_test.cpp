// A worked IP example with a clothoid–arc–clothoid curve, computed by hand from the clothoid
// tables' series and checked against the alignment the builder makes from its main points.
//
// BP (0, 0); IP at 300 m due north; the road turns right by IA = 40° there; A1 = A2 = 100, R = 200.
//   L = A²/R = 50, τ = L/(2R) = 0.125 rad
//   X = L(1 − τ²/10 + τ⁴/216 − τ⁶/9360)              = 49.921931
//   Y = L(τ/3 − τ³/42 + τ⁵/1320 − τ⁷/75600)           =  2.081009
//   ΔR = Y − R(1 − cos τ) = 0.520543,  X_M = X − R sin τ = 24.986985
//   T = (R + ΔR) tan(IA/2) + X_M                        = 97.970494
//   arc = R(IA − 2τ)                                     = 89.626340
// Stations: KA1 = 300 − T = 202.029506, KE1 = 252.029506, KE2 = 341.655846, KA2 = 391.655846.
// Points (east, north): KA1 (0, 202.029506), KE1 (2.081009, 251.951438),
//   KE2 (32.479166, 335.469687), KA2 (62.974219, 375.049752), EP 100 m on (127.252980, 451.654197).
// Station 227.029506 (25 m into the first clothoid): local x = l − l⁵/(40A⁴) + l⁹/(3456A⁸),
//   y = l³/(6A²) − l⁷/(336A⁶) with l = 25 → (0.260399, 227.027065).
// Station 296.842676 (the middle of the arc): on the bisector, R from the centre, which lies
//   (R + ΔR)/cos(IA/2) from the IP → (12.582019, 295.420520).
#include <gtest/gtest.h>

#include <memory>

#include "civil/alignment_builder.h"
#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "tests/civil/fresh_document.h"

namespace kestrel {
namespace {

EntityData element(const char* type, double x1, double y1, double x2, double y2) {
  EntityData e;
  e.Type = type;
  e.StartPointX = std::to_string(x1);
  e.StartPointY = std::to_string(y1);
  e.EndPointX = std::to_string(x2);
  e.EndPointY = std::to_string(y2);
  e.Pitch = 100.0;
  return e;
}

TEST(WorkedExample, ClothoidArcClothoidStationsAndCoordinatesToAMillimetre) {
  testing::freshCivilDocument();
  OvDbDatabase drawing;
  ovSetWorkingDatabase(&drawing);

  SimaAlignment route;
  route.routeName = "example";
  route.routeType = 3;
  EntityData clothoidIn = element("A", 0.0, 202.029506, 2.081009, 251.951438);
  clothoidIn.ParameterA = "100";
  clothoidIn.RadiusStart = "0";
  clothoidIn.RadiusEnd = "200";
  clothoidIn.Rotation = "R";
  EntityData arc = element("R", 2.081009, 251.951438, 32.479166, 335.469687);
  arc.Radius = "200";
  arc.Rotation = "R";
  EntityData clothoidOut = element("A", 32.479166, 335.469687, 62.974219, 375.049752);
  clothoidOut.ParameterA = "100";
  clothoidOut.RadiusStart = "200";
  clothoidOut.RadiusEnd = "0";
  clothoidOut.Rotation = "R";
  route.elements.append(element("S", 0.0, 0.0, 0.0, 202.029506));
  route.elements.append(clothoidIn);
  route.elements.append(arc);
  route.elements.append(clothoidOut);
  route.elements.append(element("S", 62.974219, 375.049752, 127.252980, 451.654197));
  route.elements.append(element("S", 127.252980, 451.654197, 0.0, 0.0));  // the open last element

  ImportRun run;
  run.siteName = "サイト";
  const uint32_t id = buildAlignment(run, route);
  const auto* alignment = ovcivil::civilApplication().activeDocument().findAlignment(static_cast<int32_t>(id));
  ASSERT_NE(alignment, nullptr);
  ASSERT_EQ(alignment->entities.size(), 5u);

  const double mainPointStations[] = {202.029506, 252.029506, 341.655846, 391.655846};
  double station = alignment->startingStation;
  for (int i = 0; i < 4; ++i) {
    station += alignment->entities[static_cast<std::size_t>(i)].length;
    EXPECT_NEAR(station, mainPointStations[i], 1e-3) << "main point " << i;
  }

  struct Row {
    double station, east, north;
  };
  for (const Row& row : {Row{227.029506, 0.260399, 227.027065}, Row{296.842676, 12.582019, 295.420520},
                         Row{391.655846, 62.974219, 375.049752}}) {
    ovcivil::PlanPoint point;
    ASSERT_EQ(alignment->pointAtStation(row.station, 0.0, point), ovcivil::kOk) << row.station;
    EXPECT_NEAR(point.x, row.east, 1e-3) << row.station;
    EXPECT_NEAR(point.y, row.north, 1e-3) << row.station;
  }
  ovSetWorkingDatabase(nullptr);
}

}  // namespace
}  // namespace kestrel
