// A view of the working drawing and the civil alignments: zoom with the wheel, pan by dragging.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QWidget>

class OvDbDatabase;
namespace ovcivil {
class CivilDocument;
}

namespace kestrel::studio {

// Draws points, polylines, lines, arcs and alignments; layers can be hidden.
class DrawingView : public QWidget {
  Q_OBJECT

 public:
  explicit DrawingView(QWidget* parent = nullptr);

  void setSources(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil);
  void setLayerVisible(const QString& layer, bool visible);
  bool layerVisible(const QString& layer) const { return !hidden_.contains(layer); }
  // Fits everything drawn into the view.
  void zoomExtents();
  // Scale in pixels per drawing unit.
  double scale() const { return scale_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPointF toScreen(double x, double y) const;
  QRectF extents() const;

  const OvDbDatabase* drawing_ = nullptr;
  const ovcivil::CivilDocument* civil_ = nullptr;
  QSet<QString> hidden_;
  double scale_ = 1.0;
  QPointF centre_;  // drawing point at the middle of the view
  QPoint lastDrag_;
  bool fitted_ = false;
};

}  // namespace kestrel::studio
