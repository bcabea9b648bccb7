#include "controls/PicBtn.h"

#include <QBitmap>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ortelan::controls {

TPicButton::TPicButton(QWidget* parent) : QWidget(parent) {}

void TPicButton::SetAllowAllUp(bool value) {
  if (value == allowAllUp_) return;
  allowAllUp_ = value;
  TellGroup();
}

void TPicButton::SetGroupIndex(int value) {
  if (value == groupIndex_) return;
  groupIndex_ = value;
  if (value == 0) {
    down_ = false;
    update();
  }
  TellGroup();
}

void TPicButton::SetCaption(const QString& value) {
  if (value == caption_) return;
  caption_ = value;
  update();
}

void TPicButton::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value == down_ || (down_ && !allowAllUp_)) return;
  down_ = value;
  TellGroup();
  update();
}

void TPicButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) {
      GreyBitmap();  // made now, so that the disabled face never waits for it
      hot_ = false;
    }
    update();
  }
  QWidget::changeEvent(event);
}

void TPicButton::SetBitmap(const QImage& value) {
  if (value.isNull()) return;
  bitmap_ = value.convertToFormat(QImage::Format_RGB32);
  resize(bitmap_.size());
  BuildShape();
  grey_ = GreyCopy(bitmap_);
  greyCurrent_ = true;
  update();
}

void TPicButton::SetDownBitmap(const QImage& value) {
  if (value.isNull()) return;
  downBitmap_ = value.convertToFormat(QImage::Format_RGB32);
}

void TPicButton::LoadBitmapPixels(const QImage& value) {
  if (value.isNull()) return;
  bitmap_ = value.convertToFormat(QImage::Format_RGB32);
  greyCurrent_ = false;
  update();
}

void TPicButton::SetTransparentColor(const QColor& value) {
  transparentColor_ = value;
  BuildShape();
  update();
}

void TPicButton::SetCaptionPosition(TCaptionPos value) {
  captionPosition_ = value;
  update();
}

void TPicButton::SetSpace(int value) {
  if (value >= 0) space_ = value;
  update();
}

void TPicButton::SetFontColor(const QColor& value) {
  fontColor_ = value;
  update();
}

QImage TPicButton::GreyCopy(const QImage& picture) {
  QImage grey = picture.convertToFormat(QImage::Format_RGB888);
  for (int y = 0; y < grey.height(); ++y) {
    uchar* px = grey.scanLine(y);
    for (int x = 0; x < grey.width(); ++x, px += 3) {
      const auto g = static_cast<uchar>((px[0] + px[1] + px[2] + 128) / 4);
      px[0] = px[1] = px[2] = g;
    }
  }
  return grey;
}

const QImage& TPicButton::GreyBitmap() {
  if (!greyCurrent_) {
    grey_ = GreyCopy(bitmap_);
    greyCurrent_ = true;
  }
  return grey_;
}

void TPicButton::BuildShape() {
  shapePending_ = false;
  if (bitmap_.isNull()) {
    shape_ = QRegion();
    clearMask();
    return;
  }
  const QBitmap cut = QBitmap::fromImage(
      bitmap_.createMaskFromColor(transparentColor_.rgb(), Qt::MaskInColor), Qt::MonoOnly);
  shape_ = QRegion(cut);
  setMask(shape_);
}

bool TPicButton::HitsShape(const QPoint& point) const {
  if (!rect().contains(point)) return false;
  return shape_.isEmpty() || shape_.contains(point);
}

void TPicButton::TellGroup() {
  if (groupIndex_ == 0 || !parentWidget()) return;
  for (QObject* child : parentWidget()->children()) {
    if (auto* button = qobject_cast<TPicButton*>(child); button && button != this) {
      button->GroupButtonPressed(groupIndex_, this);
    }
  }
}

void TPicButton::GroupButtonPressed(int groupIndex, TPicButton* sender) {
  if (groupIndex != groupIndex_) return;
  if (sender->down_ && down_) {
    down_ = false;
    update();
  }
  allowAllUp_ = sender->allowAllUp_;
}

QColor TPicButton::CaptionColor() const {
  if (!isEnabled()) return QColor(0x60, 0x60, 0x60);
  if (down_) return downFontColor_;
  if (hot_) return hotFontColor_;
  return fontColor_;
}

int TPicButton::CaptionLeft() const {
  const int textWidth = fontMetrics().horizontalAdvance(caption_);
  switch (captionPosition_) {
    case cpLeft:
      return space_;
    case cpRight:
      return width() - textWidth - 3;
    case cpCenter:
      break;
  }
  return (width() - textWidth) / 2;
}

void TPicButton::paintEvent(QPaintEvent*) {
  if (shapePending_) BuildShape();
  QPainter painter(this);
  const QImage& face = !isEnabled() ? GreyBitmap() : down_ ? downBitmap_ : bitmap_;
  if (!face.isNull()) painter.drawImage(0, 0, face);
  if (caption_.isEmpty()) return;
  painter.setFont(font());
  painter.setPen(CaptionColor());
  const QFontMetrics metrics = fontMetrics();
  const int top = (height() - metrics.height()) / 2;
  painter.drawText(CaptionLeft(), top + metrics.ascent(), caption_);
}

void TPicButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !HitsShape(event->position().toPoint())) {
    event->ignore();
    return;
  }
  if (isEnabled() && !down_) {
    down_ = true;
    TellGroup();
    update();
  }
}

void TPicButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const bool inside = HitsShape(event->position().toPoint());
  if (isEnabled() && !checked_ && down_) {
    down_ = false;
    update();
  }
  if (isEnabled() && inside) emit Clicked();
}

void TPicButton::enterEvent(QEnterEvent*) {
  if (!isEnabled()) return;
  hot_ = true;
  update();
}

void TPicButton::leaveEvent(QEvent*) {
  if (!isEnabled()) return;
  hot_ = false;
  update();
}

}  // namespace ortelan::controls
