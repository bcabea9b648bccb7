#include "windows/music/MusicListLook.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QToolTip>

namespace ortelan::windows {

namespace {

constexpr int kCheckSize = 11;
const QColor kLeftLine(0xDB, 0xDB, 0xDB);
const QColor kRightLine(0xAA, 0xAA, 0xAA);
constexpr int kCellMargin = 6;  // the text's room lost to the cell's margins

// Grey gradient boxes; a checked one shows a dark tick on a bluish
// gradient; a disabled checked one is grey.
void PaintCheck(QPainter& p, const QRect& area, bool checked, bool enabled) {
  const QRectF box(area.x() + (area.width() - kCheckSize) / 2.0,
                   area.y() + (area.height() - kCheckSize) / 2.0, kCheckSize - 1, kCheckSize - 1);
  QLinearGradient fill(box.topLeft(), box.bottomLeft());
  const bool blue = checked && enabled;
  fill.setColorAt(0, blue ? QColor(0xE6, 0xEF, 0xFB) : QColor(0xFC, 0xFC, 0xFC));
  fill.setColorAt(1, blue ? QColor(0xB9, 0xCF, 0xEE) : QColor(0xD8, 0xD8, 0xD8));
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(enabled ? QColor(0x7A, 0x86, 0x99) : QColor(0xA8, 0xA8, 0xA8));
  p.setBrush(fill);
  p.drawRoundedRect(box, 1.5, 1.5);
  if (checked) {
    p.setPen(QPen(enabled ? QColor(0x1F, 0x2D, 0x44) : QColor(0x8C, 0x8C, 0x8C), 1.6, Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    const QPointF o = box.topLeft();
    p.drawPolyline(
        QPolygonF({o + QPointF(2.3, 5.2), o + QPointF(4.2, 7.3), o + QPointF(7.8, 2.6)}));
  }
  p.restore();
}

}  // namespace

TMusicListHeader::TMusicListHeader(QImage strip, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), strip_(std::move(strip)) {}

void TMusicListHeader::PaintBackground(QPainter& painter, const QRect& rect) const {
  painter.drawImage(rect, strip_);
  painter.setPen(kLeftLine);
  painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
  painter.setPen(kRightLine);
  painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom() - 1);
}

void TMusicListHeader::paintEvent(QPaintEvent* event) {
  QHeaderView::paintEvent(event);
  // The empty area right of the last column is painted the same way.
  const int end = length() - offset();
  if (end < viewport()->width()) {
    QPainter painter(viewport());
    PaintBackground(painter, QRect(end, 0, viewport()->width() - end, viewport()->height()));
  }
}

void TMusicListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!rect.isValid()) return;
  PaintBackground(*painter, rect);
  // The caption and the sort arrow on top, as the style draws them.
  QStyleOptionHeader option;
  initStyleOption(&option);
  initStyleOptionForIndex(&option, logicalIndex);
  option.rect = rect;
  style()->drawControl(QStyle::CE_HeaderLabel, &option, painter, this);
  if (option.sortIndicator != QStyleOptionHeader::None) {
    QStyleOptionHeader arrow = option;
    arrow.rect = style()->subElementRect(QStyle::SE_HeaderArrow, &option, this);
    style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
  }
}

void TCheckPictureStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                       QPainter* painter, const QWidget* widget) const {
  if (element != PE_IndicatorItemViewItemCheck) {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    return;
  }
  PaintCheck(*painter, option->rect, option->state & State_On, option->state & State_Enabled);
}

int TCheckPictureStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                    const QWidget* widget) const {
  if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return kCheckSize + 2;
  return QProxyStyle::pixelMetric(metric, option, widget);
}

bool TMusicListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip) {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QRect textRect = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
    const int needed = cell.fontMetrics.horizontalAdvance(cell.text) + kCellMargin;
    if (cell.text.isEmpty() || needed <= textRect.width()) {
      QToolTip::hideText();  // the whole text shows: nothing to tell
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace ortelan::windows
