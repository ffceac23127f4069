// What the drawing view shows, in drawing units: every entity of the drawing and every alignment
// of the civil document as markers, paths and arcs with their true extents, and picking by
// distance.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

class OvDbDatabase;
namespace ovcivil {
class CivilDocument;
struct Alignment;
}  // namespace ovcivil

namespace kestrel::studio {

// One thing drawn. Coordinates are the drawing's: x east, y north.
struct Shape {
  enum class Kind : unsigned char { Marker, Path, Arc };
  Kind kind = Kind::Path;
  QString layer;                                  // the drawing layer; empty for a civil alignment
  std::size_t layerIndex = 0;                     // position of the layer in the drawing's table
  std::size_t entityIndex = 0;                    // model-space position (drawing entities)
  const ovcivil::Alignment* alignment = nullptr;  // set for a civil alignment's pieces
  std::vector<QPointF> points;  // Marker: its point; Path: the vertices; Arc: the centre
  bool closed = false;
  double radius = 0.0;  // Arc: counter-clockwise from startAngle by sweep (radians)
  double startAngle = 0.0;
  double sweep = 0.0;
  double elevation = 0.0;  // Marker
  QString name, number;    // Marker: from its object-data record, for labels
  QRectF bounds;
};

// Shapes of a drawing and a civil document.
class Scene {
 public:
  // Builds the shapes again; either source may be null.
  void rebuild(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil);
  const std::vector<Shape>& shapes() const { return shapes_; }

  using Filter = std::function<bool(const Shape&)>;
  // The box around every shape the filter lets through (arcs by their sweep, not whole circles);
  // a null box when there is none.
  QRectF extents(const Filter& shown) const;
  // The shape nearest to a drawing point within `reach` drawing units, among those the filter
  // lets through: markers first, then alignments, then the rest; null when none is that near.
  const Shape* pick(QPointF at, double reach, const Filter& shown) const;

 private:
  std::vector<Shape> shapes_;
};

// Distance from a point to a shape, in drawing units.
double distanceTo(const Shape& shape, QPointF at);

// An arc's points `step` radians or less apart, from its start to its end.
std::vector<QPointF> arcPoints(const Shape& arc, double step);

}  // namespace kestrel::studio
