#pragma once

// The track grid's own look: the header painted over the "h" strip with its
// two lines, the program's 11 x 11 check pictures, and tooltips only for the
// cells whose text is cut off.

#include <QHeaderView>
#include <QImage>
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

// The grid's cells, painted directly: stripes or the selection (framed in
// its border colour while the window is active), the copy mark, the check
// box, the text cut off with an ellipsis, and the vertical grid lines. No
// focus rectangle. A click on the check box turns it; tooltips show only
// texts that are cut off.
class TMusicListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

  // Where a cell's check box and text go.
  static QRect CheckRect(const QRect& cell);
  static QRect TextRect(const QRect& cell, bool hasCheck);

 private:
  static void PaintSelectionBorder(QPainter& painter, const QRect& cell, const QModelIndex& index);
};

}  // namespace ortelan::windows
