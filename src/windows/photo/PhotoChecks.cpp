// The photo window's check menu: the whole album (all pages) or the whole
// camera roll checked, unchecked or inverted, and the tiles shown with them.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTreeWidget>

#include "controls/PicBtn.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::windows {

namespace {

using TCheckMode = TIpodPhotoDb::TCheckMode;

// The node's name as the menu quotes it: whole up to 16 characters, else
// its first 16 and two dots.
QString QuotedNodeName(const QString& name) {
  QString t = name + '"';
  if (t.size() > 17) t = t.left(16) + "..\"";
  return '"' + t;
}

void Apply(TCheckMode mode, bool checked, const std::function<void(bool)>& set) {
  switch (mode) {
    case TCheckMode::MarkAll:
      set(true);
      break;
    case TCheckMode::UnmarkAll:
      set(false);
      break;
    case TCheckMode::Invert:
      set(!checked);
      break;
  }
}

// The hourglass while a check command runs, put back also on an error.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TPhotoTranFrm::BuildCheckMenu() {
  SongPop = new QMenu(this);
  AllMnu = SongPop->addAction("Check", this, [this] { ApplyCheckCommand(TCheckMode::MarkAll); });
  UnAllMnu =
      SongPop->addAction("Uncheck", this, [this] { ApplyCheckCommand(TCheckMode::UnmarkAll); });
  InvertMnu = SongPop->addAction("Invert", this, [this] { ApplyCheckCommand(TCheckMode::Invert); });
  connect(SongPop, &QMenu::aboutToShow, this, [this] { SongPopPopup(); });
  connect(CheckBtn, &controls::TPicButton::Clicked, this, [this] { CheckBtnClick(); });
  PhotoList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(PhotoList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { SongPop->popup(PhotoList->mapToGlobal(at)); });
}

void TPhotoTranFrm::CheckBtnClick() {
  if (GoPnl->isVisible()) GoPnl->hide();
  if (AlbumLstList->topLevelItemCount() == 0) return;
  SongPop->popup(mapToGlobal(CheckBtn->mapTo(this, QPoint(0, CheckBtn->height()))));
}

void TPhotoTranFrm::SongPopPopup() {
  const QTreeWidgetItem* node = AlbumLstList->currentItem();
  // Without a selected node there is nothing to act on.
  for (QAction* item : {AllMnu, UnAllMnu, InvertMnu}) item->setEnabled(node != nullptr);
  const QString t = QuotedNodeName(node ? node->text(0) : QString());
  AllMnu->setText("Select all in " + t);
  UnAllMnu->setText("Unselect all in " + t);
  InvertMnu->setText("Invert in " + t);
}

void TPhotoTranFrm::ApplyCheckCommand(TCheckMode mode) {
  QTreeWidgetItem* node = AlbumLstList->currentItem();
  if (!node || !PhotoDb) return;
  if (CameraNodeSelected()) {
    ApplyCameraCheck(mode);
  } else {
    ApplyAlbumCheck(mode, SelectedAlbum());
  }
}

void TPhotoTranFrm::ApplyAlbumCheck(TCheckMode mode, int album) {
  if (PhotoList->TileCount() == 0) return;
  const WaitCursor hourglass;
  TPhotoList& photos = PhotoDb->Photos;
  const TPhotoAlbumItem& item = PhotoDb->Albums.GetItem(album);
  for (int k = 0; k < item.Count && k < static_cast<int>(item.PhotoIds.size()); ++k) {
    const std::span<const int32_t> found = PhotoDb->PhotosWithId(item.GetPhotoId(k));
    if (found.empty()) continue;  // an id without a photo
    const int32_t i = found.front();
    Apply(mode, photos.GetItem(i).Checked,
          [&](bool check) { check ? photos.Check(i) : photos.Uncheck(i); });
  }
  PhotoDb->ApplyCheckMode(mode);
  UpdateStatus();
}

void TPhotoTranFrm::ApplyCameraCheck(TCheckMode mode) {
  if (PhotoList->TileCount() == 0) return;
  const WaitCursor hourglass;
  TCamPhotoList& files = PhotoDb->CamPhotos;
  for (int i = 0; i < files.Count(); ++i) {
    Apply(mode, files.GetItem(i).Checked,
          [&](bool check) { check ? files.Check(i) : files.Uncheck(i); });
  }
  PhotoDb->ApplyCheckMode(mode);
  UpdateStatus();
}

}  // namespace ortelan::windows
