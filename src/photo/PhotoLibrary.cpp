// Loading the photo library: which database is read, the camera roll, the
// thumbnail formats and the tile layouts that follow from them.

#include <cstdio>

#include "device/iPodDev.h"
#include "photo/ThumbDecoding.h"
#include "photo/iPodPhoto.h"
#include "util/Text.h"

namespace ortelan {

namespace {

struct FormatSize {
  int32_t formatId, width, height;
};

// The pixel size of each known thumbnail format.
constexpr FormatSize kFormatSizes[] = {
    {1009, 42, 30},   {1013, 220, 176}, {1015, 130, 88},  {1016, 140, 140}, {1017, 56, 56},
    {1062, 56, 56},   {1019, 720, 480}, {1067, 720, 480}, {1023, 176, 132}, {1024, 320, 240},
    {1064, 320, 240}, {1027, 100, 100}, {1028, 100, 100}, {1029, 200, 200}, {1031, 42, 42},
    {1032, 42, 37},   {1036, 50, 41},   {1055, 128, 128}, {1068, 128, 128}, {3002, 128, 128},
    {1060, 320, 320}, {3005, 320, 320}, {1061, 56, 55},   {1066, 64, 64},   {1235, 64, 64},
    {3003, 64, 64},   {1071, 240, 240}, {1084, 240, 240}, {1074, 50, 50},   {1078, 80, 80},
    {1081, 640, 480}, {3008, 640, 480}, {1234, 120, 120}, {3001, 256, 256}, {3004, 56, 73},
    {3006, 55, 56},   {3007, 88, 88},   {3009, 160, 128}, {3011, 80, 79},   {3105, 1280, 320},
    {3106, 112, 112}, {3113, 112, 112},
};

struct IosStore {
  const char* fileName;
  int32_t formatId, imageSize, width, height;
};

// iOS store records: 16-bit pixels followed by a 28-byte trailer.
constexpr IosStore kIosStores[] = {
    {"79x79.ithmb", 3011, 12668, 80, 79},
    {"120x120.ithmb", 1234, 28828, 120, 120},
    {"64x64.ithmb", 1235, 8220, 64, 64},
};

struct TileLayout {
  int32_t formatId, width, height, gap, perRow, perPage, pictureLeft;
};

constexpr TileLayout kPhotoLayouts[] = {
    {1015, 119, 88, 22, 4, 200, -5}, {1032, 42, 37, 18, 10, 400, 0},
    {1036, 50, 41, 20, 8, 400, 0},   {3004, 56, 56, 20, 8, 400, 0},
    {3011, 75, 75, 20, 6, 300, 0},   {3113, 111, 111, 20, 4, 100, 0},
    {1234, 120, 120, 20, 4, 152, 0},
};
constexpr TileLayout kOtherPhotoLayout = {0, 64, 64, 20, 7, 350, 0};
constexpr TileLayout kCameraLayout = {0, 75, 75, 20, 6, 30, 0};

}  // namespace

void TIpodPhotoDb::FillFormatInfo(TPhotoInfo& info) {
  if (info.IsIos) {
    if (info.FileName.empty()) {
      info.FormatId = tfIosDefault;
      info.ImageSize = 0;
      return;
    }
    for (const IosStore& store : kIosStores) {
      if (SameTextAscii(info.FileName, store.fileName)) {
        info.FormatId = store.formatId;
        info.ImageSize = store.imageSize;
        info.Width = store.width;
        info.Height = store.height;
        info.FileCount = 0;
      }
    }
    return;
  }
  for (const FormatSize& format : kFormatSizes) {
    if (format.formatId == info.FormatId) {
      info.Width = format.width;
      info.Height = format.height;
    }
  }
}

void TIpodPhotoDb::SetTileLayout(bool camera) {
  TileLayout layout = camera ? kCameraLayout : kOtherPhotoLayout;
  for (const TileLayout& candidate : kPhotoLayouts) {
    if (!camera && candidate.formatId == ThumbInfo.FormatId) layout = candidate;
  }
  auto apply = [&layout](int32_t& width, int32_t& height, int32_t& gap, int32_t& perRow,
                         int32_t& perPage) {
    width = layout.width;
    height = layout.height;
    gap = layout.gap;
    perRow = layout.perRow;
    perPage = layout.perPage;
  };
  if (camera) {
    apply(CamTileWidth, CamTileHeight, CamTileGap, CamTilesPerRow, CamPageSize);
  } else {
    apply(TileWidth, TileHeight, TileGap, TilesPerRow, PageSize);
  }
  PictureLeft = layout.pictureLeft;
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
  for (const IosStore& store : kIosStores) {  // in order of preference
    if (Device->DeviceFileExists(std::string("PhotoData/Thumbnails/") + store.fileName)) {
      ThumbInfo.FileName = store.fileName;
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
