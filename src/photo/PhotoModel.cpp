#include "photo/iPodPhoto.h"

namespace ortelan {

void TPhotoList::Check(int Index) {
  TPhotoItem& photo = GetItem(Index);
  if (photo.Checked) return;
  photo.Checked = true;
  ++CheckedCount;
  CheckedSize += photo.ImageSize;
}

void TPhotoList::Uncheck(int Index) {
  TPhotoItem& photo = GetItem(Index);
  if (!photo.Checked) return;
  photo.Checked = false;
  --CheckedCount;
  CheckedSize -= photo.ImageSize;
}

void TPhotoList::Clear() {
  items_.clear();
  CheckedCount = 0;
  CheckedSize = 0;
}

void TCamPhotoList::Check(int Index) {
  TCamPhotoItem& item = GetItem(Index);
  if (item.Checked) return;
  item.Checked = true;
  ++CheckedCount;
}

void TCamPhotoList::Uncheck(int Index) {
  TCamPhotoItem& item = GetItem(Index);
  if (!item.Checked) return;
  item.Checked = false;
  --CheckedCount;
}

TIpodPhotoDb::TIpodPhotoDb(TIpodDevice* device, bool withCamera, TPhotoBox* box)
    : WithCamera(withCamera), Device(device), Box(box) {}

TIpodPhotoDb::~TIpodPhotoDb() {
  if (Box) Box->ClearTiles();
}

void TIpodPhotoDb::AddLog(const std::string& Line) { Log += "\r\n" + Line; }

}  // namespace ortelan
