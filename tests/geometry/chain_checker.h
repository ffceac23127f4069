// Checks chains of element records made by the geometry library against an independent model:
// every element is walked from its start pose by its own definition (straight, circle, or clothoid
// integrated by Gauss-Legendre quadrature) and consecutive elements must join in position,
// direction and curvature.
#pragma once

#include <span>
#include <string>

#include "kestrel/geometry_types.h"

namespace kestrel::geometry::testing {

// Where walking an element's definition from its start pose ends (surveyor frame).
struct WalkEnd {
  double x;
  double y;
  double azimuth;
};

// Curvature signed by the turn sign (left positive), 0 for a straight or an infinite radius.
double startCurvature(const Calelm& element);
double endCurvature(const Calelm& element);

// Walks `length` along an element whose heading is a0 at the start and whose signed curvature
// changes linearly from k0 to k1 (surveyor frame: a left turn lowers the azimuth).
WalkEnd walk(double x, double y, double a0, double k0, double k1, double length);

// Local clothoid coordinates at length L from the origin, by quadrature of cos and sin of
// t^2 / (2 A^2): x along the main tangent, y toward the inside.
void referenceClothoidPoint(double parameter, double length, double* x, double* y);

// Difference of two azimuths folded into [0, pi].
double angleDifference(double a, double b);

struct ChainTolerances {
  double position = 2e-5;   // makers round coordinates to 1e-5
  double direction = 1e-5;  // radians
  // A stored length against ali_getl, which measures between rounded end points: two rounded
  // points and two roundings of the length.
  double length = 3e-5;
};

// Empty when the chain is sound; otherwise one line per fault, naming the element index.
std::string checkChain(std::span<const Calelm> chain, ChainTolerances tolerances = {});

}  // namespace kestrel::geometry::testing
