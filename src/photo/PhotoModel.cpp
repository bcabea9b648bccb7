#include "photo/iPodPhoto.h"

namespace ortelan {

void TPhotoList::Check(int index) {
  TPhotoItem& photo = GetItem(index);
  if (photo.Checked) return;
  photo.Checked = true;
  ++CheckedCount;
  CheckedSize += photo.ImageSize;
}

void TPhotoList::Uncheck(int index) {
  TPhotoItem& photo = GetItem(index);
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

void TCamPhotoList::Check(int index) {
  TCamPhotoItem& item = GetItem(index);
  if (item.Checked) return;
  item.Checked = true;
  ++CheckedCount;
}

void TCamPhotoList::Uncheck(int index) {
  TCamPhotoItem& item = GetItem(index);
  if (!item.Checked) return;
  item.Checked = false;
  --CheckedCount;
}

TIpodPhotoDb::TIpodPhotoDb(TIpodDevice* device, bool withCamera, TPhotoBox* box)
    : WithCamera(withCamera), Device(device), Box(box) {}

TIpodPhotoDb::~TIpodPhotoDb() {
  if (Box) Box->ClearTiles();
}

void TIpodPhotoDb::AddLog(const std::string& line) { Log += "\r\n" + line; }

}  // namespace ortelan
