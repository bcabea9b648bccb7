#include "controls/ProgressShape.h"

#include <QEvent>
#include <QPainter>

namespace ortelan::controls {

TProgressShape::TProgressShape(QWidget* parent)
    : QWidget(parent), appearance_([this] { update(); }) {
  resize(50, 50);
  timer_.setInterval(200);
  connect(&timer_, &QTimer::timeout, this, &TProgressShape::TimerStep);
}

void TProgressShape::SetPadding(int value) {
  if (value == padding_ || value <= 0) return;
  padding_ = value;
  ComputeGeometry();
  update();
}

void TProgressShape::SetInterval(int value) {
  if (value != timer_.interval()) timer_.setInterval(value);
}

void TProgressShape::SetBlockCount(int value) {
  if (value == blockCount_ || value <= 1) return;
  blockCount_ = value;
  ComputeGeometry();
}

void TProgressShape::Loaded() {
  ComputeGeometry();
  column_ = row_ = blockCount_ - 1;
  FollowEnabled();
}

void TProgressShape::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) FollowEnabled();
  QWidget::changeEvent(event);
}

void TProgressShape::FollowEnabled() {
  if (isEnabled()) {
    if (!timer_.isActive()) timer_.start();
  } else {
    timer_.stop();
  }
}

void TProgressShape::resizeEvent(QResizeEvent*) { ComputeGeometry(); }

QRect TProgressShape::Inner() const {
  const int shrink = appearance_.BorderColor().isValid() ? 3 : 2;
  return rect().adjusted(shrink, shrink, -shrink, -shrink);
}

void TProgressShape::ComputeGeometry() {
  const QRect inner = Inner();
  // QRect's width counts pixels from left to right inclusive; the sums below
  // work on the exclusive right and bottom edges.
  const int n = blockCount_;
  blockWidth_ = (inner.width() - (n - 1) * padding_) / n;
  blockHeight_ = (inner.height() - (n - 1) * padding_) / n;
}

QRect TProgressShape::BlockRect(int column, int row) const {
  const QRect inner = Inner();
  const int innerRight = inner.x() + inner.width(), innerBottom = inner.y() + inner.height();
  const int left = innerRight - column * padding_ - (column + 1) * blockWidth_;
  const int top = innerBottom - row * padding_ - (row + 1) * blockHeight_;
  return QRect(left, top, blockWidth_, blockHeight_);
}

void TProgressShape::TimerStep() {
  const int d = blockCount_ - 1;
  int& c = column_;
  int& r = row_;
  if (r == d) {
    c > 0 ? --c : --r;
  } else if (c == 0) {
    r > 0 ? --r : ++c;
  } else if (r == 0) {
    c < d ? ++c : ++r;
  } else if (c == d) {
    r < d ? ++r : --c;
  }
  update();
}

void TProgressShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (appearance_.BackGroundColor().isValid())
    painter.fillRect(rect(), appearance_.BackGroundColor());
  if (appearance_.BorderColor().isValid()) {
    painter.setPen(appearance_.BorderColor());
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  for (int c = 0; c < blockCount_; ++c) {
    for (int r = 0; r < blockCount_; ++r) {
      const QColor colour =
          c == column_ && r == row_ ? appearance_.BlockColorActive() : appearance_.BlockColor();
      if (colour.isValid()) painter.fillRect(BlockRect(c, r), colour);
    }
  }
}

}  // namespace ortelan::controls
