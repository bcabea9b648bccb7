#include "windows/music/MusicListLook.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTextLayout>
#include <QToolTip>

namespace ortelan::windows {

namespace {

constexpr int kCheckSize = 11;
const QColor kLeftLine(0xDB, 0xDB, 0xDB);
const QColor kRightLine(0xAA, 0xAA, 0xAA);
constexpr int kCellMargin = 6;  // the text's room lost to the cell's margins
const QColor kSelectionBorder(0x7D, 0xAA, 0xEA);
const QColor kGridLine(0xE4, 0xE4, 0xE4);

// Grey gradient boxes; a checked one shows a dark tick on a bluish
// gradient; a disabled checked one is grey.
QImage DrawCheckPicture(bool checked, bool enabled) {
  QImage picture(kCheckSize, kCheckSize, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  const QRectF box(0.5, 0.5, kCheckSize - 1, kCheckSize - 1);
  QLinearGradient fill(box.topLeft(), box.bottomLeft());
  const bool blue = checked && enabled;
  fill.setColorAt(0, blue ? QColor(0xE6, 0xEF, 0xFB) : QColor(0xFC, 0xFC, 0xFC));
  fill.setColorAt(1, blue ? QColor(0xB9, 0xCF, 0xEE) : QColor(0xD8, 0xD8, 0xD8));
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
  return picture;
}

// The four pictures, drawn once: a screen of rows only copies them.
const QImage& CheckPicture(bool checked, bool enabled) {
  static const QImage pictures[2][2] = {
      {DrawCheckPicture(false, false), DrawCheckPicture(false, true)},
      {DrawCheckPicture(true, false), DrawCheckPicture(true, true)}};
  return pictures[checked][enabled];
}

void PaintCheck(QPainter& p, const QRect& area, bool checked, bool enabled) {
  p.drawImage(area.x() + (area.width() - kCheckSize) / 2,
              area.y() + (area.height() - kCheckSize) / 2, CheckPicture(checked, enabled));
}

// The text shaped once and drawn as it is when it fits; else cut where the
// ellipsis leaves room, and only the shown part shaped again.
void PaintCellText(QPainter& painter, const QRect& room, Qt::Alignment align, const QString& text,
                   const QFont& font) {
  QTextLayout layout(text, font, painter.device());
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  const qreal width = line.naturalTextWidth();
  const qreal top = room.top() + (room.height() - line.height()) / 2;
  if (width <= room.width()) {
    const qreal left = align & Qt::AlignRight ? room.right() + 1 - width : room.left();
    layout.draw(&painter, QPointF(left, top));
    return;
  }
  static const QString kEllipsis(QChar(0x2026));
  const qreal roomForText = room.width() - QFontMetricsF(font).horizontalAdvance(kEllipsis);
  const int cut = roomForText > 0 ? line.xToCursor(roomForText, QTextLine::CursorOnCharacter) : 0;
  painter.drawText(QPointF(room.left(), top + line.ascent()), text.left(cut) + kEllipsis);
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

QRect TMusicListDelegate::CheckRect(const QRect& cell) {
  return QRect(cell.left() + kCellMargin / 2, cell.top(), kCheckSize + 2, cell.height());
}

QRect TMusicListDelegate::TextRect(const QRect& cell, bool hasCheck) {
  const int left = hasCheck ? CheckRect(cell).right() + 1 + kCellMargin / 2 : cell.left();
  return QRect(left, cell.top(), cell.right() + 1 - left, cell.height())
      .adjusted(kCellMargin / 2, 0, -kCellMargin / 2, 0);
}

void TMusicListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const QRect cell = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  const bool active = option.state & QStyle::State_Active;
  const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
  if (selected) {
    painter->fillRect(cell, option.palette.color(group, QPalette::Highlight));
  } else {
    painter->fillRect(cell, index.data(Qt::BackgroundRole).value<QColor>());
  }
  painter->setPen(kGridLine);
  painter->drawLine(cell.topRight(), cell.bottomRight());

  const QVariant mark = index.data(Qt::DecorationRole);
  if (mark.isValid()) {
    const QPixmap picture = mark.value<QPixmap>();
    painter->drawPixmap(cell.left() + (cell.width() - picture.width()) / 2,
                        cell.top() + (cell.height() - picture.height()) / 2, picture);
  }
  const QVariant check = index.data(Qt::CheckStateRole);
  if (check.isValid()) {
    const bool enabled = option.state & QStyle::State_Enabled;
    PaintCheck(*painter, CheckRect(cell), check.toInt() == Qt::Checked, enabled);
  }
  const QString text = index.data(Qt::DisplayRole).toString();
  if (!text.isEmpty()) {
    const QRect room = TextRect(cell, check.isValid());
    const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
    painter->setFont(option.font);
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    PaintCellText(*painter, room, align, text, option.font);
  }
  if (selected && active) PaintSelectionBorder(*painter, cell, index);
}

// One frame around the whole row: top and bottom in every cell, the sides in
// the first and the last column.
void TMusicListDelegate::PaintSelectionBorder(QPainter& painter, const QRect& cell,
                                              const QModelIndex& index) {
  painter.setPen(kSelectionBorder);
  painter.drawLine(cell.topLeft(), cell.topRight());
  painter.drawLine(cell.bottomLeft(), cell.bottomRight());
  if (index.column() == 0) painter.drawLine(cell.topLeft(), cell.bottomLeft());
  if (index.column() == index.model()->columnCount() - 1) {
    painter.drawLine(cell.topRight(), cell.bottomRight());
  }
}

bool TMusicListDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                     const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QVariant check = index.data(Qt::CheckStateRole);
  if (!check.isValid() || !(index.flags() & Qt::ItemIsUserCheckable)) return false;
  const bool onBox = [&] {
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonPress &&
        event->type() != QEvent::MouseButtonDblClick) {
      return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton &&
           CheckRect(option.rect).contains(mouse->position().toPoint());
  }();
  if (!onBox) return false;
  if (event->type() != QEvent::MouseButtonRelease) return true;  // the release turns it
  return model->setData(index, check.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked,
                        Qt::CheckStateRole);
}

bool TMusicListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip) {
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect room = TextRect(option.rect, index.data(Qt::CheckStateRole).isValid());
    if (text.isEmpty() || option.fontMetrics.horizontalAdvance(text) <= room.width()) {
      QToolTip::hideText();  // the whole text shows: nothing to tell
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace ortelan::windows
