#include "apps/kestrel-studio/drawing_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "platform/civil/civil_model.h"
#include "platform/drawing/drawing_database.h"
#include "platform/dxf/dxf_groups.h"

namespace kestrel::studio {

namespace {

// A colour per layer, stable from run to run.
QColor layerColour(const std::string& layer) {
  if (layer == "0") return QColor(235, 235, 235);  // white, as CAD draws layer 0
  const auto hash = static_cast<unsigned>(std::hash<std::string>{}(layer));
  return QColor::fromHsv(static_cast<int>(hash % 360), 200, 230);
}

const QColor kAlignmentColour(255, 80, 80);

// Content of an opened DXF is kept as its groups: the plain kinds are read back for drawing.
struct RawShape {
  std::vector<QPointF> points;
  bool closed = false;
  bool isPoint = false;
  bool isArc = false;
  double radius = 0, startDegrees = 0, endDegrees = 0;
};

RawShape rawShape(const OvDbRawEntity& entity) {
  RawShape shape;
  const auto groups = dxfGroupsOf(entity);
  shape.isPoint = entity.typeName == "POINT";
  shape.isArc = entity.typeName == "ARC" || entity.typeName == "CIRCLE";
  const bool known =
      shape.isPoint || shape.isArc || entity.typeName == "LWPOLYLINE" || entity.typeName == "LINE";
  if (!known) return shape;
  double x = 0;
  for (const auto& group : groups) {
    const double value = std::atof(group.value.c_str());
    if (group.code == 10 || group.code == 11) x = value;
    if (group.code == 20 || group.code == 21) shape.points.emplace_back(x, value);
    if (group.code == 40) shape.radius = value;
    if (group.code == 50) shape.startDegrees = value;
    if (group.code == 51) shape.endDegrees = value;
    if (group.code == 70 && entity.typeName == "LWPOLYLINE")
      shape.closed = (static_cast<int>(value) & 1) != 0;
  }
  if (entity.typeName == "CIRCLE") shape.endDegrees = 360;
  return shape;
}

}  // namespace

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {
  setObjectName("drawingView");
  setMinimumSize(320, 240);
  setAutoFillBackground(true);
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(30, 34, 40));
  setPalette(palette);
  setMouseTracking(false);
}

void DrawingView::setSources(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil) {
  drawing_ = drawing;
  civil_ = civil;
  update();
}

void DrawingView::setLayerVisible(const QString& layer, bool visible) {
  if (visible)
    hidden_.remove(layer);
  else
    hidden_.insert(layer);
  update();
}

QRectF DrawingView::extents() const {
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  auto take = [&](double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
  };
  if (drawing_ != nullptr) {
    for (std::size_t i = 0; i < drawing_->entityCount(); ++i) {
      const OvDbEntity& entity = drawing_->entityAt(i);
      switch (entity.kind()) {
        case OvDbEntityKind::Point: {
          const auto& p = static_cast<const OvDbPoint&>(entity).position;
          take(p.x, p.y);
          break;
        }
        case OvDbEntityKind::Polyline2d:
          for (const auto& v : static_cast<const OvDb2dPolyline&>(entity).vertices) take(v.x, v.y);
          break;
        case OvDbEntityKind::Polyline:
          for (const auto& v : static_cast<const OvDbPolyline&>(entity).vertices) take(v.x, v.y);
          break;
        case OvDbEntityKind::Line: {
          const auto& line = static_cast<const OvDbLine&>(entity);
          take(line.start.x, line.start.y);
          take(line.end.x, line.end.y);
          break;
        }
        case OvDbEntityKind::Arc: {
          const auto& arc = static_cast<const OvDbArc&>(entity);
          take(arc.center.x - arc.radius, arc.center.y - arc.radius);
          take(arc.center.x + arc.radius, arc.center.y + arc.radius);
          break;
        }
        case OvDbEntityKind::Raw:
          for (const QPointF& p : rawShape(static_cast<const OvDbRawEntity&>(entity)).points)
            take(p.x(), p.y());
          break;
      }
    }
  }
  if (civil_ != nullptr)
    for (const auto& site : civil_->sites())
      for (const auto& alignment : site.alignments)
        for (const auto& element : alignment.entities) {
          take(element.start.x, element.start.y);
          take(element.end.x, element.end.y);
        }
  if (minX > maxX) return {};
  return QRectF(QPointF(minX, minY), QPointF(maxX, maxY));
}

void DrawingView::zoomExtents() {
  const QRectF box = extents();
  if (box.isNull() && box.width() == 0 && box.height() == 0 && box.topLeft() == QPointF()) {
    scale_ = 1.0;
    centre_ = {};
  } else {
    centre_ = box.center();
    const double w = std::max(box.width(), 1e-6), h = std::max(box.height(), 1e-6);
    scale_ = 0.9 * std::min(width() / w, height() / h);
    if (!std::isfinite(scale_) || scale_ <= 0) scale_ = 1.0;
  }
  fitted_ = true;
  update();
}

