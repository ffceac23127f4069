#include "apps/kestrel-studio/drawing_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrel::studio {

namespace {

const QColor kBackground(30, 34, 40);
const QColor kAlignmentColour(255, 80, 80);
const QColor kHighlightColour(255, 230, 60);
const QColor kLabelColour(225, 225, 210);
constexpr double kMarkerHalf = 4.0;  // pixels
constexpr double kPickReach = 6.0;   // pixels
constexpr int kDragThreshold = 3;    // pixels a press may move and still be a click
constexpr int kLabelPixels = 11;

void drawMarker(QPainter& painter, QPointF at) {
  painter.drawLine(at + QPointF(-kMarkerHalf, -kMarkerHalf),
                   at + QPointF(kMarkerHalf, kMarkerHalf));
  painter.drawLine(at + QPointF(-kMarkerHalf, kMarkerHalf),
                   at + QPointF(kMarkerHalf, -kMarkerHalf));
}

}  // namespace

QColor layerColour(const QString& name, std::size_t index) {
  if (name == "0") return QColor(235, 235, 235);  // white, as CAD draws layer 0
  // Successive layers a golden angle apart on the colour wheel never sit close together.
  const double hue = std::fmod(static_cast<double>(index) * 137.507764 + 40.0, 360.0);
  return QColor::fromHsv(static_cast<int>(hue), 170, 240);
}

DrawingView::DrawingView(QWidget* parent) : QWidget(parent) {
  setObjectName("drawingView");
  setMinimumSize(320, 240);
  setAutoFillBackground(true);
  QPalette palette;
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
}

void DrawingView::setSources(const OvDbDatabase* drawing, const ovcivil::CivilDocument* civil) {
  drawing_ = drawing;
  civil_ = civil;
  rebuild();
}

void DrawingView::rebuild() {
  scene_.rebuild(drawing_, civil_);
  highlighted_.reset();
  update();
}

bool DrawingView::shown(const Shape& shape) const {
  return shape.alignment != nullptr || !hidden_.contains(shape.layer);
}

void DrawingView::setLayerVisible(const QString& layer, bool visible) {
  if (visible)
    hidden_.remove(layer);
  else
    hidden_.insert(layer);
  update();
}

void DrawingView::setLabels(LabelOptions labels) {
  labels_ = labels;
  update();
}

void DrawingView::zoomExtents() {
  const QRectF box = scene_.extents([this](const Shape& shape) { return shown(shape); });
  if (box.isNull() && box.topLeft() == QPointF()) {
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

void DrawingView::setView(QPointF centre, double scale) {
  if (!(scale > 0.0) || !std::isfinite(scale)) return;
  centre_ = centre;
  scale_ = scale;
  fitted_ = true;
  update();
}

QPointF DrawingView::toScreen(QPointF world) const {
  // North is up on screen.
  return {width() / 2.0 + (world.x() - centre_.x()) * scale_,
          height() / 2.0 - (world.y() - centre_.y()) * scale_};
}

QPointF DrawingView::toWorld(QPointF screen) const {
  return {centre_.x() + (screen.x() - width() / 2.0) / scale_,
          centre_.y() - (screen.y() - height() / 2.0) / scale_};
}

const Shape* DrawingView::pickAt(QPointF screen) {
  const Shape* shape = scene_.pick(toWorld(screen), kPickReach / scale_,
                                   [this](const Shape& s) { return shown(s); });
  if (shape != nullptr)
    highlighted_ = static_cast<std::size_t>(shape - scene_.shapes().data());
  else
    highlighted_.reset();
  update();
  emit picked(shape);
  return shape;
}

void DrawingView::markCursor(QPointF world) {
  marked_ = world;
  update();
  emit cursorMoved(world);
}

void DrawingView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF corners(toWorld(QPointF(0, height())), toWorld(QPointF(width(), 0)));
  const double margin = 2 * kMarkerHalf / scale_;
  const QRectF visible = corners.adjusted(-margin, -margin, margin, margin);
  const auto& shapes = scene_.shapes();
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    const Shape& shape = shapes[i];
    // A box of no width or height still intersects when it touches the view.
    const QRectF& b = shape.bounds;
    if (!shown(shape) || b.right() < visible.left() || b.left() > visible.right() ||
        b.bottom() < visible.top() || b.top() > visible.bottom())
      continue;
    // A picked alignment lights up whole, not just the piece under the cursor.
    const bool highlighted =
        highlighted_ &&
        (*highlighted_ == i ||
         (shape.alignment != nullptr && shape.alignment == shapes[*highlighted_].alignment));
    QPen pen(highlighted       ? kHighlightColour
             : shape.alignment ? kAlignmentColour
                               : layerColour(shape.layer, shape.layerIndex),
             highlighted       ? 3.0
             : shape.alignment ? 2.0
                               : 1.2);
    pen.setCosmetic(true);  // pixels wide at every zoom
    painter.setPen(pen);
    switch (shape.kind) {
      case Shape::Kind::Marker:
        drawMarker(painter, toScreen(shape.points[0]));
        break;
      case Shape::Kind::Path: {
        QPolygonF line;
        for (const QPointF& p : shape.points) line << toScreen(p);
        if (shape.closed)
          painter.drawPolygon(line);
        else
          painter.drawPolyline(line);
        break;
      }
      case Shape::Kind::Arc: {
        // Chords a quarter pixel or less from the circle, however far one zooms in.
        const double pixels = std::max(shape.radius * scale_, 1.0);
        const double step = std::min(0.4, 2.0 * std::sqrt(0.5 / pixels));
        QPolygonF line;
        for (const QPointF& p : arcPoints(shape, step)) line << toScreen(p);
        painter.drawPolyline(line);
        break;
      }
    }
  }
  paintLabels(painter, visible);
  if (marked_) {
    const QPointF at = toScreen(*marked_);
    QPen pen(Qt::white, 1.0);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawLine(at + QPointF(-14, 0), at + QPointF(14, 0));
    painter.drawLine(at + QPointF(0, -14), at + QPointF(0, 14));
    painter.drawRect(
        QRectF(at - QPointF(kPickReach, kPickReach), at + QPointF(kPickReach, kPickReach)));
  }
}

