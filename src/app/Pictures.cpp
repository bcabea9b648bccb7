#include "app/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

#include "app/Fonts.h"

namespace ortelan::app::pictures {

namespace {

QImage Blank(QSize size, QColor fill = Qt::white) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

// A clear picture to paint a glyph on.
QImage Transparent(QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// A rounded button body on white, with a soft vertical gradient.
QImage RoundedFace(QSize size, QColor top, QColor bottom, QColor border) {
  QImage image = Blank(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);  // hard edges keep the white cut-out clean
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, top);
  fill.setColorAt(1, bottom);
  p.setBrush(fill);
  p.setPen(border);
  p.drawRoundedRect(QRectF(0, 0, size.width() - 1, size.height() - 1), 4, 4);
  return image;
}

}  // namespace

QImage TitleBar(QSize size) {
  QImage image = Blank(size);
  QPainter p(&image);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, QColor(0xE9, 0xEC, 0xF0));
  fill.setColorAt(0.5, QColor(0xCF, 0xD4, 0xDB));
  fill.setColorAt(1, QColor(0xB4, 0xBB, 0xC6));
  p.fillRect(image.rect(), fill);
  p.setPen(QColor(0x47, 0x47, 0x47));
  p.drawLine(0, size.height() - 1, size.width(), size.height() - 1);
  p.setPen(QColor(0xF8, 0xF9, 0xFA));
  p.drawLine(0, 0, size.width(), 0);
  return image;
}

QImage BottomBar(QSize size) {
  QImage image = Blank(size);
  QPainter p(&image);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, QColor(0xD8, 0xDC, 0xE2));
  fill.setColorAt(1, QColor(0xB9, 0xC0, 0xCA));
  p.fillRect(image.rect(), fill);
  p.setPen(QColor(0x47, 0x47, 0x47));
  p.drawLine(0, 0, size.width(), 0);
  return image;
}

QImage CloseFace(bool down) {
  QImage image = Blank(QSize(14, 15));
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(down ? QColor(0x9E, 0x2A, 0x22) : QColor(0xD2, 0x4A, 0x3F));
  p.drawEllipse(QRect(0, 0, 14, 14));
  p.setPen(QPen(QColor(0xFE, 0xFE, 0xFE), 2));
  p.drawLine(4, 4, 9, 9);
  p.drawLine(9, 4, 4, 9);
  return image;
}

// The 76 x 22 face of the progress panel's button: a coloured disc with a
// white glyph at its left, where the caption starts at 32.
QImage ProgressButtonFace(QColor disc, const std::function<void(QPainter&)>& glyph) {
  QImage image = RoundedFace(QSize(76, 22), QColor(0xF4, 0xF4, 0xF4), QColor(0xD4, 0xD4, 0xD4),
                             QColor(0x6A, 0x6A, 0x6A));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(disc);
  p.drawEllipse(QRectF(9, 4, 14, 14));
  p.setPen(QPen(QColor(0xFE, 0xFE, 0xFE), 2));
  glyph(p);
  return image;
}

// A button of the title bar, lighter when up, darker when pressed.
QImage TitleButtonFace(QSize size, bool down) {
  return RoundedFace(size, down ? QColor(0xC4, 0xC9, 0xD1) : QColor(0xFB, 0xFB, 0xFB),
                     down ? QColor(0xE2, 0xE5, 0xE9) : QColor(0xD9, 0xDD, 0xE3),
                     QColor(0x5C, 0x63, 0x6E));
}

QImage CancelFace() {
  return ProgressButtonFace(QColor(0xC8, 0x3B, 0x30), [](QPainter& p) {
    p.drawLine(QPointF(13, 8), QPointF(19, 14));
    p.drawLine(QPointF(19, 8), QPointF(13, 14));
  });
}

QImage DoneFace() {
  return ProgressButtonFace(QColor(0x3C, 0x9A, 0x3C), [](QPainter& p) {
    p.drawPolyline(QPolygonF({QPointF(12.5, 11), QPointF(15, 14), QPointF(20, 8)}));
  });
}

