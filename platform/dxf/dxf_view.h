// What a program shows first when it opens a drawing: the drawing's extents, the view on them,
// how large point marks are drawn, and the colours of the layers made here.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "platform/drawing/drawing_database.h"

// A 3-D box that grows to hold what is added; each axis is empty until a value reaches it.
struct DxfExtents {
  double min[3] = {kNone, kNone, kNone};
  double max[3] = {-kNone, -kNone, -kNone};

  // True until both plan axes hold a value.
  bool empty() const { return !(min[0] <= max[0] && min[1] <= max[1]); }
  // Adds one coordinate (0 x, 1 y, 2 z); values that are not finite are passed over.
  void addAxis(int axis, double value) {
    if (!(value > -kNone && value < kNone)) return;
    if (value < min[axis]) min[axis] = value;
    if (value > max[axis]) max[axis] = value;
  }
  void add(double x, double y, double z) {
    addAxis(0, x);
    addAxis(1, y);
    addAxis(2, z);
  }
  void add(const DxfExtents& other) {
    for (int axis = 0; axis < 3; ++axis) {
      addAxis(axis, other.min[axis]);
      addAxis(axis, other.max[axis]);
    }
  }

 private:
  static constexpr double kNone = std::numeric_limits<double>::infinity();
};

// The extents of the drawing's modelled entities (arcs by their sweep), in one pass over its
// storage, joined with `known` (what a base drawing's own content was found to cover).
DxfExtents drawingExtents(const OvDbDatabase& database, const DxfExtents& known);

// The view a program opens on: the extents with a margin, at least as wide as a landscape
// window would show them.
struct DxfView {
  double centreX = 0.0;
  double centreY = 0.0;
  double height = 1.0;
  double aspect = 1.0;  // width / height
};
DxfView viewOf(const DxfExtents& extents);

// The size point marks are drawn at, in drawing units: about a two-hundredth of the larger side of
// the extents, rounded to 1, 2 or 5 times a power of ten.
double pointMarkSize(const DxfExtents& extents);

// The colour (ACI 1-255) of each layer made here (nameInFile empty); layers from a base drawing
// get 0 (written as they were). Layer "0" keeps 7; every other layer's colour follows from its
// name alone unless a layer before it, or one of the base drawing's colours (`taken`), has it.
std::vector<int> dxfLayerColours(const std::vector<OvDbSymbolRecord>& layers,
                                 const std::vector<int>& taken);
