// Loading the photo library: which database is read, the camera roll, the
// thumbnail formats and the tile layouts that follow from them.

#include <cstdio>

#include "device/iPodDev.h"
#include "photo/ThumbDecoding.h"
#include "photo/ThumbFormats.h"
#include "photo/iPodPhoto.h"
#include "util/Text.h"

namespace ortelan {

void TIpodPhotoDb::FillFormatInfo(TPhotoInfo& info) {
  if (info.IsIos) {
    if (info.FileName.empty()) {
      info.FormatId = tfIosDefault;
      info.ImageSize = 0;
      return;
    }
    if (const TThumbFormatInfo* store = FindIosStore(info.FileName)) {
      info.FormatId = store->Id;
      info.ImageSize = store->IosRecordBytes;
      info.Width = store->Width;
      info.Height = store->Height;
      info.FileCount = 0;
    }
    return;
  }
  if (const TThumbFormatInfo* format = FindThumbFormat(info.FormatId); format && format->Width) {
    info.Width = format->Width;
    info.Height = format->Height;
  }
}

void TIpodPhotoDb::SetTileLayout(bool camera) {
  const TThumbFormatInfo* format = camera ? nullptr : FindThumbFormat(ThumbInfo.FormatId);
  const TTileLayout layout = camera                     ? kCameraLayout
                             : format && format->Layout ? *format->Layout
                                                        : kOtherPhotoLayout;
  auto apply = [&layout](int32_t& width, int32_t& height, int32_t& gap, int32_t& perRow,
                         int32_t& perPage) {
    width = layout.Width;
    height = layout.Height;
    gap = layout.Gap;
    perRow = layout.PerRow;
    perPage = layout.PerPage;
  };
  if (camera) {
    apply(CamTileWidth, CamTileHeight, CamTileGap, CamTilesPerRow, CamPageSize);
  } else {
    apply(TileWidth, TileHeight, TileGap, TilesPerRow, PageSize);
  }
  PictureLeft = layout.PictureLeft;
  if (Box) Box->SetPictureLeft(PictureLeft);
}

void TIpodPhotoDb::BuildBmpHeader(bool display) {
  const TPhotoInfo& info = display ? ThumbInfo : ExportInfo;
  // An iOS display record ends in a 28-byte trailer that holds no pixels.
  const int32_t imageBytes = info.ImageSize - (display && ThumbInfo.IsIos ? 28 : 0);
  // iOS devices store 5-5-5 pixels, disk-mode iPods 5-6-5; the stores of
  // PhotoData/Thumbnails are 5-5-5 also on a disk-mode device that has them.
  const bool iosDevice = Device && Device->IsIos;
  const bool fiveFiveFive = iosDevice || (display && ThumbInfo.IsIos);
  FillBmpHeader(BmpHeader, info.Width, info.Height, static_cast<uint32_t>(imageBytes),
                fiveFiveFive);
}

int32_t TIpodPhotoDb::LoadCameraRoll() {
  std::vector<std::string> names;
  const int32_t count = Device->ListCameraRoll(names);
  for (const std::string& name : names) CamPhotos.Add().FileName = name;
  SetTileLayout(true);
  Device->GetCameraRollFolder(CamPhotos.Folder);
  return count;
}

bool TIpodPhotoDb::SelectIosThumbStore() {
  ThumbInfo.FileName.clear();
  for (const TThumbFormatInfo* store : IosStoresByRank()) {  // in order of preference
    if (Device->DeviceFileExists(std::string("PhotoData/Thumbnails/") + store->IosStore)) {
      ThumbInfo.FileName = store->IosStore;
      break;
    }
  }
  ThumbInfo.IsIos = true;
  FillFormatInfo(ThumbInfo);
  return !ThumbInfo.FileName.empty();
}

void TIpodPhotoDb::ForgetPartialLibrary() {
  Photos.Clear();
  Albums.Clear();
  ClearTiles();
  HasOriginals = false;
  ThumbInfo = TPhotoInfo{};
  ExportInfo = TPhotoInfo{};
}

bool TIpodPhotoDb::LoadPhotoLibrary() {
  bool loaded = false;
  std::string database;
  const size_t mark = Device->ErrorLogSize();
  Device->FetchPhotoDataFile("Photos.sqlite", "", database);
  if (database.empty()) {
    // There but not copied (a FIFO, a folder, a link to a device, too
    // large): the library cannot be read. Missing, it says nothing.
    if (const std::string why = Trim(Device->ErrorLogFrom(mark)); !why.empty()) {
      ReadError = why;
      AddLog("[X] The photo library cannot be read: " + ReadError);
    }
  } else {
    // Both are copies in the work folder, on every kind of device.
    const TWorkCopy databaseCopy(*Device, database);
    std::string wal;
    Device->FetchPhotoDataFile("Photos.sqlite-wal", "-wal", wal);
    const TWorkCopy walCopy(*Device, wal);
    try {
      loaded = LoadPhotosSqlite(database);
    } catch (const std::exception& error) {
      loaded = false;
      ReadError = error.what();
      AddLog("[X] The photo library cannot be read: " + ReadError);
    }
  }
  if (!loaded) {
    // Nothing of a library read halfway may stand in the older one's place.
    ForgetPartialLibrary();
    loaded = LoadPhotoDatabase();
    if (loaded && !ReadError.empty()) AddLog("The Photo Database is read instead.");
  }
  if (WithCamera && LoadCameraRoll() > 0) return true;
  return loaded;
}

}  // namespace ortelan