QImage HeaderStrip() {
  QImage image(1, 17, QImage::Format_RGB32);
  for (int y = 0; y < 17; ++y) {
    const int v = 0xFA - y * 3;
    image.setPixel(0, y, qRgb(v, v, v + 2 > 255 ? 255 : v + 2));
  }
  image.setPixel(0, 16, qRgb(0xA8, 0xA8, 0xA8));
  return image;
}

QImage CheckButtonFace(bool down) {
  QImage image = TitleButtonFace(QSize(28, 26), down);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x2E, 0x5C, 0x9E), 2.5));
  p.drawPolyline(QPolygonF({QPointF(8, 13), QPointF(12, 17.5), QPointF(20, 8)}));
  return image;
}

QImage ExportButtonFace(bool down) {
  QImage image = TitleButtonFace(QSize(76, 26), down);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3F, 0x77, 0xBC));
  // An arrow from the device to the computer.
  p.drawPolygon(QPolygonF({QPointF(7, 10), QPointF(14, 10), QPointF(14, 6), QPointF(21, 13),
                           QPointF(14, 20), QPointF(14, 16), QPointF(7, 16)}));
  return image;
}

QImage ConnectorDrawing() {
  QImage image = Blank(QSize(101, 108), QColor(0xFA, 0xFA, 0xFA));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  // The device, seen from its bottom edge, with the dock port.
  p.setPen(QPen(QColor(0x55, 0x5B, 0x66), 1.5));
  p.setBrush(QColor(0xE4, 0xE7, 0xEC));
  p.drawRoundedRect(QRectF(22, 4, 57, 28), 6, 6);
  p.setBrush(QColor(0x30, 0x30, 0x30));
  p.drawRoundedRect(QRectF(38, 25, 25, 5), 1.5, 1.5);
  // The plug and its cable below.
  p.setBrush(QColor(0xF2, 0xF2, 0xF2));
  p.drawRoundedRect(QRectF(36, 48, 29, 14), 3, 3);
  p.setPen(QPen(QColor(0x55, 0x5B, 0x66), 3));
  p.drawLine(QPointF(50.5, 62), QPointF(50.5, 74));
  // The arrow: plug it in.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x42, 0x67, 0xA4));
  p.drawPolygon(QPolygonF({QPointF(50.5, 33), QPointF(58, 42), QPointF(53.5, 42), QPointF(53.5, 46),
                           QPointF(47.5, 46), QPointF(47.5, 42), QPointF(43, 42)}));
  p.setPen(QColor(0x2B, 0x3E, 0x55));
  p.setFont(UiFont(7));
  p.drawText(QRect(0, 76, 101, 32), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
             "Connect iPod (iPhone or iPad) to the PC");
  return image;
}

QImage MusicGlyph() {
  QImage image = Transparent(QSize(48, 48));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x3F, 0x77, 0xBC));
  p.drawEllipse(QRectF(8, 32, 12, 9));
  p.drawEllipse(QRectF(28, 28, 12, 9));
  p.drawRect(QRectF(17, 10, 3, 27));
  p.drawRect(QRectF(37, 6, 3, 27));
  p.drawPolygon(QPolygonF({QPointF(17, 10), QPointF(40, 4), QPointF(40, 11), QPointF(17, 17)}));
  return image;
}

QImage PhotoGlyph() {
  QImage image = Transparent(QSize(48, 48));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x55, 0x5B, 0x66), 1.5));
  p.setBrush(QColor(0xCF, 0xE3, 0xF7));
  p.drawRoundedRect(QRectF(4, 9, 40, 30), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xF2, 0xC1, 0x3A));
  p.drawEllipse(QRectF(30, 13, 8, 8));
  p.setBrush(QColor(0x4C, 0x8C, 0x4A));
  p.drawPolygon(QPolygonF({QPointF(5.5, 37.5), QPointF(17, 21), QPointF(26, 31), QPointF(31, 26),
                           QPointF(42.5, 37.5)}));
  return image;
}

}  // namespace ortelan::app::pictures
