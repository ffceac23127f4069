/* The makers' header compiles as C (its layout asserts included) and the library links from C:
 * the worked single-arc IP of a right turn, checked with plain arithmetic. */
#include <math.h>
#include <stdio.h>

#include "kestrel/geometry_makers.h"

int main(void) {
  IpRecord ip = {{0}, 100.0, 0.0, 0, {0}, {50.0, 0.0, 0.0, 0.0, 0.0}, 0.0, 0.0, 0.0, 0.0, 0.0};
  Calelm arc;
  if (ali_IPsetR(0.0, 0.0, &ip, 100.0, 100.0, &arc) != 0) {
    fprintf(stderr, "ali_IPsetR failed\n");
    return 1;
  }
  if (fabs(ip.startTangent - 50.0) > 1e-9 || fabs(arc.endY - 50.0) > 1e-9 || arc.turnSign != -1.0) {
    fprintf(stderr, "unexpected arc: tangent %.9f, end Y %.9f, sign %g\n", ip.startTangent,
            arc.endY, arc.turnSign);
    return 1;
  }
  return 0;
}
