#pragma once

// The track grid's own look: the header painted over the "h" strip with its
// two lines, the program's 11 x 11 check pictures, and tooltips only for the
// cells whose text is cut off.

#include <QHeaderView>
#include <QImage>
#include <QProxyStyle>
#include <QStyledItemDelegate>

namespace ortelan::windows {

class TMusicListHeader : public QHeaderView {
 public:
  TMusicListHeader(QImage strip, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

 private:
  void PaintBackground(QPainter& painter, const QRect& rect) const;
  QImage strip_;
};

// Draws the check boxes of item views with the program's pictures.
class TCheckPictureStyle : public QProxyStyle {
 public:
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override;
};

class TMusicListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

}  // namespace ortelan::windows
