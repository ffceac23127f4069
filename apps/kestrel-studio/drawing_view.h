// A view of the working drawing and the civil alignments: zoom with the wheel, pan by dragging,
// click to pick; point labels in screen space, so they read the same at any zoom.
#pragma once

#include <QColor>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QWidget>
#include <cstddef>
#include <optional>

#include "apps/kestrel-studio/scene.h"

class OvDbDatabase;
namespace ovcivil {
class CivilDocument;
}

namespace kestrel::studio {

// The colour a layer is drawn in: layer "0" white, the others hues far apart in table order.
QColor layerColour(const QString& name, std::size_t index);

// Which parts a point label shows.
struct LabelOptions {
  bool names = true;
  bool numbers = false;
  bool elevations = false;
};

class DrawingView : public QWidget {
  Q_OBJECT

 public:
  explicit DrawingView(QWidget* parent = nullptr);

  // Shows a drawing and a civil document (either may be null) and reads their shapes.
  void setSources(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil);
  // Reads the shapes again after the sources changed.
  void rebuild();
  const Scene& scene() const { return scene_; }

  void setLayerVisible(const QString& layer, bool visible);
  bool layerVisible(const QString& layer) const { return !hidden_.contains(layer); }
  void setLabels(LabelOptions labels);
  LabelOptions labels() const { return labels_; }

  // Fits everything shown into the view, with a margin of a twentieth on each side.
  void zoomExtents();
  // Centres the view on a drawing point at a scale in pixels per drawing unit.
  void setView(QPointF centre, double scale);
  double scale() const { return scale_; }
  // Drawing point → pixel of the view, and back.
  QPointF toScreen(QPointF world) const;
  QPointF toWorld(QPointF screen) const;
  // Picks the shape under a pixel, as a click does (null: nothing there).
  const Shape* pickAt(QPointF screen);
  // Marks a drawing point with a cross hair and reports it as the cursor's position.
  void markCursor(QPointF world);

 signals:
  // The cursor is over this drawing point.
  void cursorMoved(QPointF world);
  // A click picked this shape, or nothing (null).
  void picked(const Shape* shape);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool shown(const Shape& shape) const;
  void paintLabels(class QPainter& painter, const QRectF& visible);

  const OvDbDatabase* drawing_ = nullptr;
  const ovcivil::CivilDocument* civil_ = nullptr;
  Scene scene_;
  QSet<QString> hidden_;
  LabelOptions labels_;
  double scale_ = 1.0;
  QPointF centre_;  // drawing point at the middle of the view
  QPoint pressedAt_;
  QPoint lastDrag_;
  bool dragged_ = false;
  bool fitted_ = false;
  std::optional<std::size_t> highlighted_;  // index into the scene's shapes
  std::optional<QPointF> marked_;
};

}  // namespace kestrel::studio
