#include "windows/photo/PhotoTiles.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace ortelan::windows {

namespace {

const QColor kCheckedFrame(52, 108, 201);
const QColor kFrame(209, 209, 209);
constexpr int kMargin = 20;  // room right of and below the last tiles

}  // namespace

QImage ToImage(const TPicture24& picture) {
  if (picture.Width <= 0 || picture.Height <= 0) return {};
  return QImage(picture.Pixels.data(), picture.Width, picture.Height, picture.Width * 3,
                QImage::Format_RGB888)
      .copy();
}

TPhotoControl::TPhotoControl(const TTilePlace& place, QImage picture, const int32_t& pictureLeft,
                             QWidget* parent)
    : QWidget(parent),
      Index(place.Index),
      Picture(std::move(picture)),
      Checked(place.Checked),
      Camera(place.Camera),
      pictureLeft_(pictureLeft) {
  setGeometry(place.Left, place.Top, place.Width, place.Height);
  setAttribute(Qt::WA_OpaquePaintEvent);  // the picture and the frame cover it
  setFocusPolicy(Qt::ClickFocus);         // then Enter opens it, Space ticks it
  setAccessibleName(QString(Camera ? "Camera file %1" : "Photo %1").arg(Index + 1));
  setAccessibleDescription(Checked ? "ticked" : "");
}

void TPhotoControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (!Picture.isNull()) p.drawImage(pictureLeft_, 0, Picture);
  const int r = width() - 1, b = height() - 1;
  if (Checked) {
    p.setPen(QPen(kCheckedFrame, 2));
    p.drawPolyline(
        QPolygon({QPoint(0, 1), QPoint(r, 1), QPoint(r, b), QPoint(1, b), QPoint(0, 0)}));
  } else {
    p.setPen(QPen(kFrame, 1));
    p.drawPolyline(
        QPolygon({QPoint(0, 0), QPoint(r, 0), QPoint(r, b), QPoint(0, b), QPoint(0, 0)}));
  }
}

// A click turns the mark. A double click turns it twice (so it is as it
// was) and then opens the tile, once its button is up.
void TPhotoControl::mouseReleaseEvent(QMouseEvent* event) {
  const bool open = std::exchange(openOnRelease_, false);
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  if (OnClick) OnClick();
  if (open && OnOpen) OnOpen();
}

void TPhotoControl::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) openOnRelease_ = true;
}

void TPhotoControl::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && OnOpen) {
    OnOpen();
  } else if (event->key() == Qt::Key_Space && OnClick) {
    OnClick();
  } else {
    QWidget::keyPressEvent(event);
  }
}

TPhotoTileBox::TPhotoTileBox(QWidget* parent) : QScrollArea(parent), page_(new QWidget) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  page_->setAutoFillBackground(true);
  QPalette white = page_->palette();
  white.setColor(QPalette::Window, Qt::white);
  page_->setPalette(white);
  setPalette(white);
  setWidget(page_);
  page_->installEventFilter(this);
  viewport()->installEventFilter(this);
  page_->resize(viewport()->size());
}

void TPhotoTileBox::ClearTiles() {
  for (TPhotoControl* tile : tiles_) delete tile;
  tiles_.clear();
  page_->resize(viewport()->width(), 0);
  page_->setEnabled(true);  // a new page's tiles work, also after a device loss
}

void TPhotoTileBox::AddTile(const TTilePlace& place, TPicture24 picture) {
  auto* tile = new TPhotoControl(place, ToImage(picture), pictureLeft_, page_);
  const auto number = static_cast<int32_t>(tiles_.size());
  tile->OnClick = [this, number, camera = place.Camera] {
    if (OnTileClick) OnTileClick(number, camera);
  };
  tile->OnOpen = [this, number, camera = place.Camera] {
    if (OnTileOpen) OnTileOpen(number, camera);
  };
  tiles_.push_back(tile);
  // The page grows to hold the tile and a margin below it.
  const QRect needed = tile->geometry().adjusted(0, 0, kMargin, kMargin);
  page_->resize(std::max(viewport()->width(), needed.right() + 1),
                std::max(page_->height(), needed.bottom() + 1));
  tile->show();
}

void TPhotoTileBox::SetTileChecked(int32_t tile, bool checked) {
  Tile(tile)->Checked = checked;
  Tile(tile)->setAccessibleDescription(checked ? "ticked" : "");
  Tile(tile)->update();
}

void TPhotoTileBox::SetTilesEnabled(bool enabled) { page_->setEnabled(enabled); }

void TPhotoTileBox::SetPictureLeft(int32_t left) {
  if (left == pictureLeft_) return;
  pictureLeft_ = left;
  for (TPhotoControl* tile : tiles_) tile->update();
}

bool TPhotoTileBox::DecodePicture(std::span<const uint8_t> file, TPicture24& picture) {
  picture = TPicture24{};
  QImage image;
  if (!image.loadFromData(file.data(), static_cast<int>(file.size()))) return false;
  image = image.convertToFormat(QImage::Format_RGB888);
  picture.SetSize(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    std::copy_n(image.constScanLine(y), image.width() * 3, picture.Row(y));
  }
  return true;
}

bool TPhotoTileBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && OnEmptyClick) OnEmptyClick();
  if (watched == viewport() && event->type() == QEvent::Resize) {
    page_->resize(std::max(page_->width(), viewport()->width()),
                  std::max(page_->height(), viewport()->height()));
  }
  return QScrollArea::eventFilter(watched, event);
}

}  // namespace ortelan::windows