void DrawingView::paintLabels(QPainter& painter, const QRectF& visible) {
  if (!labels_.names) return;
  QFont font = this->font();
  font.setPixelSize(kLabelPixels);
  painter.setFont(font);
  painter.setPen(kLabelColour);
  const QFontMetricsF metrics(font);
  // Labels are placed in drawing order; one that would cover a placed label is left out, so a
  // crowded view stays readable and zooming in shows the rest.
  std::vector<QRectF> placed;
  for (const Shape& shape : scene_.shapes()) {
    if (shape.kind != Shape::Kind::Marker || !shown(shape) || !visible.contains(shape.points[0]))
      continue;
    QString text = shape.name;
    if (labels_.numbers && !shape.number.isEmpty())
      text = text.isEmpty() ? shape.number : shape.number + " " + text;
    if (labels_.elevations)
      text += (text.isEmpty() ? "" : "\n") + QString::number(shape.elevation, 'f', 3);
    if (text.isEmpty()) continue;
    const QPointF at = toScreen(shape.points[0]) + QPointF(kMarkerHalf + 2, -kMarkerHalf - 2);
    QRectF box = metrics.boundingRect(QRectF(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, text);
    box.moveBottomLeft(at);
    if (std::any_of(placed.begin(), placed.end(),
                    [&](const QRectF& r) { return r.intersects(box); }))
      continue;
    placed.push_back(box);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
  }
}

void DrawingView::wheelEvent(QWheelEvent* event) {
  // Zoom about the point under the cursor.
  const QPointF at = event->position();
  const QPointF before = toWorld(at);
  scale_ *= std::pow(1.0015, event->angleDelta().y());
  const QPointF after = toWorld(at);
  centre_ += before - after;
  update();
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
  pressedAt_ = lastDrag_ = event->position().toPoint();
  dragged_ = false;
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
  emit cursorMoved(toWorld(event->position()));
  if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton))) return;
  const QPoint now = event->position().toPoint();
  if ((now - pressedAt_).manhattanLength() > kDragThreshold) dragged_ = true;
  const QPoint moved = now - lastDrag_;
  lastDrag_ = now;
  centre_ -= QPointF(moved.x() / scale_, -moved.y() / scale_);
  update();
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !dragged_) pickAt(event->position());
}

void DrawingView::resizeEvent(QResizeEvent*) {
  if (!fitted_) zoomExtents();
}

}  // namespace kestrel::studio