QPointF DrawingView::toScreen(double x, double y) const {
  // North is up on screen.
  return {width() / 2.0 + (x - centre_.x()) * scale_, height() / 2.0 - (y - centre_.y()) * scale_};
}

void DrawingView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (drawing_ != nullptr) {
    for (std::size_t i = 0; i < drawing_->entityCount(); ++i) {
      const OvDbEntity& entity = drawing_->entityAt(i);
      if (hidden_.contains(QString::fromStdString(entity.layer()))) continue;
      painter.setPen(QPen(layerColour(entity.layer()), 1.2));
      switch (entity.kind()) {
        case OvDbEntityKind::Point: {
          const auto& p = static_cast<const OvDbPoint&>(entity).position;
          const QPointF at = toScreen(p.x, p.y);
          painter.drawLine(at + QPointF(-4, -4), at + QPointF(4, 4));
          painter.drawLine(at + QPointF(-4, 4), at + QPointF(4, -4));
          break;
        }
        case OvDbEntityKind::Polyline2d: {
          QPolygonF shape;
          for (const auto& v : static_cast<const OvDb2dPolyline&>(entity).vertices)
            shape << toScreen(v.x, v.y);
          painter.drawPolyline(shape);
          break;
        }
        case OvDbEntityKind::Polyline: {
          const auto& polyline = static_cast<const OvDbPolyline&>(entity);
          QPolygonF shape;
          for (const auto& v : polyline.vertices) shape << toScreen(v.x, v.y);
          if (polyline.closed)
            painter.drawPolygon(shape);
          else
            painter.drawPolyline(shape);
          break;
        }
        case OvDbEntityKind::Line: {
          const auto& line = static_cast<const OvDbLine&>(entity);
          painter.drawLine(toScreen(line.start.x, line.start.y), toScreen(line.end.x, line.end.y));
          break;
        }
        case OvDbEntityKind::Arc: {
          const auto& arc = static_cast<const OvDbArc&>(entity);
          const QPointF centre = toScreen(arc.center.x, arc.center.y);
          const double r = arc.radius * scale_;
          double sweep = arc.endAngle - arc.startAngle;
          while (sweep < 0) sweep += 2 * std::numbers::pi;
          const double toSixteenths = 180.0 / std::numbers::pi * 16.0;
          painter.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r),
                          static_cast<int>(arc.startAngle * toSixteenths),
                          static_cast<int>(sweep * toSixteenths));
          break;
        }
        case OvDbEntityKind::Raw: {
          const RawShape shape = rawShape(static_cast<const OvDbRawEntity&>(entity));
          if (shape.points.empty()) break;
          if (shape.isPoint) {
            const QPointF at = toScreen(shape.points[0].x(), shape.points[0].y());
            painter.drawLine(at + QPointF(-4, -4), at + QPointF(4, 4));
            painter.drawLine(at + QPointF(-4, 4), at + QPointF(4, -4));
          } else if (shape.isArc) {
            const QPointF centre = toScreen(shape.points[0].x(), shape.points[0].y());
            const double r = shape.radius * scale_;
            double sweep = shape.endDegrees - shape.startDegrees;
            while (sweep < 0) sweep += 360;
            painter.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r),
                            static_cast<int>(shape.startDegrees * 16),
                            static_cast<int>(sweep * 16));
          } else {
            QPolygonF line;
            for (const QPointF& p : shape.points) line << toScreen(p.x(), p.y());
            if (shape.closed)
              painter.drawPolygon(line);
            else
              painter.drawPolyline(line);
          }
          break;
        }
      }
    }
  }
  if (civil_ != nullptr) {
    painter.setPen(QPen(kAlignmentColour, 2.0));
    for (const auto& site : civil_->sites())
      for (const auto& alignment : site.alignments)
        for (const auto& element : alignment.entities) {
          std::vector<double> alongs;
          const int steps = element.kind == ovcivil::EntityKind::Line ? 1 : 32;
          for (int k = 0; k <= steps; ++k) alongs.push_back(element.length * k / steps);
          QPolygonF shape;
          for (const auto& p : element.samplePoints(alongs)) shape << toScreen(p.x, p.y);
          painter.drawPolyline(shape);
        }
  }
}

void DrawingView::wheelEvent(QWheelEvent* event) {
  // Zoom about the point under the cursor.
  const QPointF at = event->position();
  const QPointF before((at.x() - width() / 2.0) / scale_ + centre_.x(),
                       centre_.y() - (at.y() - height() / 2.0) / scale_);
  scale_ *= std::pow(1.0015, event->angleDelta().y());
  centre_ = QPointF(before.x() - (at.x() - width() / 2.0) / scale_,
                    before.y() + (at.y() - height() / 2.0) / scale_);
  update();
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
  lastDrag_ = event->position().toPoint();
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton))) return;
  const QPoint now = event->position().toPoint();
  const QPoint moved = now - lastDrag_;
  lastDrag_ = now;
  centre_ -= QPointF(moved.x() / scale_, -moved.y() / scale_);
  update();
}

void DrawingView::resizeEvent(QResizeEvent*) {
  if (!fitted_) zoomExtents();
}

}  // namespace kestrel::studio
