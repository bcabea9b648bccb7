#include "app/WindowShape.h"

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace ortelan::app {

void ApplyRoundRegion(QWidget& window) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, window.width() + 1, window.height() + 1), 4.5, 4.5);
  window.setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace ortelan::app
