#include "ui/qt/hscroll_list_widget.h"

#include <QFontMetrics>

#include "ui/qt/ui_texts.h"

namespace kestrel::qtui {

HScrollListWidget::HScrollListWidget(QWidget* parent, bool useTabStops)
    : QListWidget(parent),
      lines_(
          [this](std::string_view text, bool expandTabs) {
            const QFontMetrics metrics(font());
            const QString line =
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            if (!expandTabs) return metrics.horizontalAdvance(line);
            // Tab stops every eight average characters, as a list box with default tab stops.
            const int tabWidth = 8 * metrics.averageCharWidth();
            return metrics.boundingRect(QRect(), Qt::TextExpandTabs, line, tabWidth).width();
          },
          useTabStops) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setUniformItemSizes(true);
}

int HScrollListWidget::addString(const std::string& line) {
  const int index = lines_.addString(line);
  addItem(qs(line));
  applyExtent();
  return index;
}

int HScrollListWidget::insertString(int index, const std::string& line) {
  const int at = lines_.insertString(index, line);
  insertItem(at, qs(line));
  applyExtent();
  return at;
}

int HScrollListWidget::deleteString(int index) {
  const int left = lines_.deleteString(index);
  if (left >= 0) delete takeItem(index);
  applyExtent();
  return left;
}

void HScrollListWidget::resetContent() {
  lines_.resetContent();
  clear();
  applyExtent();
}

void HScrollListWidget::applyExtent() {
  const int rowHeight = QFontMetrics(font()).height() + 2;
  for (int row = 0; row < count(); ++row)
    item(row)->setSizeHint(QSize(horizontalExtent(), rowHeight));
  doItemsLayout();
}

}  // namespace kestrel::qtui
