#pragma once

// A panel that paints a picture made for its size (the title and bottom bars),
// made again only when the size changes.

#include <QImage>
#include <QPainter>
#include <QWidget>

namespace ortelan::app {

class PicturePanel : public QWidget {
 public:
  PicturePanel(QWidget* parent, QImage (*paint)(QSize)) : QWidget(parent), paint_(paint) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    if (cached_.size() != size()) cached_ = paint_(size());
    QPainter(this).drawImage(0, 0, cached_);
  }

 private:
  QImage (*paint_)(QSize);
  QImage cached_;
};

}  // namespace ortelan::app
