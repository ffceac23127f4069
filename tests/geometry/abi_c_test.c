/* The geometry headers compiled as C: the record layout is checked at compile time, and a few
 * calls through the shared library check that arguments and results cross the C ABI intact. */
#include <math.h>
#include <stddef.h>
#include <stdio.h>

#include "kestrel/geometry.h"
#include "kestrel/geometry_makers.h"

_Static_assert(sizeof(Calelm) == 120, "Calelm is 120 bytes");
_Static_assert(offsetof(Calelm, kind) == 0, "kind at byte 0");
_Static_assert(offsetof(Calelm, reserved) == 2, "six reserved bytes from byte 2");
_Static_assert(sizeof(((Calelm*)0)->reserved) == 6, "six reserved bytes");
_Static_assert(offsetof(Calelm, startX) == 8, "field 1 at byte 8");
_Static_assert(offsetof(Calelm, startY) == 16, "field 2 at byte 16");
_Static_assert(offsetof(Calelm, endX) == 24, "field 3 at byte 24");
_Static_assert(offsetof(Calelm, endY) == 32, "field 4 at byte 32");
_Static_assert(offsetof(Calelm, turnSign) == 40, "field 5 at byte 40");
_Static_assert(offsetof(Calelm, parameter) == 48, "field 6 at byte 48");
_Static_assert(offsetof(Calelm, startRadius) == 56, "field 7 at byte 56");
_Static_assert(offsetof(Calelm, endRadius) == 64, "field 8 at byte 64");
_Static_assert(offsetof(Calelm, length) == 72, "field 9 at byte 72");
_Static_assert(offsetof(Calelm, startAngle) == 80, "field 10 at byte 80");
_Static_assert(offsetof(Calelm, endAngle) == 88, "field 11 at byte 88");
_Static_assert(offsetof(Calelm, extra1) == 96, "field 12 at byte 96");
_Static_assert(offsetof(Calelm, extra2) == 104, "field 13 at byte 104");
_Static_assert(offsetof(Calelm, extra3) == 112, "field 14 at byte 112");
_Static_assert(sizeof(Calelm[3]) == 360, "array stride 120");
_Static_assert(sizeof(StdLine) == 32, "StdLine is four doubles");

static int failures = 0;

static void check(int condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

int main(void) {
  Calelm records[2];
  StdLine line;
  double x = 0.0, y = 0.0;

  check(initCalelm(&records[1]) == &records[1], "initCalelm returns its record");
  records[1].kind = CALELM_STRAIGHT;
  records[1].endX = 30.0;
  records[1].endY = 40.0;
  check(ali_makS(&records[1]) == 0, "ali_makS succeeds");
  check(fabs(records[1].length - 50.0) < 1e-12, "straight length through the array stride");

  check(CDlinstd(0.0, 0.0, 3.0, 4.0, &line) == 0, "CDlinstd status");
  check(line.ux == 0.6 && line.uy == 0.8, "CDlinstd direction");
  check(CDlincros(0.0, 1.0, 1.0, 0.0, 2.0, 0.0, 0.0, 1.0, &x, &y) == 0, "CDlincros status");
  check(x == 2.0 && y == 1.0, "CDlincros point");
  check(CDsegcros(0, 0, 10, 0, 5, 5, 5, 0, &x, &y) == 22, "CDsegcros int16_t code");

  /* Records by value: the transform must see the whole record. */
  records[0] = records[1];
  records[0].kind = CALELM_ARC;
  records[0].extra3 = 1.25;
  check(CDmoveA(records[0], &records[1], 1.0, 2.0) == 0, "CDmoveA status");
  check(records[1].kind == CALELM_ARC && records[1].startX == 1.0 && records[1].endY == 42.0,
        "CDmoveA moves the record");
  check(records[1].extra3 == 1.25, "CDmoveA keeps the central angle");

  /* A quarter circle about the origin, counter-clockwise: valid; the other way round: not. */
  initCalelm(&records[0]);
  records[0].kind = CALELM_ARC;
  records[0].turnSign = 1.0;
  records[0].startX = 10.0;
  records[0].endY = 10.0;
  check(CDvalidArc(&records[0]) == 0, "CDvalidArc accepts a quarter circle");
  records[0].turnSign = -1.0;
  check(CDvalidArc(&records[0]) == -1, "CDvalidArc rejects the wrong turning sense");

  check(fabs(ali_CExAng(1.0) - (6.283185307179586 - 1.0)) < 1e-15, "ali_CExAng returns a double");
  check(ali_CSamePoint(0.0, 0.0, 0.00001, 0.0) == 1, "ali_CSamePoint returns int16_t");

  /* The single-arc IP of a right turn: a record with arrays crosses the ABI both ways. */
  IpRecord ip = {{0}, 100.0, 0.0, 0, {0}, {50.0, 0.0, 0.0, 0.0, 0.0}, 0.0, 0.0, 0.0, 0.0, 0.0};
  check(ali_IPsetR(0.0, 0.0, &ip, 100.0, 100.0, &records[0]) == 0, "ali_IPsetR status");
  check(fabs(ip.startTangent - 50.0) < 1e-9 && fabs(records[0].endY - 50.0) < 1e-9 &&
            records[0].turnSign == -1.0,
        "ali_IPsetR tangent, arc end and turning sense");
  if (failures == 0) printf("C interface OK\n");
  return failures == 0 ? 0 : 1;
}
