// The photo window's closer look: the preview of a tile's item, stepping
// through the album or the camera roll, and its check mark kept in line with
// the tiles and the status.

#include <algorithm>

#include "windows/photo/PhotoPreviewFrm.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::windows {

void TPhotoTranFrm::OpenPreview(int32_t tile, bool camera) {
  if (!PhotoDb || Copying) return;
  const int32_t index = PhotoList->TileIndex(tile);
  std::vector<int32_t> items;
  if (camera) {
    for (int32_t i = 0; i < PhotoDb->CamPhotos.Count(); ++i) items.push_back(i);
  } else {
    const TPhotoAlbumItem& album = PhotoDb->Albums.GetItem(SelectedAlbum());
    for (int k = 0; k < album.Count && k < static_cast<int>(album.PhotoIds.size()); ++k) {
      for (const int32_t photo : PhotoDb->PhotosWithId(album.GetPhotoId(k))) items.push_back(photo);
    }
  }
  const auto at = std::find(items.begin(), items.end(), index);
  if (at == items.end()) return;
  TPhotoPreviewFrm preview(this, *PhotoDb, camera, items, static_cast<int>(at - items.begin()));
  preview.OnToggle = [this, camera](int32_t item) { TogglePreviewedItem(item, camera); };
  RunPreview ? RunPreview(preview) : (void)preview.exec();
}

void TPhotoTranFrm::TogglePreviewedItem(int32_t index, bool camera) {
  bool checked = false;
  if (camera) {
    TCamPhotoList& files = PhotoDb->CamPhotos;
    checked = !files.GetItem(index).Checked;
    checked ? files.Check(index) : files.Uncheck(index);
  } else {
    TPhotoList& photos = PhotoDb->Photos;
    checked = !photos.GetItem(index).Checked;
    checked ? photos.Check(index) : photos.Uncheck(index);
  }
  for (int32_t tile = 0; tile < PhotoList->TileCount(); ++tile) {  // every tile of the item
    if (PhotoList->Tile(tile)->Camera == camera && PhotoList->TileIndex(tile) == index) {
      PhotoList->SetTileChecked(tile, checked);
    }
  }
  UpdateStatus();
}

}  // namespace ortelan::windows
