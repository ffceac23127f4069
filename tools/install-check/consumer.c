/* A C99 program using the installed geometry library the way any project would: found through
 * find_package(Kestrel) or pkg-config, never through the source or build tree. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "kestrel/geometry.h"

int main(void) {
  /* A straight from (X, Y) = (0, 0) to (3, 4), made in the surveyor frame. */
  Calelm straight;
  double length = 0.0;
  memset(&straight, 0, sizeof straight);
  straight.kind = CALELM_STRAIGHT;
  straight.endX = 3.0;
  straight.endY = 4.0;
  if (ali_makS(&straight) != 0 || ali_getlS(&straight, &length) != 0) return 1;
  /* The same direction from the computation frame's line, converted back (the maker rounds
   * directions to its angle quantum, 1.389e-6). */
  {
    StdLine line;
    double angle = 0.0;
    if (CDlinstd(0.0, 0.0, 3.0, -4.0, &line) != 0) return 1;
    CDlineang(line.x0, line.y0, line.ux, line.uy, &angle);
    printf("kestrel geometry: length %.5f, azimuth %.9f (from the computation frame %.9f)\n",
           length, straight.startAngle, ali_CExAng(angle));
    return fabs(length - 5.0) < 1e-9 && fabs(straight.startAngle - ali_CExAng(angle)) < 2e-6
               ? 0
               : 1;
  }
}
