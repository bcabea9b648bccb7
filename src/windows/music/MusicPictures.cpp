#include "windows/music/MusicPictures.h"

#include <QPainter>
#include <QPainterPath>

#include "music/iPodMusic.h"

namespace ortelan::windows::pictures {

namespace {

constexpr int kMarkSize = 10;
constexpr int kNodeSize = 18;
const QColor kInk(0x3B, 0x4A, 0x63);

QImage Clear(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void Tick(QPainter& p) {
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygonF({QPointF(2.6, 5.2), QPointF(4.3, 7.0), QPointF(7.5, 3.0)}));
}

void Cross(QPainter& p) {
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(3, 3), QPointF(7, 7));
  p.drawLine(QPointF(7, 3), QPointF(3, 7));
}

void Note(QPainter& p, QPointF at, double scale) {
  p.setPen(QPen(kInk, 1.4 * scale));
  p.setBrush(kInk);
  p.drawEllipse(at + QPointF(0, 8 * scale), 2.4 * scale, 1.8 * scale);
  p.drawLine(at + QPointF(2.2 * scale, 8 * scale), at + QPointF(2.2 * scale, 0));
  p.drawLine(at + QPointF(2.2 * scale, 0), at + QPointF(5.5 * scale, 2 * scale));
}

void FilmStrip(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawRect(QRectF(2, 4, 14, 10));
  p.setBrush(Qt::white);
  for (int i = 0; i < 4; ++i) {
    p.drawRect(QRectF(3.5 + i * 3.3, 5, 1.6, 1.4));
    p.drawRect(QRectF(3.5 + i * 3.3, 11.6, 1.6, 1.4));
  }
  p.drawRect(QRectF(4, 7.2, 10, 3.6));
}

void OpenBook(QPainter& p) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(QColor(0xF4, 0xF1, 0xE6));
  QPainterPath left, right;
  left.moveTo(9, 5);
  left.cubicTo(7, 3.5, 4, 3.5, 2, 4.5);
  left.lineTo(2, 14);
  left.cubicTo(4, 13, 7, 13, 9, 14.5);
  left.closeSubpath();
  right.moveTo(9, 5);
  right.cubicTo(11, 3.5, 14, 3.5, 16, 4.5);
  right.lineTo(16, 14);
  right.cubicTo(14, 13, 11, 13, 9, 14.5);
  right.closeSubpath();
  p.drawPath(left);
  p.drawPath(right);
}

void Bell(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xE0, 0xA8, 0x1E));
  QPainterPath bell;
  bell.moveTo(3, 13);
  bell.cubicTo(5, 11, 4.5, 4, 9, 3.5);
  bell.cubicTo(13.5, 4, 13, 11, 15, 13);
  bell.closeSubpath();
  p.drawPath(bell);
  p.setBrush(kInk);
  p.drawEllipse(QPointF(9, 14.5), 1.6, 1.6);
}

void ListWithNote(QPainter& p) {
  p.setPen(QPen(kInk, 1.3));
  for (int i = 0; i < 3; ++i) p.drawLine(QPointF(2, 4 + i * 3.5), QPointF(9, 4 + i * 3.5));
  Note(p, QPointF(11, 4), 1.0);
}

void Gear(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x6B, 0x76, 0x88));
  p.translate(9, 9);
  for (int i = 0; i < 8; ++i) {
    p.drawRect(QRectF(-1.4, -8, 2.8, 4));
    p.rotate(45);
  }
  p.drawEllipse(QPointF(0, 0), 5.5, 5.5);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(0, 0), 2.2, 2.2);
}

}  // namespace

QImage CopyMark(int copyState) {
  static const QColor kDisc[] = {QColor(0xD9, 0x32, 0x2B), QColor(0x2E, 0xA0, 0x3C),
                                 QColor(0x2F, 0x6F, 0xD6)};  // by copy state
  if (copyState < csFailed || copyState > csCopiedApart) return {};
  QImage image = Clear(kMarkSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kDisc[copyState]);
  p.drawEllipse(QRectF(0.5, 0.5, kMarkSize - 1, kMarkSize - 1));
  copyState == csFailed ? Cross(p) : Tick(p);
  return image;
}

QImage NodeImage(TNodeImage which) {
  QImage image = Clear(kNodeSize);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  switch (which) {
    case TNodeImage::Music:
      Note(p, QPointF(7, 3), 1.2);
      break;
    case TNodeImage::Movies:
      FilmStrip(p);
      break;
    case TNodeImage::Books:
      OpenBook(p);
      break;
    case TNodeImage::Ringtone:
      Bell(p);
      break;
    case TNodeImage::Playlist:
      ListWithNote(p);
      break;
    case TNodeImage::Smart:
      Gear(p);
      break;
  }
  return image;
}

}  // namespace ortelan::windows::pictures
