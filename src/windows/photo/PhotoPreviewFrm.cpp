#include "windows/photo/PhotoPreviewFrm.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "windows/photo/PhotoTiles.h"

namespace ortelan::windows {

namespace {

constexpr double kScreenShare = 0.85;  // of the screen's free area

}  // namespace

TPhotoPreviewFrm::TPhotoPreviewFrm(QWidget* parent, TIpodPhotoDb& db, bool camera,
                                   std::vector<int32_t> items, int position)
    : QDialog(parent),
      db_(db),
      camera_(camera),
      items_(std::move(items)),
      position_(position),
      picture_(new QLabel(this)),
      caption_(new QLabel(this)) {
  setModal(true);
  const QScreen* screen = parent ? parent->screen() : nullptr;
  const QSize free = screen ? screen->availableGeometry().size() : QSize(1024, 768);
  room_ = QSize(static_cast<int>(free.width() * kScreenShare),
                static_cast<int>(free.height() * kScreenShare) - 40);
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setMinimumSize(160, 120);
  picture_->setStyleSheet("background: #202020; color: #DDDDDD;");
  caption_->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(picture_, 1);
  layout->addWidget(caption_);
  ShowItem();
}

QString TPhotoPreviewFrm::ItemName(int32_t index) const {
  if (camera_) return QString::fromStdString(db_.CamPhotos.GetItem(index).FileName);
  const TPhotoItem& photo = db_.Photos.GetItem(index);
  return photo.FileName.empty()
             ? QString::number(photo.ImageId) + ".jpg"
             : QString::fromStdString(TIpodPhotoDb::ExtractDevFileName(photo.FileName));
}

bool TPhotoPreviewFrm::ItemChecked(int32_t index) const {
  return camera_ ? db_.CamPhotos.GetItem(index).Checked : db_.Photos.GetItem(index).Checked;
}

void TPhotoPreviewFrm::ShowItem() {
  if (items_.empty()) return;
  const int32_t index = items_[static_cast<size_t>(position_)];
  TPicture24 picture;
  const bool read = camera_
                        ? db_.ReadCameraFilePicture(index, room_.width(), room_.height(), picture)
                        : db_.ReadLargestPicture(index, room_.width(), room_.height(), picture);
  if (read) {
    QImage image = ToImage(picture);
    if (image.width() > room_.width() || image.height() > room_.height()) {
      image = image.scaled(room_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    picture_->setPixmap(QPixmap::fromImage(image));
  } else {
    picture_->setPixmap({});
    picture_->setText("No picture to show");
  }
  const QString name = ItemName(index);
  caption_->setText(QString("%1  (%2 of %3)%4")
                        .arg(name)
                        .arg(position_ + 1)
                        .arg(items_.size())
                        .arg(ItemChecked(index) ? "  - ticked" : ""));
  setWindowTitle(name);
  adjustSize();
}

void TPhotoPreviewFrm::Step(int by) {
  const int next = position_ + by;
  if (next < 0 || next >= static_cast<int>(items_.size())) return;
  position_ = next;
  ShowItem();
}

void TPhotoPreviewFrm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      Step(-1);
      return;
    case Qt::Key_Right:
      Step(1);
      return;
    case Qt::Key_Space:
      if (!items_.empty() && OnToggle) OnToggle(items_[static_cast<size_t>(position_)]);
      ShowItem();
      return;
    default:
      QDialog::keyPressEvent(event);  // Escape closes
  }
}

}  // namespace ortelan::windows
