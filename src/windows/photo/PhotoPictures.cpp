#include "windows/photo/PhotoPictures.h"

#include <QPainter>

namespace ortelan::windows::pictures {

namespace {

constexpr int kNodeSize = 18;
const QColor kInk(0x3B, 0x4A, 0x63);
const QColor kSky(0x8F, 0xB8, 0xE8);
const QColor kHill(0x5E, 0x9E, 0x4A);

// A small landscape: sky, sun and a hill inside a frame.
void Landscape(QPainter& p, const QRectF& frame) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(kSky);
  p.drawRect(frame);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF5, 0xD0, 0x4C));
  p.drawEllipse(QPointF(frame.right() - 3.5, frame.top() + 3.5), 1.8, 1.8);
  p.setBrush(kHill);
  p.drawPolygon(QPolygonF({QPointF(frame.left() + 0.5, frame.bottom() - 0.5),
                           QPointF(frame.left() + frame.width() * 0.45, frame.center().y()),
                           QPointF(frame.right() - 0.5, frame.bottom() - 0.5)}));
}

}  // namespace

QImage AlbumNodeImage(TAlbumImage which) {
  QImage image(kNodeSize, kNodeSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  switch (which) {
    case TAlbumImage::Photo:  // a print with a white border
      p.setPen(QPen(kInk, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(2.5, 3.5, 13, 11));
      Landscape(p, QRectF(4.5, 5.5, 9, 7));
      break;
    case TAlbumImage::Album:  // a folder with a photo in front
      p.setPen(QPen(QColor(0xA0, 0x7A, 0x2A), 1));
      p.setBrush(QColor(0xF2, 0xC9, 0x6B));
      p.drawRect(QRectF(1.5, 4.5, 15, 11));
      p.drawRect(QRectF(1.5, 2.5, 6, 2));
      Landscape(p, QRectF(6.5, 7.5, 9, 7));
      break;
    case TAlbumImage::Camera:  // a landscape picture
      Landscape(p, QRectF(1.5, 3.5, 15, 11));
      break;
  }
  return image;
}

}  // namespace ortelan::windows::pictures
